// Whole searches through the real engine, compared with the same search run headless.
#include "WizardFixture.h"

namespace {

// Every cell of every row, and the two paths.
using CRowTexts = std::vector<std::array<std::string, COL_COUNT + 2>>;

CRowTexts Texts(const std::vector<CResultRow>& rows) {
    CRowTexts texts;
    for (const CResultRow& row : rows) {
        auto& t = texts.emplace_back();
        std::copy(row.m_strCells.begin(), row.m_strCells.end(), t.begin());
        t[COL_COUNT] = row.m_strSourcePath;
        t[COL_COUNT + 1] = row.m_strTargetPath;
    }
    return texts;
}

// The search twinex-cli runs: both workers called in turn on this thread.
CRowTexts HeadlessSearch(const std::vector<CFolderRow>& rows, int nCriterion, int bReflect,
                         const std::string& strPartial, std::size_t* pFiles = nullptr) {
    struct CPlainSink : IResultSink {
        void Clear() override { m_rows.clear(); }
        void Append(std::vector<CResultRow>&& batch) override {
            m_rows.insert(m_rows.end(), batch.begin(), batch.end());
        }
        void End() override {}
        std::vector<CResultRow> m_rows;
    } sink;
    CSearchState state;
    CSearchSettings settings;
    settings.rows = rows;
    settings.m_nCriterion = nCriterion;
    settings.m_bReflect = bReflect;
    settings.m_strPartial = strPartial;
    CollectFilesProc(rows, 1, state, {});
    MatchFilesProc(settings, state, sink, {});
    if (pFiles) *pFiles = state.m_files.GetSize();
    return Texts(sink.m_rows);
}

using SearchRun = CWizardTest;

TEST_F(SearchRun, EndsWithTheHeadlessRowsTitleAndCountsForEveryCriterion) {
    // Sets of equal files, files of equal size that differ late or early, unique sizes, and a
    // subfolder that only a recursive row reaches.
    const std::string strBlock(5000, 'a');
    for (int i = 0; i < 4; ++i) m_tree.Add("t/dup" + std::to_string(i) + ".bin", strBlock);
    m_tree.Add("t/late.bin", strBlock.substr(0, 4999) + "b");  // differs after 4 KiB
    m_tree.Add("t/early.bin", "b" + strBlock.substr(1));       // differs at once
    for (int i = 0; i < 3; ++i) m_tree.Add("t/sub/s" + std::to_string(i) + ".txt", "same text");
    m_tree.Add("t/sub/other.txt", "else text");
    for (int i = 0; i < 5; ++i) m_tree.Add("t/u" + std::to_string(i), std::string(i + 1, 'u'));
    m_tree.Add("t/empty1", "");
    m_tree.Add("t/empty2", "");

    OpenWizard();
    StartSearch(m_tree.Path("t"));
    ASSERT_TRUE(WaitSearchEnd());
    const std::vector<CFolderRow> rows = Page1().GetFolderRows();
    std::size_t nFiles = 0;
    CRowTexts expected = HeadlessSearch(rows, MATCH_CRC32, 1, "64", &nFiles);
    EXPECT_GT(expected.size(), 0u);
    EXPECT_EQ(Texts(m_host.m_sink.m_rows), expected);
    EXPECT_EQ(m_host.Title(), FormatTitle(int(expected.size()), int(nFiles)));
    EXPECT_EQ(Page3().m_ctlCollectStatus->text(), QString("Done - Found %1 file(s).").arg(nFiles));
    EXPECT_EQ(Page3().m_ctlMatchStatus->text(),
              QString("Match done. Found: %1 file(s).").arg(expected.size()));
    EXPECT_EQ(g_nCollectedFiles, int(nFiles));

    // Each criterion again over the files collected before; the partial size matters for
    // the file that differs late.
    const struct {
        int nCriterion;
        int bReflect;
        const char* strPartial;
    } cases[] = {{MATCH_SIZE, 1, "64"},
                 {MATCH_CHECKSUM, 0, "64"},
                 {MATCH_CONTENTS, 1, "0"},
                 {MATCH_CONTENTS, 1, "4"},
                 {MATCH_CRC32, 0, "1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.nCriterion) + " " + c.strPartial);
        m_host.m_statusIds.clear();
        Click(QWizard::BackButton);
        Page2().m_radioCriterion[c.nCriterion]->click();
        Page2().m_btnReflect->setChecked(c.bReflect != 0);
        Page2().m_editPartial->setText(c.strPartial);
        Click(QWizard::NextButton);
        ASSERT_TRUE(WaitSearchEnd());
        expected = HeadlessSearch(rows, c.nCriterion, c.bReflect, c.strPartial);
        EXPECT_EQ(Texts(m_host.m_sink.m_rows), expected);
        EXPECT_EQ(m_host.Title(), FormatTitle(int(expected.size()), int(nFiles)));
        EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_STATUS_MATCHING, IDS_STATUS_READY}))
            << "collected again";
    }
}

}  // namespace
