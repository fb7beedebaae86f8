// The main window's commands beyond the search: selection helpers, results files, Undo Delete.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "MainFrame.h"
#include "PathText.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "ResultsIO.h"
#include "SearchState.h"
#include "SelectionHelpers.h"
#include "SetsPanel.h"
#include "SetsView.h"
#include "TwinexView.h"
#include "UndoDelete.h"

namespace {

QString UndoFailureReason(int nError) {
    if (nError == EEXIST) return LoadResString(IDS_UNDO_OCCUPIED);
    if (nError == ENOENT) return LoadResString(IDS_UNDO_NOT_IN_TRASH);
    return QString::fromLocal8Bit(std::strerror(nError));
}

}  // namespace

void CMainFrame::SetMessagePaneText(const QString& strText) {
    m_pMessagePane->setText(strText);
}

void CMainFrame::SetResultsPathAsker(std::function<QString(bool bSave)> fnAsk) {
    m_fnAskResultsPath = std::move(fnAsk);
}

// --- Selection helpers ---

void CMainFrame::OnEditSelectNewest() {
    SelectExtraCopies(*m_pView->GetModel(), KEEP_NEWEST);
}

void CMainFrame::OnEditSelectOldest() {
    SelectExtraCopies(*m_pView->GetModel(), KEEP_OLDEST);
}

void CMainFrame::OnEditSelectFolder() {
    // From the menu bar there is no row under the pointer: the current row (or file) stands
    // for it.
    const int nRow = IsShowingSets() ? m_pSetsPanel->GetView()->GetCurrentFileRow()
                                     : m_pView->currentIndex().row();
    SelectRowsInFolder(*m_pView->GetModel(), nRow);
}

void CMainFrame::OnEditInvertSelection() {
    InvertSelection(*m_pView->GetModel());
}

// --- Results files ---

bool CMainFrame::OpenResultsFile(const std::string& strPath) {
    const CResultsOpened opened = ::OpenResultsFile(*m_pView->GetModel(), strPath);
    const QString strName = DisplayName(strPath);
    if (opened.error.nStatus != RESULTS_OK) {
        m_pPrompt->Tell(DescribeResultsError(opened.error, strName),
                        LoadResString(IDS_OPEN_RESULTS_CAPTION), IPrompt::ICON_ERROR);
        return false;
    }
    m_resultsInfo = opened.info;
    g_nCollectedFiles = static_cast<int>(std::min<std::uint64_t>(opened.info.nFiles, INT_MAX));
    UpdateTitle();
    QString strMessage =
        LoadResString(IDS_RESULTS_OPENED).arg(QString::number(opened.nRows), strName);
    if (opened.nLeftOut)
        strMessage += QLatin1Char(' ') +
                      LoadResString(IDS_RESULTS_LEFT_OUT).arg(QString::number(opened.nLeftOut));
    SetMessagePaneText(strMessage);
    return true;
}

bool CMainFrame::SaveResultsFile(const QString& strPath) {
    CResultsInfo info = m_resultsInfo;
    info.nFiles = static_cast<std::uint64_t>(std::max(g_nCollectedFiles, 0));
    const QString strError = ::SaveResultsFile(*m_pView->GetModel(), strPath, info);
    const QString strName = QFileInfo(strPath).fileName();
    if (!strError.isEmpty()) {
        m_pPrompt->Tell(LoadResString(IDS_RESULTS_SAVE_FAILED).arg(strName, strError),
                        LoadResString(IDS_SAVE_RESULTS_CAPTION), IPrompt::ICON_ERROR);
        return false;
    }
    SetMessagePaneText(LoadResString(IDS_RESULTS_SAVED)
                           .arg(QString::number(m_pView->GetModel()->GetRowCount()), strName));
    return true;
}

void CMainFrame::OnFileOpenResults() {
    const QString strPath = m_fnAskResultsPath ? m_fnAskResultsPath(false)
                                               : QFileDialog::getOpenFileName(
                                                     this, LoadResString(IDS_OPEN_RESULTS_CAPTION),
                                                     QString(), LoadResString(IDS_RESULTS_FILTER));
    if (!strPath.isEmpty()) OpenResultsFile(QFile::encodeName(strPath).toStdString());
}

void CMainFrame::OnFileSaveResults() {
    const QString strPath = m_fnAskResultsPath ? m_fnAskResultsPath(true)
                                               : QFileDialog::getSaveFileName(
                                                     this, LoadResString(IDS_SAVE_RESULTS_CAPTION),
                                                     QString(), LoadResString(IDS_RESULTS_FILTER));
    if (!strPath.isEmpty()) SaveResultsFile(strPath);
}

// --- Undo Delete ---

void CMainFrame::OnEditUndoDelete() {
    CResultModel& model = *m_pView->GetModel();
    CDeleteJournal& journal = DeleteJournalOf(model);
    if (!journal.CanUndo()) return;
    const CDeleteJournal::COutcome outcome = journal.Undo(model, *m_pView->Services().pTrash);
    if (outcome.nRowsBack) {
        UpdateTitle();
        m_pView->scrollTo(model.index(model.GetRowCount() - 1, 0));
    }
    SetMessagePaneText(LoadResString(IDS_UNDO_DONE).arg(QString::number(outcome.nRestored)));
    if (outcome.failures.empty()) return;

    const QString strText =
        LoadResString(IDS_UNDO_NOT_RESTORED).arg(QString::number(outcome.failures.size())) +
        QLatin1Char('\n') +
        ListedFiles(outcome.failures, [](const auto& failure) { return UndoFailureReason(failure.nError); });
    m_pPrompt->Tell(strText, LoadResString(IDS_UNDO_CAPTION), IPrompt::ICON_WARNING);
}

// --- Files the last search could not read ---

void CMainFrame::OnSearchUnreadable() {
    if (m_unreadable.empty()) {
        m_pPrompt->Tell(LoadResString(IDS_UNREADABLE_NONE), LoadResString(IDS_UNREADABLE_CAPTION),
                        IPrompt::ICON_INFORMATION);
        return;
    }
    const QString strText =
        LoadResString(IDS_UNREADABLE_LIST).arg(m_unreadable.size()) + QLatin1Char('\n') +
        ListedFiles(m_unreadable, [](const CUnreadableFile& file) {
            return file.nErrno ? QString::fromLocal8Bit(std::strerror(file.nErrno))
                               : LoadResString(IDS_UNREADABLE_CHANGED);
        });
    m_pPrompt->Tell(strText, LoadResString(IDS_UNREADABLE_CAPTION), IPrompt::ICON_WARNING);
}
