// The main window's title rule. Every place that sets the title uses these.
#pragma once

#include <QString>

// "Twinex Version 1.0 RC1": the title the main window starts with.
QString FormatInitialTitle();
// "Twinex 1.0 RC1": after Clear Results, and after a delete that left no row.
QString FormatTitle();
// "Twinex 1.0 RC1 - Matched <nMatched> in <nFiles> file(s)": after a finished search (also
// with 0 matches), and after a delete that left rows (nMatched = rows left).
QString FormatTitle(int nMatched, int nFiles);
// The title after rows were removed: with the counts while rows are left, the base title once
// none is.
QString FormatTitleForRows(int nRowsLeft, int nFiles);
