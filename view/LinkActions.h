// Replacing the selected rows' files with links to the copies that stay; shared by the main
// window's Edit menu and the list's context menu.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "LinkCopies.h"

class CTwinexView;

// What a replacement did, for whoever shows its outcome.
struct CLinkRowsOutcome {
    ELinkKind nKind = LINK_HARD;
    // The replacement ran: the user said Yes and did not stop the check.
    bool bDone = false;
    std::vector<std::string> replaced;    // now links, in plan order
    std::vector<CKeptFile> kept;          // the check found them no copies of what stays
    std::vector<CFailedFile> failed;      // refused or failed, with the reason
    std::vector<std::string> lastCopies;  // selected, but they are the copy the others link to
};

// Replaces the selected rows' source files with hard links to (or clones of) the copy of their
// set that stays, after one question through the view's prompt: the plan and the byte check of
// DeleteSelectedFiles, so never the last copy, never a file under a reference folder, never a
// file that is not, byte for byte, the copy that stays. The rows stay, and the files replaced
// are marked in the model. What did not change is told in one message. Undo Delete cannot
// reach across the change, so what it could bring back is forgotten. With no row selected,
// nothing happens.
CLinkRowsOutcome LinkSelectedFiles(CTwinexView& view, ELinkKind nKind);

// The reason a replacement was refused or failed, as the user reads it.
QString LinkFailureReason(int nError);
// The status bar's line after a replacement; empty when nothing was replaced.
QString LinkDoneText(const CLinkRowsOutcome& outcome);
