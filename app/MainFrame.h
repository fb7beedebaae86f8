// The main window: menu, accelerators, status bar and title around the result view.
#pragma once

#include <QMainWindow>

#include <functional>
#include <string>

#include "DesktopServices.h"
#include "Prompt.h"
#include "ResultSink.h"
#include "ResultsFile.h"
#include "WizardHost.h"
#include "WizardServices.h"

class QLabel;
class QStackedWidget;
class QStatusBar;
class QTimer;
class CCommandSet;
class CSetsPanel;
class CSpacePane;
class CTwinexDoc;
class CTwinexView;
struct CDeleteOutcome;
struct CLinkRowsOutcome;

class CMainFrame : public QMainWindow, public IWizardHost {
    Q_OBJECT
public:
    explicit CMainFrame(CTwinexDoc* pDoc = nullptr, QWidget* pParent = nullptr);
    ~CMainFrame() override;

    // IWizardHost
    QWidget* GetHostWindow() override { return this; }
    // Shows string nStringId up to its first '\n' in the message pane. Safe from any thread:
    // a worker's call is carried out on the user-interface thread.
    void SetMessageText(int nStringId) override;
    IResultSink& GetResultSink() override;
    IPrompt& GetPrompt() override { return *m_pPrompt; }
    // A finished search sets the title with its counts and reports the files it could not
    // read; a cancelled one leaves both. Either way the rows it wrote learn their settings.
    void OnSearchEnded(const CSearchOutcome& outcome) override;

    // Says in the status bar how many there are; Search > Files Not Read lists them.
    void SetUnreadableFiles(std::vector<CUnreadableFile> files);

    // Questions go to pPrompt from now on (tests answer them); null restores the message boxes.
    void SetPrompt(IPrompt* pPrompt);
    CTwinexView* GetActiveView() const { return m_pView; }
    // The duplicate sets, shown in place of the list while View > Duplicate Sets is checked.
    CSetsPanel* GetSetsPanel() const { return m_pSetsPanel; }
    bool IsShowingSets() const;
    QString GetSpacePaneText() const;
    CTwinexDoc* GetDocument() const { return m_pDoc; }
    // The action of a command id (menu items and accelerators share it).
    QAction* GetCommandAction(int nCommandId) const;
    QString GetMessagePaneText() const;
    // The text of indicator pane ID_INDICATOR_CAPS, _NUM or _SCRL ("" while its lock is off).
    QString GetIndicatorText(int nIndicatorId) const;
    // Lights the indicator panes from EKeyboardLock bits.
    void UpdateIndicators(unsigned nLocks);
    // A text of its own in the message pane, until the next one.
    void SetMessagePaneText(const QString& strText);

    // Replaces the rows with those of a results file (exact path bytes) and says in the message
    // pane how many came and how many were left out. A file that is not sound results is
    // reported through the prompt and changes nothing. Returns whether rows were replaced.
    bool OpenResultsFile(const std::string& strPath);
    // Writes the rows to a results file; a failure is reported through the prompt.
    bool SaveResultsFile(const QString& strPath);
    // Open Results and Save Results As ask for the file through this (tests answer in place
    // of the file dialog); "" means cancelled. Null restores the dialogs.
    void SetResultsPathAsker(std::function<QString(bool bSave)> fnAsk);

public slots:
    // The title after the rows changed (a delete, Undo, a results file): with the row count and
    // g_nCollectedFiles while rows are left, the base title when none is.
    void UpdateTitle();
    // Every command of the menus and accelerators comes here and goes to its handler.
    void OnCommand(int nCommandId);

    void OnViewGridLines();
    void OnViewStatusBar();
    void OnViewDuplicateSets();
    void OnSearchClearResults();
    void OnSearchUnreadable();
    void OnSearchDuplicates();
    void OnEditSelectAll();
    void OnEditDelete();
    void OnEditShiftDelete();
    // After a delete from the menu, the keys or the context menu: the title follows the rows.
    void OnFilesDeleted(const CDeleteOutcome& outcome);
    void OnEditLinkHard();
    void OnEditLinkClone();
    // After a replacement with links from the menu or the context menu: says what was done.
    void OnFilesLinked(const CLinkRowsOutcome& outcome);
    void OnEditSelectNewest();
    void OnEditSelectOldest();
    void OnEditSelectFolder();
    void OnEditInvertSelection();
    void OnEditUndoDelete();
    void OnFileOpenResults();
    void OnFileSaveResults();
    void OnFileClearCache();
    void OnAppAbout();
    void OnAppExit();
    // Check marks: mirror the view's grid lines and the status bar's visibility.
    void OnUpdateCommandUI();

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    QStatusBar* m_wndStatusBar;
    QLabel* m_pMessagePane;
    QLabel* m_pIndicators[3];
    CCommandSet* m_pCommands;
    CDesktopServices m_desktop;  // what the view reaches the desktop through
    CTwinexView* m_pView;
    QStackedWidget* m_pResultArea;  // the list, or the sets in its place
    CSetsPanel* m_pSetsPanel;
    CSpacePane* m_pSpacePane;
    CResultSink m_sink;  // the search's rows, queued to the view's model
    CTwinexDoc* m_pDoc;
    CMessageBoxPrompt m_messageBoxPrompt;
    IPrompt* m_pPrompt;
    QTimer* m_pLockTimer = nullptr;
    bool m_bInitialUpdateDone = false;
    // The search behind the rows, for Save Results As: from the wizard or the file opened.
    CResultsInfo m_resultsInfo;
    std::vector<CUnreadableFile> m_unreadable;  // of the last search
    std::function<QString(bool bSave)> m_fnAskResultsPath;

    // The folder browser, file manager and search workers each wizard run gets.
    CWizardServices m_wizardServices = DesktopWizardServices();
    // A search started writing rows and has not yet said with which settings.
    bool m_bSearchRowsPending = false;

    void OnFillStarted();
    // The one place the title is formed: the base title, with the counts unless nMatched is
    // kTitleNoCounts.
    void ShowTitle(int nMatched, int nFiles);
};
