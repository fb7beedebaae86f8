// The progress page over stand-in workers: the bar's scale of files moved by the bytes read,
// the snapshot the workers get, and a cancel in the middle of a long file.
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <thread>
#include <tuple>

#include "ProgressBarScale.h"
#include "WizardFixture.h"

namespace {

TEST(ProgressBarScale, FilesMoveTheBarAndBytesMoveItInsideTheFilesLeft) {
    constexpr std::uint64_t kHuge = ~std::uint64_t(0);
    struct CCase {
        std::int64_t nPos, nMax;
        std::uint64_t nDone, nTotal;
        CBarPosition expected;
    } cases[] = {
        {4, 10, 0, 100, {10, 4}},          // files passed, their bytes not counted
        {0, 2, 50, 100, {2, 1}},           // half of one large pair read
        {4, 10, 50, 100, {10, 7}},         // half the bytes: half of the files left
        {10, 10, 100, 100, {10, 10}},      // done
        {3, 10, 150, 100, {10, 10}},       // more than all counts as all
        {3, 10, 40, 0, {10, 3}},           // no bytes to read: files alone
        {12, 10, 0, 0, {10, 10}},          // a position beyond the end stays at the end
        {0, 2, kHuge / 2, kHuge, {2, 1}},  // a total near the limit of its type
        {0, 0, 0, 0, {1, 0}},              // nothing to match: an empty bar
        {1'000'000, 4'000'000, 0, 0, {int(kMaxProgressSteps), 250'000}},
        {4'000'000, 4'000'000, 0, 0, {int(kMaxProgressSteps), int(kMaxProgressSteps)}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.nPos << "/" << c.nMax << " " << c.nDone << "/" << c.nTotal);
        EXPECT_EQ(ScaleProgressBar(c.nPos, c.nMax, c.nDone, c.nTotal), c.expected);
    }
}

using ProgressPage = CWizardTest;

// A matcher that stands in the middle of a large pair: half of its bytes read, until stopped.
TEST_F(ProgressPage, TheBarMovesWithTheBytesReadAndACancelStopsTheWorkerWithTheSnapshotItGot) {
    CSearchSettings seen;
    m_services.procs.fnCollect = [&](const std::vector<CFolderRow>&, int bChanged, CSearchState&,
                                     const CCollectCallbacks& callbacks) {
        EXPECT_EQ(bChanged, 1);
        callbacks.postCollectDone();
    };
    m_services.procs.fnMatch = [&](const CSearchSettings& settings, CSearchState& state,
                                   IResultSink&, const CMatchCallbacks& callbacks) {
        seen = settings;
        state.m_nProgressMax = 2;
        state.m_nBytesTotal = 2 << 20;
        state.m_nBytesDone = 1 << 20;
        state.m_bMatching = 1;
        while (!state.m_bAbort.load()) std::this_thread::yield();
        state.m_bMatching = 0;
        callbacks.postMatchDone();
    };
    OpenWizard();
    const std::string strFolder = m_tree.AddDir("a");
    Page1().m_btnReference->click();
    DropPaths({strFolder});
    Click(QWizard::NextButton);
    Page2().m_radioCriterion[MATCH_CHECKSUM]->click();
    Page2().m_editPartial->setText("12");
    Page2().m_spinMinSize->setValue(3);
    Click(QWizard::NextButton);

    QProgressBar& bar = *Page3().m_ctlProgress;
    ASSERT_TRUE(WaitFor([&] { return bar.maximum() == 2 && bar.value() == 1; }));
    // What the pages showed was handed to the workers before they started.
    ASSERT_EQ(seen.rows.size(), 1u);
    EXPECT_EQ(seen.rows[0].strFolder, strFolder);
    EXPECT_TRUE(seen.rows[0].bReference);
    EXPECT_EQ(seen.m_nMinSize, 3u * 1024);
    EXPECT_TRUE(seen.m_bUseCache) << "the cache box is ticked unless the user clears it";
    EXPECT_EQ(std::tie(seen.m_nCriterion, seen.m_strPartial, seen.m_bReflect),
              std::make_tuple(int(MATCH_CHECKSUM), std::string("12"), 1));

    m_host.Answer({false});
    Click(QWizard::CancelButton);
    EXPECT_EQ(m_host.LastAsked(), "Searching: Cancel search.\nAre you sure?");
    EXPECT_TRUE(Page3().IsSearching());
    EXPECT_EQ(Page3().GetSearchState().m_bAbort.load(), 0) << "stopped though the answer was No";
    m_host.Answer({true});
    Click(QWizard::CancelButton);
    ASSERT_TRUE(WaitSearchEnd());
    EXPECT_EQ(Page3().m_ctlMatchStatus->text(), "Match aborted.");
    EXPECT_EQ(bar.value(), 0);
    ASSERT_EQ(m_host.m_outcomes.size(), 1u);
    EXPECT_TRUE(m_host.m_outcomes[0].bCancelled);
    EXPECT_EQ(g_bFolderListChanged, 1);
}

}  // namespace
