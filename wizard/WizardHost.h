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

// How a search that reached the matching phase ended, handed to the main window.
struct CSearchOutcome {
    CSearchSettings settings;  // the snapshot the search ran with
    bool bCancelled = false;   // the user confirmed Cancel; the counts below mean nothing then
    int nMatches = 0;          // pairs found, reflected ones included
    int nFiles = 0;            // files collected
    std::vector<CUnreadableFile> unreadable;
    std::string strCacheProblem;  // the search ran without its checksum cache, and why
};

class IWizardHost {
public:
    virtual ~IWizardHost() = default;
    virtual QWidget* GetHostWindow() = 0;
    // Status-bar message pane, by string id. User-interface thread only.
    virtual void SetMessageText(int nStringId) = 0;
    // Receives the result rows; safe to call from a worker thread (rows reach the view in
    // batches on the user-interface thread).
    virtual IResultSink& GetResultSink() = 0;
    virtual IPrompt& GetPrompt() = 0;
    // At the end of every match, finished or cancelled; the title is the host's business.
    virtual void OnSearchEnded(const CSearchOutcome& outcome) = 0;

    // The pages of the running wizard; meaningful only while it runs.
    CPage1Dlg* m_pPage1 = nullptr;
    CPage2Dlg* m_pPage2 = nullptr;
    CPage3Dlg* m_pPage3 = nullptr;
};
