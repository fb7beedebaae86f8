// Which files a delete of selected result rows may remove without losing the last copy of any
// contents. No Qt: the rows come in as plain views of the model's exact path bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One result row as the planning sees it. The views must stay valid while PlanDelete runs.
struct CPlanRow {
    std::string_view strSource;
    std::string_view strTarget;
    std::uint64_t nSize = 0;  // recorded by the search, the same for source and target
    std::int64_t tSource = 0;
    std::int64_t tTarget = 0;
    bool bSelected = false;
    // The file lies under a reference folder: it is never removed, and it stays for the others.
    bool bSourceReference = false;
    bool bTargetReference = false;
};

struct CDeletePlan {
    // The files to delete: selected rows' sources, in row order, each once.
    std::vector<std::string> paths;
    // For each of paths, the member of its duplicate set that stays.
    std::vector<std::string> stays;
    std::vector<std::uint64_t> sizes;  // and the size the search recorded
    // Selected sources that stay because every copy of their contents would go otherwise.
    std::vector<std::string> kept;
    int nKeptLastCopy = 0;    // of kept: the selection held every copy
    int nKeptCopiesGone = 0;  // of kept: the copies outside the selection are gone or changed
    // Selected sources no longer as the search found them (size, time or kind): they may not
    // be copies any more, so they stay.
    int nChanged = 0;
    // Selected sources under a reference folder: they always stay.
    int nReference = 0;
};

// Plans the delete of the selected rows' sources. The rows' (source, target) pairs link files
// into duplicate sets. A file is deleted only while another member of its set stays that is
// still a regular file with the recorded size and time and is not the same file under another
// name; where none would, one selected file of the set is kept: one that is the target of an
// unselected row, else the first in row order. Selected sources already gone are left out.
// A file that any row marks as a reference file is never planned; it counts as unselected.
// The plan trusts the search on contents: CheckCopies must confirm each file before it goes.
// Linear in the number of rows, plus one lstat per selected source and per member checked.
CDeletePlan PlanDelete(const std::vector<CPlanRow>& rows);
