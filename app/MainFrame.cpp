#include "MainFrame.h"

#include "HashCache.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <iterator>

#include "AboutDlg.h"
#include "Commands.h"
#include "KeyboardLocks.h"
#include "LinkActions.h"
#include "ResTables.h"
#include "ResultActions.h"
#include "ResultModel.h"
#include "RowActions.h"
#include "SearchState.h"
#include "SearchWizard.h"
#include "SetsPanel.h"
#include "SetsView.h"
#include "SpacePane.h"
#include "Title.h"
#include "TwinexView.h"
#include "UndoDelete.h"

namespace {

struct CCommandHandler {
    int nCommandId;
    void (CMainFrame::*pHandler)();
};

// The frame's command table.
constexpr CCommandHandler g_handlers[] = {
    {ID_VIEW_GRIDLINES, &CMainFrame::OnViewGridLines},
    {ID_SEARCH_CLEARRESULTS, &CMainFrame::OnSearchClearResults},
    {ID_SEARCH_UNREADABLE, &CMainFrame::OnSearchUnreadable},
    {ID_SEARCH_DUPLICATES, &CMainFrame::OnSearchDuplicates},
    {ID_EDIT_SELECTALL, &CMainFrame::OnEditSelectAll},
    {ID_EDIT_DELETE, &CMainFrame::OnEditDelete},
    {ID_EDIT_SHIFTDELETE, &CMainFrame::OnEditShiftDelete},
    {ID_EDIT_LINKHARD, &CMainFrame::OnEditLinkHard},
    {ID_EDIT_LINKCLONE, &CMainFrame::OnEditLinkClone},
    {ID_EDIT_SELECTNEWEST, &CMainFrame::OnEditSelectNewest},
    {ID_EDIT_SELECTOLDEST, &CMainFrame::OnEditSelectOldest},
    {ID_EDIT_SELECTFOLDER, &CMainFrame::OnEditSelectFolder},
    {ID_EDIT_INVERTSELECTION, &CMainFrame::OnEditInvertSelection},
    {ID_EDIT_UNDODELETE, &CMainFrame::OnEditUndoDelete},
    {ID_FILE_OPENRESULTS, &CMainFrame::OnFileOpenResults},
    {ID_FILE_SAVERESULTS, &CMainFrame::OnFileSaveResults},
    {ID_FILE_CLEARCACHE, &CMainFrame::OnFileClearCache},
    {ID_APP_ABOUT, &CMainFrame::OnAppAbout},
    {ID_APP_EXIT, &CMainFrame::OnAppExit},
    {ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar},
    {ID_VIEW_DUPLICATESETS, &CMainFrame::OnViewDuplicateSets},
};

constexpr int g_indicatorIds[3] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
constexpr unsigned g_indicatorLocks[3] = {LOCK_CAPS, LOCK_NUM, LOCK_SCROLL};
constexpr int LOCK_POLL_MS = 250;

}  // namespace

