#include "WizardServices.h"

#include <QDesktopServices>
#include <QUrl>

#include "DirDialog.h"

CWizardServices DesktopWizardServices() {
    CWizardServices services;
    services.fnBrowseFolder = BrowseFolderWithDialog;
    services.fnOpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return services;
}
