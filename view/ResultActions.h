// What the user does with the rows of the result list; shared by the main window's Edit menu
// and the list's context menu.
#pragma once

#include <string>
#include <vector>

#include "RemoveCopies.h"

class CTwinexView;

// Selects every row of the view; the current row stays. Nothing happens without rows.
void SelectAllItems(CTwinexView& view);

// What a delete did, for whoever shows its outcome.
struct CDeleteOutcome {
    // The rows were swept (a delete ran, or had nothing left to do): the title follows the
    // rows left. False when nothing was selected, or the user said No or stopped the check.
    bool bRowsSwept = false;
    std::vector<std::string> deleted;  // gone from their places, in row order
    std::vector<CKeptFile> kept;       // the check found them no copies of what stays
    std::vector<CFailedFile> failed;   // their removal failed
    std::vector<std::string> lastCopies;  // selected, but every other copy would have gone
};

// Deletes the selected rows' source files, to the Trash when bAllowUndo, else for good, after
// one confirmation through the view's prompt; never the last copy of a duplicate set, never a
// file under a reference folder, and never a file that is not, byte for byte, a copy of one that
// stays. A selection of reference files alone is only told that they are protected. Then every row whose source file
// is gone leaves the list. Whatever did not go is told in one message. With no row selected,
// nothing happens.
CDeleteOutcome DeleteSelectedFiles(CTwinexView& view, bool bAllowUndo);