CMainFrame::CMainFrame(CTwinexDoc* pDoc, QWidget* pParent)
    : QMainWindow(pParent),
      m_wndStatusBar(new QStatusBar(this)),
      m_pMessagePane(new QLabel(this)),
      m_pCommands(new CCommandSet(this)),
      m_desktop(this),
      m_pView(new CTwinexView(m_desktop.Services(), this)),
      m_pResultArea(new QStackedWidget(this)),
      m_pSetsPanel(new CSetsPanel(m_pView, m_pResultArea)),
      m_pSpacePane(new CSpacePane(m_pSetsPanel->GetView()->GetModel(), m_pView->GetModel(), this)),
      m_sink(m_pView->GetModel()),
      m_pDoc(pDoc),
      m_messageBoxPrompt(this),
      m_pPrompt(&m_messageBoxPrompt) {
    g_nCollectedFiles = 0;
    m_pView->Services().pPrompt = m_pPrompt;
    setWindowTitle(FormatInitialTitle());
    m_pResultArea->addWidget(m_pView);
    m_pResultArea->addWidget(m_pSetsPanel);
    setCentralWidget(m_pResultArea);
    // Opening a row's file and the context menu: the view's own, made here so that the view
    // does not depend on its actions.
    new CViewActions(m_pView);
    connect(m_pView, &CTwinexView::FilesDeleted, this, &CMainFrame::OnFilesDeleted);
    connect(m_pView, &CTwinexView::FilesLinked, this, &CMainFrame::OnFilesLinked);

    m_pCommands->BuildMenuBar(menuBar(), IDR_MAINFRAME);
    m_pCommands->BindAccelerators(IDR_MAINFRAME, this);
    GetCommandAction(ID_VIEW_GRIDLINES)->setCheckable(true);
    GetCommandAction(ID_VIEW_STATUS_BAR)->setCheckable(true);
    GetCommandAction(ID_VIEW_DUPLICATESETS)->setCheckable(true);
    connect(m_pCommands, &CCommandSet::Command, this, &CMainFrame::OnCommand);
    for (QMenu* pMenu : menuBar()->findChildren<QMenu*>())
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::OnUpdateCommandUI);
    // Ctrl+Z must follow a delete made from the context menu as well.
    connect(&DeleteJournalOf(*m_pView->GetModel()), &CDeleteJournal::Changed, this,
            &CMainFrame::OnUpdateCommandUI);
    connect(m_pView->GetModel(), &CResultModel::FillStarted, this, &CMainFrame::OnFillStarted);

    m_wndStatusBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    m_wndStatusBar->addWidget(m_pMessagePane, 1);
    // Beside the messages, not in their place: menu prompts and search states keep the pane.
    m_wndStatusBar->addPermanentWidget(m_pSpacePane);
    for (int i = 0; i < 3; ++i) {
        auto* pPane = new QLabel(this);
        const QString strText = LoadResString(g_indicatorIds[i]);
        pPane->setMinimumWidth(pPane->fontMetrics().horizontalAdvance(strText) + 12);
        pPane->setAlignment(Qt::AlignCenter);
        pPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_pIndicators[i] = pPane;
        m_wndStatusBar->addPermanentWidget(pPane);
    }
    setStatusBar(m_wndStatusBar);
    SetMessageText(AFX_IDS_IDLEMESSAGE);

    // Lock state only where the platform reports it; elsewhere the panes stay blank.
    if (const auto locks = ReadKeyboardLocks()) {
        UpdateIndicators(*locks);
        m_pLockTimer = new QTimer(this);
        connect(m_pLockTimer, &QTimer::timeout, this, [this] {
            if (const auto now = ReadKeyboardLocks()) UpdateIndicators(*now);
        });
        m_pLockTimer->start(LOCK_POLL_MS);
    }
    OnUpdateCommandUI();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::SetMessageText(int nStringId) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, nStringId] { SetMessageText(nStringId); },
                                  Qt::QueuedConnection);
        return;
    }
    m_pMessagePane->setText(LoadPrompt(nStringId));
}

IResultSink& CMainFrame::GetResultSink() { return m_sink; }

void CMainFrame::SetPrompt(IPrompt* pPrompt) {
    m_pPrompt = pPrompt ? pPrompt : &m_messageBoxPrompt;
    m_pView->Services().pPrompt = m_pPrompt;
}

QAction* CMainFrame::GetCommandAction(int nCommandId) const {
    return m_pCommands->GetAction(nCommandId);
}

QString CMainFrame::GetMessagePaneText() const { return m_pMessagePane->text(); }

QString CMainFrame::GetIndicatorText(int nIndicatorId) const {
    for (int i = 0; i < 3; ++i)
        if (g_indicatorIds[i] == nIndicatorId) return m_pIndicators[i]->text();
    return QString();
}

void CMainFrame::UpdateIndicators(unsigned nLocks) {
    for (int i = 0; i < 3; ++i)
        m_pIndicators[i]->setText((nLocks & g_indicatorLocks[i]) ? LoadResString(g_indicatorIds[i])
                                                                 : QString());
}

void CMainFrame::OnCommand(int nCommandId) {
    for (const CCommandHandler& h : g_handlers) {
        if (h.nCommandId == nCommandId) {
            (this->*h.pHandler)();
            break;
        }
    }
    OnUpdateCommandUI();
}

