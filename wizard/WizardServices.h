// The desktop and the engine as the wizard uses them. Whoever creates the wizard hands them
// in: the main window the real ones, tests their stand-ins.
#pragma once

#include <QString>
#include <functional>

#include "DirDialog.h"
#include "SearchRun.h"

class QUrl;
class QWidget;

// Opens a URL in the desktop's default handler; false when nothing could.
using FOpenUrl = std::function<bool(const QUrl& url)>;

struct CWizardServices {
    FBrowseFolder fnBrowseFolder;  // empty: Browse Folder adds nothing
    FOpenUrl fnOpenUrl;            // empty: File Manager does nothing
    CSearchProcs procs;
};

// The file dialog, the desktop's URL handler and the engine's workers.
CWizardServices DesktopWizardServices();
