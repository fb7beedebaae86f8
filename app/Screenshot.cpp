#include "Screenshot.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

#include "ActionScreenshots.h"
#include "AboutDlg.h"
#include "MainFrame.h"
#include "Page1Dlg.h"
#include "ResultModel.h"
#include "SearchPhase.h"
#include "SearchRun.h"
#include "SearchWizard.h"
#include "SetsModel.h"
#include "SetsPanel.h"
#include "SetsView.h"
#include "WizardSheet.h"
#include "TwinexView.h"

namespace {

// Time for the rows to arrive and the window to paint before the grab.
constexpr int SETTLE_MS = 400;

// Runs a whole search and waits for it; the rows reach the view through its sink when the
// event loop runs, and the frame takes the outcome as it takes the wizard's.
void RunSearch(CMainFrame& frame, const QStringList& folders) {
    CSearchSettings settings;
    for (const QString& strFolder : folders) {
        CFolderRow row;
        row.strFolder = QFile::encodeName(strFolder).toStdString();
        if (row.strFolder.empty() || row.strFolder.back() != '/') row.strFolder += '/';
        settings.rows.push_back(row);
    }
    CSearchEvents events;
    events.onPhase = [&frame](ESearchPhase nPhase) { frame.SetMessageText(PhaseStringId(nPhase)); };
    CSearchRun search(events);
    search.StartCollect(settings, true);
    search.StartMatch(frame.GetResultSink());
    search.Wait();

    CSearchOutcome outcome;
    outcome.settings = settings;
    outcome.nMatches = static_cast<int>(search.m_state.m_matches.size());
    outcome.nFiles = static_cast<int>(search.m_state.m_files.GetSize());
    outcome.unreadable = search.m_state.m_unreadable;
    g_nCollectedFiles = outcome.nFiles;
    frame.OnSearchEnded(outcome);
}

// The widget to grab for each state, after the state is set up. Later states (wizard pages,
// questions, menus) add their entries here.
using FScreenshotState = std::function<QWidget*(CMainFrame&, const CScreenshotOptions&)>;

const std::map<QString, FScreenshotState>& States() {
    static const std::map<QString, FScreenshotState> states = {
        {QStringLiteral("main"),
         [](CMainFrame& frame, const CScreenshotOptions&) -> QWidget* { return &frame; }},
        // Sorted by the source folder, a few rows selected.
        {QStringLiteral("sorted"),
         [](CMainFrame& frame, const CScreenshotOptions&) -> QWidget* {
             CTwinexView* pView = frame.GetActiveView();
             pView->OnColumnClick(COL_SOURCE_FOLDER);
             for (int nRow : {1, 2, 4}) pView->GetModel()->SetSelected(nRow, true);
             pView->setFocus();
             return &frame;
         }},
        // The duplicate sets in place of the list, the second file of the first sets checked.
        {QStringLiteral("sets"),
         [](CMainFrame& frame, const CScreenshotOptions&) -> QWidget* {
             frame.OnViewDuplicateSets();
             CSetsModel* pSets = frame.GetSetsPanel()->GetView()->GetModel();
             pSets->EnsureBuilt();
             for (int nSet = 0; nSet < std::min(pSets->rowCount(), 2); ++nSet)
                 pSets->setData(pSets->index(1, 0, pSets->index(nSet, 0)), Qt::Checked,
                                Qt::CheckStateRole);
             return &frame;
         }},
        // The About box, shown without its modal loop so that it can be grabbed.
        {QStringLiteral("about"),
         [](CMainFrame& frame, const CScreenshotOptions&) -> QWidget* {
             auto* pDlg = new CAboutDlg(&frame);
             pDlg->setAttribute(Qt::WA_DeleteOnClose);
             pDlg->show();
             return pDlg;
         }},
        // The wizard on each of its pages, the search folders listed; on the last page the
        // search has run.
        {QStringLiteral("wizard1"),
         [](CMainFrame& frame, const CScreenshotOptions& options) -> QWidget* {
             return OpenSearchWizardAt(frame, DesktopWizardServices(), 1, options.folders);
         }},
        // The folder page with the last folder added as a reference folder; the box stays
        // ticked for the next drop.
        {QStringLiteral("reference"),
         [](CMainFrame& frame, const CScreenshotOptions& options) -> QWidget* {
             CWizardSheet* pSheet = OpenSearchWizardAt(frame, DesktopWizardServices(), 1, {});
             CPage1Dlg& page1 = *frame.m_pPage1;
             for (const QString& strFolder : options.folders) {
                 const QDir dir(strFolder);
                 const QStringList subs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
                 for (int i = 0; i < subs.size(); ++i) {
                     page1.m_btnReference->setChecked(i + 1 == subs.size());
                     page1.AddFolder(QFile::encodeName(dir.filePath(subs[i])));
                 }
             }
             return pSheet;
         }},
        {QStringLiteral("wizard2"),
         [](CMainFrame& frame, const CScreenshotOptions& options) -> QWidget* {
             return OpenSearchWizardAt(frame, DesktopWizardServices(), 2, options.folders);
         }},
        {QStringLiteral("wizard3"),
         [](CMainFrame& frame, const CScreenshotOptions& options) -> QWidget* {
             return OpenSearchWizardAt(frame, DesktopWizardServices(), 3, options.folders);
         }},
        // The delete question for a few selected rows (never answered), and the context menu.
        {QStringLiteral("delete"),
         [](CMainFrame& frame, const CScreenshotOptions&) { return ShowDeleteQuestion(frame); }},
        {QStringLiteral("link"),
         [](CMainFrame& frame, const CScreenshotOptions&) { return ShowLinkQuestion(frame); }},
        {QStringLiteral("menu"),
         [](CMainFrame& frame, const CScreenshotOptions&) { return ShowContextMenu(frame); }},
    };
    return states;
}

}  // namespace

std::optional<CScreenshotOptions> ParseScreenshotOptions(const QStringList& args) {
    CScreenshotOptions options;
    bool bAny = false;
    for (int i = 1; i + 1 < args.size(); ++i) {
        const QString& strArg = args[i];
        if (strArg == QLatin1String("--screenshot")) {
            options.strOutput = args[++i];
            bAny = true;
        } else if (strArg == QLatin1String("--screenshot-search")) {
            options.folders.append(args[++i]);
        } else if (strArg == QLatin1String("--screenshot-state")) {
            options.strState = args[++i];
        }
    }
    if (!bAny) return std::nullopt;
    return options;
}

bool StartScreenshot(CMainFrame& frame, const CScreenshotOptions& options) {
    const auto it = States().find(options.strState);
    if (it == States().end()) {
        std::fprintf(stderr, "twinex: unknown screenshot state '%s'\n",
                     qPrintable(options.strState));
        return false;
    }
    if (!options.folders.isEmpty()) RunSearch(frame, options.folders);

    const FScreenshotState fnState = it->second;
    const QString strOutput = options.strOutput;
    QTimer::singleShot(0, &frame, [&frame, fnState, strOutput, options] {
        QWidget* pTarget = fnState(frame, options);
        QTimer::singleShot(SETTLE_MS, &frame, [pTarget, strOutput] {
            const bool bSaved = pTarget && pTarget->grab().save(strOutput, "PNG");
            if (!bSaved) std::fprintf(stderr, "twinex: cannot save %s\n", qPrintable(strOutput));
            QCoreApplication::exit(bSaved ? 0 : 1);
        });
    });
    return true;
}
