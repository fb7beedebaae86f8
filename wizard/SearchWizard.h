// The launcher of the Search Duplicates Wizard.
#pragma once

#include <QStringList>
#include <memory>

#include "WizardServices.h"

class IWizardHost;
class CWizardSheet;
class CHostCloseWatch;

// One wizard run: fresh pages, stored in the host's page pointers while the run lasts.
// Destroying it stops any search, waits for its worker, deletes the pages and clears the
// pointers. Tests show the sheet without a modal loop; RunSearchWizard runs it modally.
class CSearchWizard {
public:
    CSearchWizard(IWizardHost& host, const CWizardServices& services);
    ~CSearchWizard();
    CSearchWizard(const CSearchWizard&) = delete;
    CSearchWizard& operator=(const CSearchWizard&) = delete;

    CWizardSheet& GetSheet() const { return *m_pSheet; }
    int Exec();

private:
    IWizardHost& m_host;
    std::unique_ptr<CWizardSheet> m_pSheet;
    std::unique_ptr<CHostCloseWatch> m_pCloseWatch;
};

// Builds the wizard, runs it modally and returns when it closes. Does nothing while
// another wizard of this host runs.
void RunSearchWizard(IWizardHost& host, const CWizardServices& services);

// For the main window as it closes (the launcher also watches its close event): stops a running
// search, waits for its worker and closes the wizard without asking. Does nothing when no wizard
// runs.
void CloseSearchWizard(IWizardHost& host);

// For pictures of the wizard: opens a run without a modal loop on page nPage (1 to 3), the
// folders and their subfolders listed (the last with its own masks), having gone through
// the pages as a user would. The run ends when the application quits.
CWizardSheet* OpenSearchWizardAt(IWizardHost& host, const CWizardServices& services, int nPage,
                                 const QStringList& folders);
