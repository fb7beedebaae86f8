// Whole searches through the real engine, compared with the same search run headless.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "TempTree.h"
#include "WizardFixture.h"

namespace {

class CPlainSink : public IResultSink {
public:
    void Clear() override { m_rows.clear(); }
    void Append(std::vector<CResultRow>&& batch) override {
        m_rows.insert(m_rows.end(), batch.begin(), batch.end());
    }
    void End() override {}
    std::vector<CResultRow> m_rows;
};

// The search twinex-cli runs: both workers called in turn on this thread.
std::vector<CResultRow> HeadlessSearch(const std::vector<CFolderRow>& rows, int nCriterion,
                                       int bReflect, const std::string& strPartial,
                                       std::size_t* pFiles = nullptr) {
    CSearchState state;
    CSearchSettings settings;
    settings.rows = rows;
    settings.m_nCriterion = nCriterion;
    settings.m_bReflect = bReflect;
    settings.m_strPartial = strPartial;
    CollectFilesProc(rows, 1, state, {});
    CPlainSink sink;
    MatchFilesProc(settings, state, sink, {});
    if (pFiles) *pFiles = state.m_files.GetSize();
    return sink.m_rows;
}

std::vector<std::array<std::string, 9>> Texts(const std::vector<CResultRow>& rows) {
    std::vector<std::array<std::string, 9>> texts;
    for (const CResultRow& row : rows) {
        std::array<std::string, 9> t;
        std::copy(row.m_strCells.begin(), row.m_strCells.end(), t.begin());
        t[7] = row.m_strSourcePath;
        t[8] = row.m_strTargetPath;
        texts.push_back(t);
    }
    return texts;
}

class SearchRun : public CWizardTest {
protected:
    // Sets of equal files, files of equal size that differ late or early, unique sizes,
    // and a subfolder that only a recursive row reaches.
    void MakeTree() {
        const std::string strBlock(5000, 'a');
        for (int i = 0; i < 4; ++i) m_tree.Add("t/dup" + std::to_string(i) + ".bin", strBlock);
        m_tree.Add("t/late.bin", strBlock.substr(0, 4999) + "b");  // differs after 4 KiB
        m_tree.Add("t/early.bin", "b" + strBlock.substr(1));       // differs at once
        for (int i = 0; i < 3; ++i) m_tree.Add("t/sub/s" + std::to_string(i) + ".txt", "same text");
        m_tree.Add("t/sub/other.txt", "else text");
        for (int i = 0; i < 5; ++i) m_tree.Add("t/u" + std::to_string(i), std::string(i + 1, 'u'));
        m_tree.Add("t/empty1", "");
        m_tree.Add("t/empty2", "");
    }
    CTempTree m_tree;
};

TEST_F(SearchRun, EndsWithTheHeadlessRowsTitleAndCountsForEveryCriterion) {
    MakeTree();
    OpenWizard();
    StartSearch(QByteArray::fromStdString(m_tree.Path("t")));
    ASSERT_TRUE(WaitSearchEnd());
    const std::vector<CFolderRow> rows = Page1().GetFolderRows();
    std::size_t nFiles = 0;
    auto expected = HeadlessSearch(rows, MATCH_CRC32, 1, "64", &nFiles);
    EXPECT_GT(expected.size(), 0u);
    EXPECT_EQ(Texts(m_host.m_sink.m_rows), Texts(expected));
    EXPECT_EQ(m_host.Title(), MatchTitle(int(expected.size()), int(nFiles)));
    EXPECT_EQ(Page3().m_ctlCollectStatus->text(),
              QStringLiteral("Done - Found %1 file(s).").arg(nFiles));
    EXPECT_EQ(Page3().m_ctlMatchStatus->text(),
              QStringLiteral("Match done. Found: %1 file(s).").arg(expected.size()));
    EXPECT_EQ(g_nCollectedFiles, int(nFiles));

    // Each criterion again over the files collected before; the partial size matters for
    // the file that differs late.
    struct CCase {
        int nCriterion;
        int bReflect;
        const char* strPartial;
    };
    for (const CCase& c :
         {CCase{MATCH_SIZE, 1, "64"}, CCase{MATCH_CHECKSUM, 0, "64"}, CCase{MATCH_CONTENTS, 1, "0"},
          CCase{MATCH_CONTENTS, 1, "4"}, CCase{MATCH_CRC32, 0, "1"}}) {
        SCOPED_TRACE(std::to_string(c.nCriterion) + " " + c.strPartial);
        m_host.m_statusIds.clear();
        Click(QWizard::BackButton);
        Page2().m_radioCriterion[c.nCriterion]->click();
        Page2().m_btnReflect->setChecked(c.bReflect != 0);
        Page2().m_editPartial->setText(c.strPartial);
        Click(QWizard::NextButton);
        ASSERT_TRUE(WaitSearchEnd());
        expected = HeadlessSearch(rows, c.nCriterion, c.bReflect, c.strPartial);
        EXPECT_EQ(Texts(m_host.m_sink.m_rows), Texts(expected));
        EXPECT_EQ(m_host.Title(), MatchTitle(int(expected.size()), int(nFiles)));
        EXPECT_EQ(
            std::count(m_host.m_statusIds.begin(), m_host.m_statusIds.end(), IDS_STATUS_SEARCHING),
            0)
            << "collected again";
    }
}

}  // namespace
