#include "SearchRun.h"

#include <utility>

CSearchRun::CSearchRun(CSearchEvents events, CSearchProcs procs)
    : m_events(std::move(events)), m_procs(std::move(procs)) {}

CSearchRun::~CSearchRun() {
    if (m_worker.joinable()) RequestStop();
    Wait();
}

void CSearchRun::StartCollect(CSearchSettings settings, bool bCollect) {
    Wait();
    m_state.ResetFlags();
    if (bCollect) ForgetFiles();
    m_settings = std::move(settings);
    const unsigned nRun = m_nRun + 1;
    // The worker gets its own copy of the rows: the snapshot may be replaced by the next start.
    Start([this, rows = m_settings.rows, bCollect, nRun] {
        CCollectCallbacks callbacks;
        callbacks.onPhase = m_events.onPhase;
        callbacks.postCollectDone = [this, nRun] {
            if (m_events.onCollectDone) m_events.onCollectDone(nRun);
        };
        m_procs.fnCollect(rows, bCollect ? 1 : 0, m_state, callbacks);
    });
}

void CSearchRun::StartMatch(IResultSink& sink) {
    Wait();
    m_state.m_matches.clear();
    m_state.m_nMatches = 0;
    const unsigned nRun = m_nRun + 1;
    Start([this, settings = m_settings, &sink, nRun] {
        CMatchCallbacks callbacks;
        callbacks.onPhase = m_events.onPhase;
        callbacks.postMatchDone = [this, nRun] {
            if (m_events.onMatchDone) m_events.onMatchDone(nRun);
        };
        m_procs.fnMatch(settings, m_state, sink, callbacks);
    });
}

void CSearchRun::RequestStop() {
    m_state.m_bAbort = 1;
}

void CSearchRun::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

void CSearchRun::ForgetFiles() {
    m_state.m_matches.clear();
    m_state.m_nMatches = 0;
    m_state.m_files.RemoveAll();
}

void CSearchRun::Start(std::function<void()> fnWork) {
    ++m_nRun;
    m_worker = std::thread(std::move(fnWork));
}
