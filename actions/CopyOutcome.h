// What became of a planned file that was not removed, linked or moved.
#pragma once

#include <string>

#include "CopyCheck.h"

// A planned file that stays, and why: the check's verdict (CHECK_CHANGED also for a file, or
// its copy, that changed between the check and its removal).
struct CKeptFile {
    std::string strPath;
    ECheckVerdict nVerdict = CHECK_CHANGED;
    int nErrno = 0;
    std::string strAgainst;  // the copy it was compared with
};

// A file whose removal, link or move failed.
struct CFailedFile {
    std::string strPath;
    int nErrno = 0;  // as the remover, the Trash or the file system gave it
};
