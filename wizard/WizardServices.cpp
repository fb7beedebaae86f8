#include "WizardServices.h"

#include <QDesktopServices>
#include <QUrl>

CWizardServices DesktopWizardServices() {
    CWizardServices services;
    services.fnBrowseFolder = BrowseFolderWithDialog;
    services.fnOpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return services;
}
