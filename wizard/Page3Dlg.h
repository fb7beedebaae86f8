// Step 3: runs the search (collection, then matching, each on a worker thread), shows its
// progress and lets the user cancel it.
#pragma once

#include <QTimer>

#include "SearchRun.h"
#include "WizardSheet.h"

class QLabel;
class QProgressBar;

// Completion events the workers post to the progress page.
constexpr int kCollectDoneEvent = 1001;  // QEvent::User + 1
constexpr int kMatchDoneEvent = 1002;    // QEvent::User + 2

class CPage3Dlg : public CWizardPage {
    Q_OBJECT
public:
    // procs: the workers the search runs (the engine's unless a test hands in its own).
    explicit CPage3Dlg(IWizardHost& host, CSearchProcs procs = {}, QWidget* pParent = nullptr);
    // Stops and waits for a running worker: no worker outlives the page or its arrays.
    ~CPage3Dlg() override;

    void OnSetActive() override;
    bool OnQueryCancel() override;
    bool validatePage() override;  // Finish
    void cleanupPage() override;   // Back

    // True from the start of a search until its last completion event was handled.
    bool IsSearching() const { return m_bSearching; }
    // Asks a running worker to stop and waits for it, without a question.
    void AbortAndWait();
    const CSearchState& GetSearchState() const { return m_search.m_state; }

    QProgressBar* m_ctlProgress = nullptr;
    QLabel* m_ctlMatchStatus = nullptr;
    QLabel* m_ctlCollectStatus = nullptr;
    // The user confirmed Cancel during this search; chooses the completion texts.
    int m_bCancelled = 0;

protected:
    bool event(QEvent* pEvent) override;

private:
    CSearchEvents WorkerEvents();
    void OnTimer();
    void OnCollectDone();
    void OnMatchDone();
    // Forwards a worker's status-bar request to the user-interface thread.
    void PostStatus(int nStringId);
    void PostDone(int nEventType, unsigned nRun);
    void ShowBar(const struct CBarPosition& bar);

    QTimer m_timer;
    CSearchRun m_search;
    bool m_bSearching = false;
    bool m_bCollectRuns = false;  // this search collects anew (it does not reuse the files)
    bool m_bStatusTouched = false;
};
