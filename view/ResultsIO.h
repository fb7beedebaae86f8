// The result list to and from a results file (the JSON that twinex-cli writes).
#pragma once

#include <QString>
#include <string>

#include "ResultsFile.h"

class CResultModel;

struct CResultsOpened {
    CResultsError error;  // nStatus other than RESULTS_OK: the list was not touched
    CResultsInfo info;    // what the file says about its search
    int nRows = 0;        // rows now in the list
    int nLeftOut = 0;     // rows whose source is gone, no longer a regular file, or resized
};

// Reads the file at strPath (exact bytes) and, when it is a sound results file, replaces the
// model's rows with its rows, in the file's order. Each source file is looked at once (lstat,
// no link followed): rows whose source is gone, is no longer a regular file or has another
// size than recorded are left out and counted.
CResultsOpened OpenResultsFile(CResultModel& model, const std::string& strPath);

// Writes the model's rows in their current order, with info's search settings and the number
// of files, to strPath. The file is replaced only once it is fully written. Only a new name or
// a regular file is written, a symbolic link only when it leads to a regular file (which is
// written, the link stays); anything else (a FIFO, a device, a folder) is refused and left as
// it was. Returns an empty text, or what went wrong.
QString SaveResultsFile(const CResultModel& model, const QString& strPath,
                        const CResultsInfo& info);

// Where a save to strPath may write: strPath itself when it is a new name or a regular file,
// the file a symbolic link leads to when that is a regular file. A save renames a new file
// over the old one, so anything else there (a FIFO, a device, a folder) would be replaced:
// such names give EINVAL. Other errors are those of the look at the name. Returns 0 or errno.
int ResolveSaveTarget(const std::string& strPath, std::string& strTarget);

// The message for a file that could not be opened: what is wrong with it, and that the list
// stayed as it was. strName: the file's name as shown.
QString DescribeResultsError(const CResultsError& error, const QString& strName);
