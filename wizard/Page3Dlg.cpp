#include "Page3Dlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "Prompt.h"
#include "SearchPhase.h"
#include "ResultRow.h"
#include "ThreadHandoff.h"
#include "Title.h"
#include "WizardArt.h"
#include "WizardHost.h"

FCollectFiles g_fnCollectFiles = CollectFilesProc;
FMatchFiles g_fnMatchFiles = MatchFilesProc;

namespace {

// A completion event carries the number of the run that posted it, so that the event of a
// worker that was stopped and waited for cannot be taken for one of a later run.
class CWorkerDoneEvent : public QEvent {
public:
    CWorkerDoneEvent(int nType, unsigned nRun) : QEvent(QEvent::Type(nType)), m_nRun(nRun) {}
    unsigned m_nRun;
};

// The bar's range is an int; beyond this many steps the bar is scaled.
constexpr std::int64_t kMaxProgressSteps = 1'000'000;

QLabel* NewLabel(const QString& strText, QWidget* pParent) {
    auto* pLabel = new QLabel(strText, pParent);
    pLabel->setWordWrap(true);
    return pLabel;
}

}  // namespace

CPage3Dlg::CPage3Dlg(IWizardHost& host, QWidget* pParent)
    : CWizardPage(host, QStringLiteral("Search Duplicates Wizard - Step 3 of 3"), pParent) {
    setPixmap(QWizard::WatermarkPixmap, DrawSidePicture(ESidePicture::Progress));

    m_ctlCollectStatus =
        NewLabel(QStringLiteral("Files collection in progress - Found 0 file(s)."), this);
    m_ctlProgress = new QProgressBar(this);
    m_ctlProgress->setTextVisible(false);
    m_ctlProgress->setRange(0, 1);
    m_ctlProgress->setValue(0);
    m_ctlMatchStatus = NewLabel(QStringLiteral("Matches found: 0 file(s)."), this);

    const int nIndent = fontMetrics().averageCharWidth() * 2;
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(NewLabel(QStringLiteral("Please wait while Twinex..."), this));
    pLayout->addSpacing(nIndent / 2);
    pLayout->addWidget(NewLabel(QStringLiteral("- Collects files from selected folders:"), this));
    auto* pCollect = new QVBoxLayout;
    pCollect->setContentsMargins(nIndent, 0, 0, 0);
    pCollect->addWidget(m_ctlCollectStatus);
    pLayout->addLayout(pCollect);
    pLayout->addWidget(NewLabel(QStringLiteral("- Searches for duplicate files:"), this));
    auto* pMatch = new QVBoxLayout;
    pMatch->setContentsMargins(nIndent, 0, 0, 0);
    pMatch->addWidget(m_ctlProgress);
    pMatch->addWidget(m_ctlMatchStatus);
    pLayout->addLayout(pMatch);
    pLayout->addStretch(1);
    pLayout->addWidget(NewLabel(
        QStringLiteral("The above operations may take a few minutes depending on the number and "
                       "size of files and folders you have chosen."),
        this));
    pLayout->addWidget(
        NewLabel(QStringLiteral("It will also depend on the speed of the storage device."), this));
    pLayout->addWidget(NewLabel(QStringLiteral("If you have selected files from a network place, "
                                               "it will also depend on the network traffic."),
                                this));

    m_timer.setInterval(PROGRESS_TIMER_MS);
    connect(&m_timer, &QTimer::timeout, this, &CPage3Dlg::OnTimer);
}

CPage3Dlg::~CPage3Dlg() {
    AbortAndWait();
    // The workers' last status texts travel as queued calls to this page and die with it.
    if (m_bStatusTouched) m_host.SetMessageText(PhaseStringId(ESearchPhase::Ready));
}

