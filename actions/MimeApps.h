// Which application the desktop opens a file type with, read from the freedesktop association
// files (mimeapps.list) and the installed desktop files, as xdg-open's helpers do.
//
// Asked before a file is handed to the desktop, because a launcher reports success as soon as
// it started, whether or not it found an application.
#pragma once

#include <string>
#include <vector>

// Where the association and desktop files live.
struct CXdgDirs {
    std::string strConfigHome;             // $XDG_CONFIG_HOME or ~/.config
    std::vector<std::string> configDirs;   // $XDG_CONFIG_DIRS or /etc/xdg
    std::string strDataHome;               // $XDG_DATA_HOME or ~/.local/share
    std::vector<std::string> dataDirs;     // $XDG_DATA_DIRS or /usr/local/share:/usr/share
    std::vector<std::string> desktops;     // $XDG_CURRENT_DESKTOP, lower case

    static CXdgDirs FromEnvironment();
};

// The desktop file id (e.g. "org.gnome.TextEditor.desktop") of the application that opens
// files of the first type in mimeTypes that has one; list a type before its ancestors.
// For each type in turn: its [Default Applications] entries, then [Added Associations], then
// the installed applications that declare it (MimeType=), less [Removed Associations].
// An entry counts only when its desktop file is installed, not Hidden, and its TryExec
// program exists. "" when no type has an application.
std::string FindDefaultApplication(const std::vector<std::string>& mimeTypes,
                                   const CXdgDirs& dirs);
