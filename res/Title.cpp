#include "Title.h"

#include "ResTables.h"

QString FormatInitialTitle() { return LoadPrompt(IDR_MAINFRAME); }

QString FormatTitle(int nMatched, int nFiles) {
    const QString strBase = LoadResString(IDS_TITLE_BASE);
    if (nMatched == kTitleNoCounts) return strBase;
    return strBase +
           QString::asprintf(qPrintable(LoadResString(IDS_TITLE_MATCHED)), nMatched, nFiles);
}
