// The part of a delete after the user said Yes: every planned file is compared, byte for byte,
// with the copy that stays, and only those found identical and unchanged since are removed.
#pragma once

#include <string>
#include <vector>

#include "CopyCheck.h"
#include "CopyOutcome.h"
#include "DeletePlan.h"
#include "Removal.h"

struct CRemovalOutcome {
    // The user stopped the check: nothing was removed, and nothing else is filled in.
    bool bCancelled = false;
    // Gone from their places, in plan order; a file already gone counts: it is where the user
    // wanted it. trashedAs: for each, where it went in the Trash ("" for good, or not known).
    std::vector<std::string> deleted;
    std::vector<std::string> trashedAs;
    std::vector<CKeptFile> kept;  // check order, then those changed before their turn
    std::vector<CFailedFile> failed;
};

// Checks the plan's files against the copies that stay, then removes those that passed, in
// order, to the Trash when bToTrash, else for good, until done or the user stops the removal.
// Right before each removal both files must still be as the check read them.
// User-interface thread (progress is asked between files and between read buffers).
CRemovalOutcome RemoveCheckedCopies(const CDeletePlan& plan, bool bToTrash, IFileRemover& remover,
                                    ITrash& trash, IDeleteProgress& progress);
