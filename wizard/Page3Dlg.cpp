#include "Page3Dlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QVBoxLayout>

#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "ProgressBarScale.h"
#include "Prompt.h"
#include "SearchPhase.h"
#include "ThreadHandoff.h"
#include "WizardArt.h"
#include "WizardHost.h"

namespace {

// A completion event carries the number of the run that posted it, so that the event of a
// worker that was stopped and waited for cannot be taken for one of a later run.
class CWorkerDoneEvent : public QEvent {
public:
    CWorkerDoneEvent(int nType, unsigned nRun) : QEvent(QEvent::Type(nType)), m_nRun(nRun) {}
    unsigned m_nRun;
};

QLabel* NewLabel(const QString& strText, QWidget* pParent) {
    auto* pLabel = new QLabel(strText, pParent);
    pLabel->setWordWrap(true);
    return pLabel;
}

}  // namespace

CPage3Dlg::CPage3Dlg(IWizardHost& host, CSearchProcs procs, QWidget* pParent)
    : CWizardPage(host, QStringLiteral("Search Duplicates Wizard - Step 3 of 3"), pParent),
      m_search(WorkerEvents(), std::move(procs)) {
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

CSearchEvents CPage3Dlg::WorkerEvents() {
    CSearchEvents events;
    events.onPhase = [this](ESearchPhase nPhase) { PostStatus(PhaseStringId(nPhase)); };
    events.onCollectDone = [this](unsigned nRun) { PostDone(kCollectDoneEvent, nRun); };
    events.onMatchDone = [this](unsigned nRun) { PostDone(kMatchDoneEvent, nRun); };
    return events;
}

void CPage3Dlg::OnSetActive() {
    SetWizardButtons(PSWIZB_DISABLEDFINISH);
    m_search.Wait();
    m_bCancelled = 0;
    m_ctlProgress->setValue(m_ctlProgress->minimum());
    m_ctlMatchStatus->setText(QStringLiteral("Matches found: 0 file(s)."));

    // Everything both workers need, taken now: the pages cannot change during the search.
    CSearchSettings settings;
    if (m_host.m_pPage1) settings.rows = m_host.m_pPage1->GetFolderRows();
    if (m_host.m_pPage2) {
        settings.m_nCriterion = m_host.m_pPage2->m_nCriterion;
        settings.m_bReflect = m_host.m_pPage2->m_bReflect;
        settings.m_strPartial = m_host.m_pPage2->GetPartialText();
        settings.m_nMinSize = m_host.m_pPage2->GetMinSizeBytes();
        settings.m_bUseCache = m_host.m_pPage2->GetUseCache();
    }
    m_bCollectRuns = g_bFolderListChanged != 0;
    m_bSearching = true;
    m_bStatusTouched = true;
    m_search.StartCollect(std::move(settings), m_bCollectRuns);
    m_timer.start();
}

bool CPage3Dlg::OnQueryCancel() {
    IPrompt& prompt = m_host.GetPrompt();
    if (m_bSearching) {
        if (prompt.AskYesNo(QStringLiteral("Cancel search.\nAre you sure?"),
                            QStringLiteral("Searching"), IPrompt::ICON_QUESTION)) {
            m_bCancelled = 1;
            m_search.RequestStop();
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
    if (m_search.IsStarted()) {
        m_bCancelled = 1;
        m_search.RequestStop();
    }
    m_search.Wait();
    m_timer.stop();
    if (m_bSearching) {
        m_bSearching = false;
        // A collection cut short is never matched later.
        if (m_bCollectRuns && m_search.IsStopRequested()) m_search.ForgetFiles();
    }
}

bool CPage3Dlg::event(QEvent* pEvent) {
    const int nType = pEvent->type();
    if (nType == kCollectDoneEvent || nType == kMatchDoneEvent) {
        HandoffReceive(this);
        // Only the event of the current run counts; a stopped run's event is dropped.
        if (static_cast<CWorkerDoneEvent*>(pEvent)->m_nRun == m_search.GetRun() && m_bSearching) {
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
    const CSearchState& state = m_search.m_state;
    if (state.m_bCollecting) {
        m_ctlCollectStatus->setText(
            QStringLiteral("Files collection in progress - Found %1 file(s).")
                .arg(state.m_files.GetSize()));
    }
    if (state.m_bMatching) {
        const std::int64_t nPos = state.m_nProgressPos;
        const std::int64_t nMax = state.m_nProgressMax;
        ShowBar(ScaleProgressBar(nPos, nMax, state.m_nBytesDone, state.m_nBytesTotal));
        const QString strFound =
            QStringLiteral("Matches found: %1 file(s).").arg(state.m_nMatches.load());
        m_ctlMatchStatus->setText(
            nPos == nMax ? strFound + QStringLiteral(" Displaying results... Please wait.")
                         : strFound);
    }
}

void CPage3Dlg::OnCollectDone() {
    m_search.Wait();
    m_timer.stop();
    // A partial collection is never kept. One that was skipped is the complete earlier
    // collection: it stays, since the folder flag (still 0) says to match it again.
    if (m_search.IsStopRequested() && m_bCollectRuns) m_search.ForgetFiles();
    if (m_bCancelled) {
        m_bSearching = false;
        SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
        m_ctlCollectStatus->setText(QStringLiteral("Search aborted."));
        return;
    }
    m_ctlCollectStatus->setText(
        QStringLiteral("Done - Found %1 file(s).").arg(m_search.m_state.m_files.GetSize()));
    m_search.StartMatch(m_host.GetResultSink());
    m_timer.start();
}

void CPage3Dlg::OnMatchDone() {
    m_search.Wait();
    m_timer.stop();
    m_bSearching = false;
    const CSearchState& state = m_search.m_state;
    CSearchOutcome outcome;
    outcome.settings = m_search.GetSettings();
    outcome.bCancelled = m_bCancelled != 0;
    if (m_bCancelled) {
        m_ctlMatchStatus->setText(QStringLiteral("Match aborted."));
        ShowBar(ScaleProgressBar(0, state.m_nProgressMax, 0, 0));
        m_host.OnSearchEnded(outcome);
    } else {
        outcome.nMatches = int(state.m_matches.size());
        outcome.nFiles = int(state.m_files.GetSize());
        outcome.unreadable = state.m_unreadable;
        outcome.strCacheProblem = state.m_strCacheProblem;
        m_ctlMatchStatus->setText(
            QStringLiteral("Match done. Found: %1 file(s).").arg(outcome.nMatches));
        ShowBar(ScaleProgressBar(state.m_nProgressPos, state.m_nProgressMax, state.m_nBytesDone,
                                 state.m_nBytesTotal));
        g_nCollectedFiles = outcome.nFiles;
        m_host.OnSearchEnded(outcome);  // the title, with both counts also when nothing matched
        g_bFolderListChanged = 0;
    }
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
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

void CPage3Dlg::PostDone(int nEventType, unsigned nRun) {
    HandoffPost(this, [this, nEventType, nRun] {
        QCoreApplication::postEvent(this, new CWorkerDoneEvent(nEventType, nRun));
    });
}

void CPage3Dlg::ShowBar(const CBarPosition& bar) {
    m_ctlProgress->setRange(0, bar.nMax);
    m_ctlProgress->setValue(bar.nPos);
}
