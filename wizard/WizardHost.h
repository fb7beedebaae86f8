// What the search wizard needs of the main window that launches it.
#pragma once

#include <vector>

#include "SearchState.h"

class QWidget;
class IPrompt;
class IResultSink;
class CPage1Dlg;
class CPage2Dlg;
class CPage3Dlg;

class IWizardHost {
public:
    virtual ~IWizardHost() = default;
    virtual QWidget* GetHostWindow() = 0;
    // Status-bar message pane, by string id. User-interface thread only.
    virtual void SetMessageText(int nStringId) = 0;
    // Re-forms the window title from the current result rows and g_nCollectedFiles.
    virtual void UpdateTitle() = 0;
    // Receives the result rows; safe to call from a worker thread (rows reach the view in
    // batches on the user-interface thread).
    virtual IResultSink& GetResultSink() = 0;
    virtual IPrompt& GetPrompt() = 0;
    // The files the search that just ended could not read (none: an empty list).
    virtual void SetUnreadableFiles(std::vector<CUnreadableFile> files) = 0;

    // The pages of the running wizard; meaningful only while it runs.
    CPage1Dlg* m_pPage1 = nullptr;
    CPage2Dlg* m_pPage2 = nullptr;
    CPage3Dlg* m_pPage3 = nullptr;
};
