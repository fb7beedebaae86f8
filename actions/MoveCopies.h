// Moving checked copies out of the way, into another folder, instead of removing them: nothing
// is lost, and the folders searched hold one copy of each set.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CopyOutcome.h"
#include "DeletePlan.h"
#include "Removal.h"

// Moves strFrom to strTo, creating strTo's folders, never over anything that is there (EEXIST).
// Across file systems the bytes are copied under a temporary name beside strTo, made durable,
// put in place, and only then is strFrom removed. 0 or an errno value; on failure strFrom stays.
int MoveFileNoReplace(const std::string& strFrom, const std::string& strTo);

struct CMoveOutcome {
    bool bCancelled = false;                  // the user stopped the check: nothing moved
    std::vector<std::string> moved, movedTo;  // in plan order
    std::vector<CKeptFile> kept;
    std::vector<CFailedFile> failed;
};

// Checks the plan's files against the copies that stay, byte for byte, then moves those that
// passed to fnDestination(path), in order, until done or the user stops. Both files must still
// be as the check read them right before each move.
CMoveOutcome MoveCheckedCopies(const CDeletePlan& plan,
                               const std::function<std::string(const std::string&)>& fnDestination,
                               IDeleteProgress& progress);