void CPage3Dlg::OnSetActive() {
    SetWizardButtons(PSWIZB_DISABLEDFINISH);
    JoinWorker();
    m_state.ResetFlags();
    m_state.m_nProgressPos = 0;
    m_ctlProgress->setValue(m_ctlProgress->minimum());
    m_ctlMatchStatus->setText(QStringLiteral("Matches found: 0 file(s)."));

    const int bFolderListChanged = g_bFolderListChanged;
    if (bFolderListChanged) ForgetFiles();
    m_settings = CSearchSettings();
    if (m_host.m_pPage1) m_settings.rows = m_host.m_pPage1->GetFolderRows();
    m_bCollectRuns = bFolderListChanged != 0;

    m_bSearching = true;
    StartWorker([this, bFolderListChanged] {
        CCollectCallbacks callbacks;
        callbacks.onPhase = [this](ESearchPhase nPhase) { PostStatus(PhaseStringId(nPhase)); };
        const unsigned nRun = m_nRun;
        callbacks.postCollectDone = [this, nRun] {
            HandoffPost(this, [this, nRun] {
                QCoreApplication::postEvent(this, new CWorkerDoneEvent(kCollectDoneEvent, nRun));
            });
        };
        g_fnCollectFiles(m_settings.rows, bFolderListChanged, m_state, callbacks);
    });
    m_timer.start();
}

bool CPage3Dlg::OnQueryCancel() {
    IPrompt& prompt = m_host.GetPrompt();
    if (m_bSearching) {
        if (prompt.AskYesNo(QStringLiteral("Cancel search.\nAre you sure?"),
                            QStringLiteral("Searching"), IPrompt::ICON_QUESTION)) {
            m_state.m_bCancelled = 1;
            m_state.m_bAbort = 1;
        }
        return false;  // the worker stops early and reports through its completion event
    }
    return QueryQuitWizard(prompt);
}

bool CPage3Dlg::validatePage() {
    return !m_bSearching;
}

void CPage3Dlg::cleanupPage() {
    AbortAndWait();
}

void CPage3Dlg::AbortAndWait() {
    if (m_worker.joinable()) {
        m_state.m_bCancelled = 1;
        m_state.m_bAbort = 1;
    }
    JoinWorker();
    m_timer.stop();
    if (m_bSearching) {
        m_bSearching = false;
        // A collection cut short is never matched later.
        if (m_bCollectRuns && m_state.m_bAbort) ForgetFiles();
    }
}

bool CPage3Dlg::event(QEvent* pEvent) {
    const int nType = pEvent->type();
    if (nType == kCollectDoneEvent || nType == kMatchDoneEvent) {
        HandoffReceive(this);
        // Only the event of the current run counts; a stopped run's event is dropped.
        if (static_cast<CWorkerDoneEvent*>(pEvent)->m_nRun == m_nRun && m_bSearching) {
            if (nType == kCollectDoneEvent)
                OnCollectDone();
            else
                OnMatchDone();
        }
        return true;
    }
    return CWizardPage::event(pEvent);
}

void CPage3Dlg::OnTimer() {
    if (m_state.m_bCollecting) {
        m_ctlCollectStatus->setText(
            QStringLiteral("Files collection in progress - Found %1 file(s).")
                .arg(m_state.m_files.GetSize()));
    }
    if (m_state.m_bMatching) {
        const std::int64_t nPos = m_state.m_nProgressPos;
        const std::int64_t nMax = m_state.m_nProgressMax;
        ShowProgress(nPos, nMax);
        const QString strFound =
            QStringLiteral("Matches found: %1 file(s).").arg(m_state.m_nMatches.load());
        m_ctlMatchStatus->setText(
            nPos == nMax ? strFound + QStringLiteral(" Displaying results... Please wait.")
                         : strFound);
    }
}

