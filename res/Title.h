// The texts of the main window's title. The main window alone sets its title, from these.
#pragma once

#include <QString>

// "Twinex Version 1.0 RC1": the title the main window starts with.
QString FormatInitialTitle();

// No counts: the base title alone.
constexpr int kTitleNoCounts = -1;

// Every title the program sets: "Twinex 1.0 RC1", followed by " - Matched <nMatched> in
// <nFiles> file(s)" unless nMatched is kTitleNoCounts (0 matches are shown: "Matched 0" is news).
QString FormatTitle(int nMatched = kTitleNoCounts, int nFiles = 0);
