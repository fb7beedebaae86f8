#include "Title.h"

#include "ResTables.h"

QString FormatInitialTitle() { return LoadPrompt(IDR_MAINFRAME); }

QString FormatTitle() { return LoadResString(IDS_TITLE_BASE); }

QString FormatTitle(int nMatched, int nFiles) {
    return FormatTitle() + QString::asprintf(qPrintable(LoadResString(IDS_TITLE_MATCHED)),
                                             nMatched, nFiles);
}

QString FormatTitleForRows(int nRowsLeft, int nFiles) {
    return nRowsLeft > 0 ? FormatTitle(nRowsLeft, nFiles) : FormatTitle();
}