void CPage3Dlg::OnCollectDone() {
    JoinWorker();
    m_timer.stop();
    // A partial collection is never kept. One that was skipped is the complete earlier
    // collection: it stays, since the folder flag (still 0) says to match it again.
    if (m_state.m_bAbort && m_bCollectRuns) ForgetFiles();
    if (m_state.m_bCancelled) {
        m_bSearching = false;
        SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
        m_ctlCollectStatus->setText(QStringLiteral("Search aborted."));
        return;
    }
    m_ctlCollectStatus->setText(
        QStringLiteral("Done - Found %1 file(s).").arg(m_state.m_files.GetSize()));
    m_state.m_matches.clear();
    m_state.m_nMatches = 0;

    if (m_host.m_pPage2) {
        m_settings.m_nCriterion = m_host.m_pPage2->m_nCriterion;
        m_settings.m_bReflect = m_host.m_pPage2->m_bReflect;
        m_settings.m_strPartial = m_host.m_pPage2->GetPartialText();
    }
    IResultSink& sink = m_host.GetResultSink();
    StartWorker([this, &sink] {
        CMatchCallbacks callbacks;
        callbacks.onPhase = [this](ESearchPhase nPhase) { PostStatus(PhaseStringId(nPhase)); };
        const unsigned nRun = m_nRun;
        callbacks.postMatchDone = [this, nRun] {
            HandoffPost(this, [this, nRun] {
                QCoreApplication::postEvent(this, new CWorkerDoneEvent(kMatchDoneEvent, nRun));
            });
        };
        g_fnMatchFiles(m_settings, m_state, sink, callbacks);
    });
    m_timer.start();
}

void CPage3Dlg::OnMatchDone() {
    JoinWorker();
    m_timer.stop();
    m_bSearching = false;
    const std::int64_t nMax = m_state.m_nProgressMax;
    if (m_state.m_bCancelled) {
        m_ctlMatchStatus->setText(QStringLiteral("Match aborted."));
        ShowProgress(0, nMax);
    } else {
        const int nMatches = int(m_state.m_matches.size());
        const int nFiles = int(m_state.m_files.GetSize());
        m_ctlMatchStatus->setText(QStringLiteral("Match done. Found: %1 file(s).").arg(nMatches));
        ShowProgress(m_state.m_nProgressPos, nMax);
        g_nCollectedFiles = nFiles;
        // Both counts, also when nothing matched: "Matched 0 in 120 file(s)" is the news.
        if (QWidget* pWindow = m_host.GetHostWindow())
            pWindow->setWindowTitle(FormatTitle(nMatches, nFiles));
        g_bFolderListChanged = 0;
        m_host.SetUnreadableFiles(m_state.m_unreadable);
    }
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
}

void CPage3Dlg::StartWorker(std::function<void()> fnWork) {
    JoinWorker();
    ++m_nRun;
    m_bStatusTouched = true;
    m_worker = std::thread(std::move(fnWork));
}

void CPage3Dlg::JoinWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void CPage3Dlg::PostStatus(int nStringId) {
    HandoffPost(this, [this, nStringId] {
        QMetaObject::invokeMethod(
            this,
            [this, nStringId] {
                HandoffReceive(this);
                m_host.SetMessageText(nStringId);
            },
            Qt::QueuedConnection);
    });
}

void CPage3Dlg::ShowProgress(std::int64_t nPos, std::int64_t nMax) {
    if (nMax <= 0) {
        m_ctlProgress->setRange(0, 1);
        m_ctlProgress->setValue(0);
        return;
    }
    nPos = std::clamp<std::int64_t>(nPos, 0, nMax);
    const std::int64_t nSteps = std::min(nMax, kMaxProgressSteps);
    m_ctlProgress->setRange(0, int(nSteps));
    m_ctlProgress->setValue(nMax == nSteps ? int(nPos) : int(double(nPos) / double(nMax) * nSteps));
}

void CPage3Dlg::ForgetFiles() {
    m_state.m_matches.clear();  // the pairs point into m_files
    m_state.m_nMatches = 0;
    m_state.m_files.RemoveAll();
}