void CMainFrame::OnUpdateCommandUI() {
    GetCommandAction(ID_VIEW_GRIDLINES)->setChecked(m_pView->GetGridLines());
    GetCommandAction(ID_VIEW_STATUS_BAR)->setChecked(!m_wndStatusBar->isHidden());
    GetCommandAction(ID_VIEW_DUPLICATESETS)->setChecked(IsShowingSets());
    GetCommandAction(ID_EDIT_UNDODELETE)->setEnabled(DeleteJournalOf(*m_pView->GetModel()).CanUndo());
}

void CMainFrame::OnViewGridLines() { m_pView->SetGridLines(!m_pView->GetGridLines()); }

void CMainFrame::OnViewStatusBar() { m_wndStatusBar->setVisible(m_wndStatusBar->isHidden()); }

bool CMainFrame::IsShowingSets() const { return m_pResultArea->currentWidget() == m_pSetsPanel; }

QString CMainFrame::GetSpacePaneText() const { return m_pSpacePane->text(); }

void CMainFrame::OnViewDuplicateSets() {
    // The list keeps its rows, sort and scroll position while the sets are shown.
    QWidget* pShow = IsShowingSets() ? static_cast<QWidget*>(m_pView) : m_pSetsPanel;
    m_pResultArea->setCurrentWidget(pShow);
    pShow->setFocus();
}

void CMainFrame::OnSearchClearResults() {
    if (!m_pPrompt->AskYesNo(LoadResString(IDS_CLEAR_RESULTS_TEXT),
                             LoadResString(IDS_CLEAR_RESULTS_CAPTION), IPrompt::ICON_WARNING))
        return;
    m_pView->GetModel()->Clear();
    ShowTitle(kTitleNoCounts, 0);
}

void CMainFrame::OnFileClearCache() {
    if (!m_pPrompt->AskYesNo(LoadResString(IDS_CLEAR_CACHE_TEXT),
                             LoadResString(IDS_CLEAR_CACHE_CAPTION), IPrompt::ICON_QUESTION))
        return;
    std::string strProblem;
    if (!CHashCache::Remove(CHashCache::DefaultPath(), strProblem))
        m_pPrompt->Tell(LoadResString(IDS_CLEAR_CACHE_FAILED).arg(QString::fromStdString(strProblem)),
                        LoadResString(IDS_CLEAR_CACHE_CAPTION), IPrompt::ICON_WARNING);
}

void CMainFrame::OnEditSelectAll() { SelectAllItems(*m_pView); }

void CMainFrame::OnEditDelete() {
    OnFilesDeleted(DeleteSelectedFiles(*m_pView, !m_pView->Services().fnIsShiftDown()));
}

void CMainFrame::OnEditShiftDelete() { OnFilesDeleted(DeleteSelectedFiles(*m_pView, false)); }

void CMainFrame::OnFilesDeleted(const CDeleteOutcome& outcome) {
    if (outcome.bRowsSwept) UpdateTitle();
}

void CMainFrame::OnEditLinkHard() { OnFilesLinked(LinkSelectedFiles(*m_pView, LINK_HARD)); }

void CMainFrame::OnEditLinkClone() { OnFilesLinked(LinkSelectedFiles(*m_pView, LINK_CLONE)); }

void CMainFrame::OnFilesLinked(const CLinkRowsOutcome& outcome) {
    const QString strDone = LinkDoneText(outcome);
    if (!strDone.isEmpty()) SetMessagePaneText(strDone);
}

void CMainFrame::OnAppAbout() {
    // The application shows it; a frame without one (tests) shows it itself.
    QObject* pApp = QCoreApplication::instance();
    if (pApp && pApp->metaObject()->indexOfMethod("OnAppAbout()") >= 0) {
        QMetaObject::invokeMethod(pApp, "OnAppAbout");
        return;
    }
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::OnAppExit() { close(); }

void CMainFrame::showEvent(QShowEvent* pEvent) {
    QMainWindow::showEvent(pEvent);
    if (!m_bInitialUpdateDone) {
        m_bInitialUpdateDone = true;
        m_pView->OnInitialUpdate();
    }
}
