// Developer options that show the main window in a given state and save a picture of it:
//   --screenshot OUT.png          save the picture to OUT.png, then quit
//   --screenshot-search FOLDER    first fill the result list by searching FOLDER (repeatable)
//   --screenshot-state NAME       the state to show: "main" (the default) the main window,
//                                 "sorted" the same sorted by folder with rows selected,
//                                 "sets" the duplicate sets with files checked,
//                                 "about" the About box
// scripts/screenshot runs the program so under Xvfb.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class CMainFrame;

struct CScreenshotOptions {
    QString strOutput;
    QStringList folders;
    QString strState = QStringLiteral("main");
};

// The options, or nullopt when the arguments ask for no screenshot.
std::optional<CScreenshotOptions> ParseScreenshotOptions(const QStringList& args);

// Brings the window into the state, grabs it once the event loop has settled, saves the
// picture and quits the application (exit code 0 when saved). false: unknown state.
bool StartScreenshot(CMainFrame& frame, const CScreenshotOptions& options);
