// The main window: menu, accelerators, status bar and title around the result view.
#pragma once

#include <QMainWindow>

#include "Prompt.h"
#include "WizardHost.h"

class QLabel;
class QStatusBar;
class QTimer;
class CCommandSet;
class CTwinexDoc;
class CTwinexView;

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
    // The title after the rows changed: with the row count and g_nCollectedFiles while rows are
    // left, the base title when none is.
    void UpdateTitle() override;
    IResultSink& GetResultSink() override;
    IPrompt& GetPrompt() override { return *m_pPrompt; }

    // Questions go to pPrompt from now on (tests answer them); null restores the message boxes.
    void SetPrompt(IPrompt* pPrompt);
    CTwinexView* GetActiveView() const { return m_pView; }
    CTwinexDoc* GetDocument() const { return m_pDoc; }
    // The action of a command id (menu items and accelerators share it).
    QAction* GetCommandAction(int nCommandId) const;
    QString GetMessagePaneText() const;
    // The text of indicator pane ID_INDICATOR_CAPS, _NUM or _SCRL ("" while its lock is off).
    QString GetIndicatorText(int nIndicatorId) const;
    // Lights the indicator panes from EKeyboardLock bits.
    void UpdateIndicators(unsigned nLocks);

public slots:
    // Every command of the menus and accelerators comes here and goes to its handler.
    void OnCommand(int nCommandId);

    void OnViewGridLines();
    void OnViewStatusBar();
    void OnSearchClearResults();
    void OnSearchDuplicates();
    void OnEditSelectAll();
    void OnEditDelete();
    void OnEditShiftDelete();
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
    CTwinexView* m_pView;
    CTwinexDoc* m_pDoc;
    CMessageBoxPrompt m_messageBoxPrompt;
    IPrompt* m_pPrompt;
    QTimer* m_pLockTimer = nullptr;
    bool m_bInitialUpdateDone = false;
};
