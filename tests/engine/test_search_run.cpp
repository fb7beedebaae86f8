// The search object: each phase on a worker of its own, numbered reports, the snapshot handed
// to both workers, files kept when collection is skipped, and a destructor that stops and waits.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "SearchRun.h"
#include "TempTree.h"

namespace {

struct CNullSink : IResultSink {
    void Clear() override {}
    void Append(std::vector<CResultRow>&&) override {}
    void End() override {}
};

class SearchRunTest : public testing::Test {
protected:
    // Reports as "collect <run>" / "match <run>", flagged when made on the caller's thread.
    CSearchEvents Events() {
        auto note = [this](const char* psz, unsigned nRun) {
            std::lock_guard lock(m_mutex);
            m_reports.push_back(psz + std::to_string(nRun) +
                                (std::this_thread::get_id() == m_mainThread ? " on the caller's thread" : ""));
        };
        return {{}, [note](unsigned n) { note("collect ", n); }, [note](unsigned n) { note("match ", n); }};
    }

    std::mutex m_mutex;
    std::vector<std::string> m_reports;
    const std::thread::id m_mainThread = std::this_thread::get_id();
    CNullSink m_sink;
};

TEST_F(SearchRunTest, PhasesRunOnWorkersWithTheSnapshotAndASkippedCollectionKeepsTheFiles) {
    std::vector<int> collectFlags;
    CSearchSettings matchedWith;
    CSearchProcs procs;
    procs.fnCollect = [&](const std::vector<CFolderRow>& rows, int bChanged, CSearchState& state,
                          const CCollectCallbacks& callbacks) {
        collectFlags.push_back(bChanged);
        CollectFilesProc(rows, bChanged, state, callbacks);
    };
    procs.fnMatch = [&](const CSearchSettings& settings, CSearchState& state, IResultSink&,
                        const CMatchCallbacks& callbacks) {
        matchedWith = settings;
        state.m_matches.push_back({&state.m_files[0], &state.m_files[0]});
        callbacks.postMatchDone();
    };
    CTempTree tree;
    tree.Add("x/a", "1");
    tree.Add("y/b", "22");
    CSearchRun search(Events(), procs);
    CSearchSettings settings;
    settings.rows = {CFolderRow{tree.Path("x/")}, CFolderRow{tree.Path("y/")}};
    settings.m_nCriterion = MATCH_CONTENTS;
    settings.m_strPartial = "7";
    // Collected, matched; matched again without collecting: the files stay, and the new match
    // starts with no pair; collected anew: emptied first.
    for (int nStep = 0; nStep < 3; ++nStep) {
        search.StartCollect(settings, nStep != 1);
        search.Wait();
        EXPECT_EQ(search.m_state.m_files.GetSize(), 2u);
        if (nStep == 2) break;
        search.StartMatch(m_sink);
        search.Wait();
        EXPECT_EQ(search.m_state.m_matches.size(), 1u);
    }
    EXPECT_EQ(matchedWith.rows.size(), 2u);
    EXPECT_EQ(matchedWith.m_nCriterion, MATCH_CONTENTS);
    EXPECT_EQ(matchedWith.m_strPartial, "7");
    EXPECT_EQ(collectFlags, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(m_reports, (std::vector<std::string>{"collect 1", "match 2", "collect 3", "match 4", "collect 5"}));
}

TEST_F(SearchRunTest, DestroyingItStopsARunningWorkerAndWaitsForIt) {
    std::atomic<int> bSawStop{0}, bEnded{0};
    CSearchProcs procs;
    procs.fnMatch = [&](const CSearchSettings&, CSearchState& state, IResultSink&,
                        const CMatchCallbacks& callbacks) {
        // Long enough that only a stop request ends it within the test's time.
        const auto tEnd = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!state.m_bAbort.load() && std::chrono::steady_clock::now() < tEnd)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        bSawStop = state.m_bAbort.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // still busy after the stop
        bEnded = 1;
        callbacks.postMatchDone();
    };
    {
        CSearchRun search(Events(), procs);
        search.StartMatch(m_sink);
        EXPECT_FALSE(search.IsStopRequested());
    }
    EXPECT_EQ(bSawStop + bEnded, 2);
    EXPECT_EQ(m_reports, std::vector<std::string>{"match 1"});

    // The next start clears the stop request.
    CSearchRun search(Events(), procs);
    search.RequestStop();
    search.StartCollect({}, false);
    search.Wait();
    EXPECT_FALSE(search.IsStopRequested());
}

}  // namespace
