#include <QTimer>

#include "CommandLine.h"
#include "MainFrame.h"
#include "MatchSets.h"
#include "Screenshot.h"
#include "TwinexApp.h"

int main(int argc, char** argv) {
    RaiseOpenFileLimit();  // the matcher keeps many files and folders open
    CTwinexApp app(argc, argv);
    if (!app.InitInstance()) return 1;
    // Once the window shows, so that a message about the file has a window to stand over.
    if (const auto strFile = FindResultsFileArgument(argc, argv)) {
        CMainFrame* pFrame = app.GetMainFrame();
        QTimer::singleShot(0, pFrame, [pFrame, strPath = *strFile] { pFrame->OpenResultsFile(strPath); });
    }
    if (const auto options = ParseScreenshotOptions(CTwinexApp::arguments())) {
        if (!StartScreenshot(*app.GetMainFrame(), *options)) return 2;
    }
    return CTwinexApp::exec();
}
