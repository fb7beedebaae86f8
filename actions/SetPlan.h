// Acting on every extra copy of each duplicate set of a results file at once, as scripts do:
// which member of each set stays, and the plan for the others.
#pragma once

#include <string>
#include <vector>

#include "DeletePlan.h"
#include "ResultRow.h"

enum EKeepChoice {
    KEEP_CHOICE_NEWEST,         // the latest modification time (ties: path bytes)
    KEEP_CHOICE_OLDEST,         // the earliest
    KEEP_CHOICE_FIRST,          // the first of the set in row order
    KEEP_CHOICE_SHORTEST_PATH,  // the fewest path bytes (ties: path bytes)
    KEEP_CHOICE_IN_FOLDER,      // one under strFolder (the first in row order): else none goes
};

struct CKeepChoice {
    EKeepChoice nChoice = KEEP_CHOICE_NEWEST;
    std::string strFolder;  // KEEP_CHOICE_IN_FOLDER: files anywhere below it
};

struct CSetPlan {
    // Every member of each set but the one that stays and the reference files, each with the
    // member that stays, as PlanDelete gives it (files gone or changed since are left out).
    CDeletePlan plan;
    std::size_t nSets = 0;
    std::size_t nSetsLeftAlone = 0;  // KEEP_CHOICE_IN_FOLDER found no member in the folder
};

// The sets are the rows' chains; a file's time and reference mark are the first row's.
CSetPlan PlanSetActions(const std::vector<CResultRow>& rows, const CKeepChoice& keep);
