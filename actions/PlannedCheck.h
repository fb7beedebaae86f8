// The byte check that every change to planned files starts with, shared by removing and linking.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CopyCheck.h"
#include "CopyOutcome.h"
#include "DeletePlan.h"
#include "Removal.h"

// A file the check found to be a copy of strAgainst, with both as the check saw them.
struct CCheckedCopy {
    std::string strPath;
    std::string strAgainst;
    CFileStamp stamp, stampAgainst;
};

// Compares every planned file with the copy that stays; the files that may change come back in
// plan order, the others in kept. False when the user cancelled: nothing may change then.
bool CheckPlannedFiles(const CDeletePlan& plan, IDeleteProgress& progress,
                       std::vector<CCheckedCopy>& copies, std::vector<CKeptFile>& kept);

// Both files still as the check read them.
bool StillAsChecked(const CCheckedCopy& copy);

// Checks the plan's files, then, in plan order until done or the user stops, calls fnAct for
// each copy while both files are still as the check read them; the others join kept as
// changed. fnExpect, when given, first updates what the copy that stays should look like now.
// False when the user stopped the check: nothing was acted on.
bool ActOnCheckedCopies(const CDeletePlan& plan, bool bToTrash, IDeleteProgress& progress,
                        std::vector<CKeptFile>& kept,
                        const std::function<void(const CCheckedCopy&)>& fnAct,
                        const std::function<void(CCheckedCopy&)>& fnExpect = {});
