// Whole searches through the real engine: the rows equal the same search run headless, Back
// then Next matches again without collecting, and a file that changed is reported.
#include "Resource.h"
#include "WizardFixture.h"

namespace {

// Every field of every row.
using CRowTexts = std::vector<std::array<std::string, 5>>;

CRowTexts Texts(const std::vector<CResultRow>& rows) {
    CRowTexts texts;
    for (const CResultRow& row : rows)
        texts.push_back({row.m_strSourcePath, row.m_strTargetPath, std::to_string(row.m_nSize),
                         std::to_string(row.m_tSource), std::to_string(row.m_tTarget)});
    return texts;
}

// The search twinex-cli runs: both workers called in turn on this thread.
CRowTexts HeadlessSearch(const std::vector<CFolderRow>& rows, int nCriterion,
                         std::size_t* pFiles = nullptr) {
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
    settings.m_bReflect = 1;
    settings.m_strPartial = "64";
    CollectFilesProc(rows, 1, state, {});
    MatchFilesProc(settings, state, sink, {});
    if (pFiles) *pFiles = state.m_files.GetSize();
    return Texts(sink.m_rows);
}

using SearchRun = CWizardTest;

// The host heard of one more search, finished with these counts.
void ExpectFinished(const CTestHost& host, std::size_t nRuns, std::size_t nMatches,
                    std::size_t nFiles) {
    ASSERT_EQ(host.m_outcomes.size(), nRuns);
    const CSearchOutcome& outcome = host.m_outcomes.back();
    EXPECT_FALSE(outcome.bCancelled);
    EXPECT_EQ(outcome.nMatches, int(nMatches));
    EXPECT_EQ(outcome.nFiles, int(nFiles));
    EXPECT_EQ(g_nCollectedFiles, int(nFiles));
}

TEST_F(SearchRun, EndsWithTheHeadlessRowsAndMatchesAgainAfterBackWithoutCollecting) {
    // Sets of equal files, equal sizes that differ, unique sizes, empty files, and a
    // subfolder that only a recursive row reaches.
    const std::string strBlock(5000, 'a');
    for (int i = 0; i < 4; ++i) m_tree.Add("t/dup" + std::to_string(i) + ".bin", strBlock);
    m_tree.Add("t/late.bin", strBlock.substr(0, 4999) + "b");
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
    CRowTexts expected = HeadlessSearch(rows, MATCH_CRC32, &nFiles);
    EXPECT_GT(expected.size(), 0u);
    EXPECT_EQ(Texts(m_host.m_sink.m_rows), expected);
    ExpectFinished(m_host, 1, expected.size(), nFiles);

    // Another criterion over the files collected before.
    m_host.m_statusIds.clear();
    Click(QWizard::BackButton);
    Page2().m_radioCriterion[MATCH_SIZE]->click();
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    expected = HeadlessSearch(rows, MATCH_SIZE);
    EXPECT_EQ(Texts(m_host.m_sink.m_rows), expected);
    ExpectFinished(m_host, 2, expected.size(), nFiles);
    EXPECT_EQ(m_host.m_outcomes.back().settings.m_nCriterion, MATCH_SIZE);
    EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_MATCHING_FILES, AFX_IDS_IDLEMESSAGE}))
        << "collected again";
}

TEST_F(SearchRun, AFileThatChangedBeforeTheMatchIsReportedNotMatched) {
    const std::string a = m_tree.Add("c/a", "same bytes"), b = m_tree.Add("c/b", "same bytes");
    const std::string c = m_tree.Add("c/c", "same bytes");
    OpenWizard();
    StartSearch(m_tree.Path("c"));
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(m_host.m_sink.m_rows.size(), 3u);
    ASSERT_EQ(m_host.m_outcomes.size(), 1u);
    EXPECT_TRUE(m_host.m_outcomes.back().unreadable.empty());

    // Matched again over the same collection: c is longer now than when it was collected.
    m_tree.Add("c/c", "same bytes and more");
    Click(QWizard::BackButton);
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(m_host.m_sink.m_rows.size(), 2u);
    ASSERT_EQ(m_host.m_outcomes.size(), 2u);
    const std::vector<CUnreadableFile>& unreadable = m_host.m_outcomes.back().unreadable;
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_EQ(unreadable[0].strPath, c);
    EXPECT_EQ(unreadable[0].nErrno, 0);
}

}  // namespace
