// One search: the collection worker and then the matching worker, each on a thread of its own,
// the files and counters they share with whoever watches them, the one stop flag and the
// completion events. The owner starts each phase and hears its end through the events; the
// destructor stops a running worker and waits for it, so no worker outlives the arrays.
#pragma once

#include <functional>
#include <thread>
#include <vector>

#include "Collect.h"
#include "Match.h"
#include "SearchState.h"

using FCollectFiles = std::function<void(const std::vector<CFolderRow>&, int, CSearchState&,
                                         const CCollectCallbacks&)>;
using FMatchFiles = std::function<void(const CSearchSettings&, CSearchState&, IResultSink&,
                                       const CMatchCallbacks&)>;

// The worker procedures: the engine's in the program, stand-ins in tests.
struct CSearchProcs {
    FCollectFiles fnCollect = CollectFilesProc;
    FMatchFiles fnMatch = MatchFilesProc;
};

// Called on the worker's thread. nRun is the number of the worker that reports (GetRun() when
// it started), so that the owner can drop the late report of a worker it stopped.
struct CSearchEvents {
    std::function<void(ESearchPhase nPhase)> onPhase;
    std::function<void(unsigned nRun)> onCollectDone;  // once per StartCollect
    std::function<void(unsigned nRun)> onMatchDone;    // once per StartMatch
};

class CSearchRun {
public:
    explicit CSearchRun(CSearchEvents events = {}, CSearchProcs procs = {});
    ~CSearchRun();
    CSearchRun(const CSearchRun&) = delete;
    CSearchRun& operator=(const CSearchRun&) = delete;

    // Waits for an earlier worker, clears the flags and counters, keeps the snapshot for both
    // phases and starts collecting its rows into m_state.m_files, emptied first. With
    // bCollect false nothing is collected: the files of the earlier collection stay to be
    // matched again, and only the completion event comes.
    void StartCollect(CSearchSettings settings, bool bCollect);
    // Waits for the collection worker and starts matching the collected files with the
    // snapshot; the pairs go to m_state.m_matches (emptied first), the rows to sink, which
    // must outlive the worker.
    void StartMatch(IResultSink& sink);
    // Asks the running worker to stop and returns at once; the worker still reports its end.
    void RequestStop();
    bool IsStopRequested() const { return m_state.m_bAbort.load() != 0; }
    // Waits until no worker runs.
    void Wait();
    // True from a start until Wait, also when the worker has already ended.
    bool IsStarted() const { return m_worker.joinable(); }
    unsigned GetRun() const { return m_nRun; }
    const CSearchSettings& GetSettings() const { return m_settings; }
    // Empties the files and the pairs, which point into them. Not while a worker runs.
    void ForgetFiles();

    // Written by the running worker; the owner reads the counters and sizes at any time and
    // the elements only after the completion event.
    CSearchState m_state;

private:
    void Start(std::function<void()> fnWork);

    CSearchEvents m_events;
    CSearchProcs m_procs;
    CSearchSettings m_settings;
    std::thread m_worker;
    unsigned m_nRun = 0;
};
