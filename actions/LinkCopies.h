// Replacing checked copies with links to the copy that stays: the path keeps working and the
// space is freed. Each replacement is made under a temporary name in the file's own folder and
// renamed over the file in one step, so the path never goes missing or holds part of a file.
#pragma once

#include <string>
#include <vector>

#include "CopyOutcome.h"
#include "DeletePlan.h"
#include "Removal.h"

enum ELinkKind {
    LINK_HARD,   // a hard link: the file becomes the kept file, sharing its owner, mode and times
    LINK_CLONE,  // a copy-on-write clone: shares the kept file's blocks, keeps its own metadata
};

// Makes the link or clone of strKeep that will replace strPath, under a new temporary name in
// strPath's folder (strTemp). Nothing at strPath changes. A clone takes strPath's mode, owner
// (where allowed) and times. 0, or an errno value; refusals, before anything is made:
// EXDEV (another file system), EOPNOTSUPP (clones unsupported there), EEXIST (already the
// same file under both names), EINVAL (either is not a regular file).
int MakeReplacement(const std::string& strPath, const std::string& strKeep, ELinkKind nKind,
                    std::string& strTemp);

// MakeReplacement, then the rename of the replacement over strPath. On failure nothing stays
// behind and strPath is as it was.
int ReplaceWithLink(const std::string& strPath, const std::string& strKeep, ELinkKind nKind);

struct CLinkOutcome {
    bool bCancelled = false;  // the user stopped the check: nothing changed
    // Now links to (or clones of) the copy that stays, in plan order; linkedTo: that copy.
    std::vector<std::string> replaced;
    std::vector<std::string> linkedTo;
    std::vector<CKeptFile> kept;      // the check found them no copies, or they changed since
    std::vector<CFailedFile> failed;  // refused or failed, with the reason as MakeReplacement
};

// Checks the plan's files against the copies that stay, byte for byte, then replaces those that
// passed, in order, until done or the user stops. Right before each replacement both files must
// still be as the check read them. User-interface thread.
CLinkOutcome LinkCheckedCopies(const CDeletePlan& plan, ELinkKind nKind, IDeleteProgress& progress);
