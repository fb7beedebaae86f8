// The main window's side of a search: launching the wizard, taking its outcome, the title.
#include <QLabel>

#include "Criterion.h"
#include "MainFrame.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "SearchWizard.h"
#include "Title.h"
#include "TwinexView.h"

namespace {

CResultsInfo ResultsInfoOf(const CSearchSettings& settings, bool bComplete) {
    CResultsInfo info;
    info.strCriterion = CriterionName(settings.m_nCriterion);
    info.nPartialKb = settings.GetPartialBytes() / 1024;
    info.bReflect = settings.m_bReflect != 0;
    info.bComplete = bComplete;
    info.folders = SearchedFolders(settings.rows);
    return info;
}

}  // namespace

void CMainFrame::OnSearchDuplicates() { RunSearchWizard(*this, m_wizardServices); }

void CMainFrame::OnFillStarted() {
    m_resultsInfo = CResultsInfo();
    m_bSearchRowsPending = true;
}

void CMainFrame::OnSearchEnded(const CSearchOutcome& outcome) {
    // Rows written before a cancel are kept, and saved as what they are: incomplete.
    if (m_bSearchRowsPending) {
        m_bSearchRowsPending = false;
        m_resultsInfo = ResultsInfoOf(outcome.settings, !outcome.bCancelled);
    }
    if (outcome.bCancelled) return;
    // Said once, and files that could not be read matter more.
    if (!outcome.strCacheProblem.empty())
        m_pMessagePane->setText(
            LoadResString(IDS_CACHE_PROBLEM).arg(QString::fromStdString(outcome.strCacheProblem)));
    SetUnreadableFiles(outcome.unreadable);
    ShowTitle(outcome.nMatches, outcome.nFiles);
}

void CMainFrame::SetUnreadableFiles(std::vector<CUnreadableFile> files) {
    m_unreadable = std::move(files);
    if (!m_unreadable.empty())
        m_pMessagePane->setText(LoadResString(IDS_UNREADABLE_STATUS).arg(m_unreadable.size()));
}

void CMainFrame::UpdateTitle() {
    const int nRows = m_pView->GetModel()->GetRowCount();
    ShowTitle(nRows > 0 ? nRows : kTitleNoCounts, g_nCollectedFiles);
}

void CMainFrame::ShowTitle(int nMatched, int nFiles) {
    setWindowTitle(FormatTitle(nMatched, nFiles));
}
