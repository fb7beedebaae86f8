// Whole searches through the real engine: the rows equal the same search run headless, Back
// then Next matches again without collecting, and a file that changed since is reported.
#include <tuple>

#include "Resource.h"
#include "WizardFixture.h"

namespace {

// Every field of every row.
using CRowFields =
    std::vector<std::tuple<std::string, std::string, std::uint64_t, std::int64_t, std::int64_t>>;

CRowFields Fields(const std::vector<CResultRow>& rows) {
    CRowFields fields;
    for (const CResultRow& r : rows)
        fields.emplace_back(r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource,
                            r.m_tTarget);
    return fields;
}

// The search twinex-cli runs: both workers called in turn on this thread.
CRowFields HeadlessSearch(const std::vector<CFolderRow>& rows, int nCriterion,
                          std::size_t* pFiles) {
    struct CPlainSink : IResultSink {
        void Clear() override { m_rows.clear(); }
        void Append(std::vector<CResultRow>&& batch) override {
            m_rows.insert(m_rows.end(), batch.begin(), batch.end());
        }
        void End() override {}
        std::vector<CResultRow> m_rows;
    } sink;
    CSearchState state;
    CSearchSettings settings;  // reflected, 64 KB partial
    settings.rows = rows;
    settings.m_nCriterion = nCriterion;
    CollectFilesProc(rows, 1, state, {});
    MatchFilesProc(settings, state, sink, {});
    *pFiles = state.m_files.GetSize();
    return Fields(sink.m_rows);
}

using SearchRun = CWizardTest;

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
    // The second run: another criterion over the files collected before.
    for (int nCriterion : {MATCH_CRC32, MATCH_SIZE}) {
        SCOPED_TRACE(nCriterion);
        if (nCriterion == MATCH_SIZE) {
            m_host.m_statusIds.clear();
            Click(QWizard::BackButton);
            Page2().m_radioCriterion[MATCH_SIZE]->click();
            Click(QWizard::NextButton);
        }
        ASSERT_TRUE(WaitSearchEnd());
        std::size_t nFiles = 0;
        const CRowFields expected = HeadlessSearch(Page1().GetFolderRows(), nCriterion, &nFiles);
        EXPECT_GT(expected.size(), 0u);
        EXPECT_EQ(Fields(m_host.m_sink.m_rows), expected);
        ASSERT_FALSE(m_host.m_outcomes.empty());
        const CSearchOutcome& outcome = m_host.m_outcomes.back();
        EXPECT_FALSE(outcome.bCancelled);
        EXPECT_EQ(outcome.settings.m_nCriterion, nCriterion);
        EXPECT_EQ(outcome.nMatches, int(expected.size()));
        EXPECT_EQ(outcome.nFiles, int(nFiles));
        EXPECT_EQ(g_nCollectedFiles, int(nFiles));
    }
    EXPECT_EQ(m_host.m_outcomes.size(), 2u);
    EXPECT_EQ(m_host.m_statusIds, (std::vector<int>{IDS_MATCHING_FILES, AFX_IDS_IDLEMESSAGE}))
        << "collected again";

    // Matched again over the same collection: a file longer now than when it was collected is
    // reported, not matched.
    EXPECT_TRUE(m_host.m_outcomes.back().unreadable.empty());
    const std::string strChanged = m_tree.Add("t/dup0.bin", strBlock + "more");
    Click(QWizard::BackButton);
    Page2().m_radioCriterion[MATCH_CRC32]->click();
    Click(QWizard::NextButton);
    ASSERT_TRUE(WaitSearchEnd());
    ASSERT_EQ(m_host.m_outcomes.size(), 3u);
    const std::vector<CUnreadableFile>& unreadable = m_host.m_outcomes[2].unreadable;
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_EQ(unreadable[0].strPath, strChanged);
    EXPECT_EQ(unreadable[0].nErrno, 0);
    for (const CResultRow& row : m_host.m_sink.m_rows)
        EXPECT_TRUE(row.m_strSourcePath != strChanged && row.m_strTargetPath != strChanged);
}

}  // namespace
