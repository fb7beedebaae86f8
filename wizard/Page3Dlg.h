// Step 3: runs the search (collection, then matching, each on a worker thread), shows its
// progress and lets the user cancel it.
#pragma once

#include <QTimer>
#include <functional>
#include <thread>

#include "Collect.h"
#include "Match.h"
#include "SearchState.h"
#include "WizardSheet.h"

class QLabel;
class QProgressBar;

// Completion events posted by the workers to the progress page.
constexpr int kCollectDoneEvent = 1001;  // QEvent::User + 1
constexpr int kMatchDoneEvent = 1002;    // QEvent::User + 2

// The two worker procedures; tests may hand in their own.
using FCollectFiles = std::function<void(const std::vector<CFolderRow>&, int, CSearchState&,
                                         const CCollectCallbacks&)>;
using FMatchFiles = std::function<void(const CSearchSettings&, CSearchState&, IResultSink&,
                                       const CMatchCallbacks&)>;
extern FCollectFiles g_fnCollectFiles;
extern FMatchFiles g_fnMatchFiles;

class CPage3Dlg : public CWizardPage {
    Q_OBJECT
public:
    explicit CPage3Dlg(IWizardHost& host, QWidget* pParent = nullptr);
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

    QProgressBar* m_ctlProgress = nullptr;
    QLabel* m_ctlMatchStatus = nullptr;
    QLabel* m_ctlCollectStatus = nullptr;
    CSearchState m_state;

protected:
    bool event(QEvent* pEvent) override;

private:
    void OnTimer();
    void OnCollectDone();
    void OnMatchDone();
    void StartWorker(std::function<void()> fnWork);
    void JoinWorker();
    // Forwards a worker's status-bar request to the user-interface thread.
    void PostStatus(int nStringId);
    void ShowProgress(std::int64_t nPos, std::int64_t nMax);
    void ForgetFiles();

    QTimer m_timer;
    std::thread m_worker;
    CSearchSettings m_settings;  // snapshot the running worker reads
    unsigned m_nRun = 0;         // numbers the workers started, for their completion events
    bool m_bSearching = false;
    bool m_bCollectRuns = false;  // this search collects anew (it does not reuse the files)
    bool m_bStatusTouched = false;
};
