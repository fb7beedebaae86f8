#include "MainFrame.h"
#include "Screenshot.h"
#include "TwinexApp.h"

int main(int argc, char** argv) {
    CTwinexApp app(argc, argv);
    if (!app.InitInstance()) return 1;
    if (const auto options = ParseScreenshotOptions(CTwinexApp::arguments())) {
        if (!StartScreenshot(*app.GetMainFrame(), *options)) return 2;
    }
    return CTwinexApp::exec();
}
