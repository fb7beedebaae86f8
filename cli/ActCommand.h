// twinex-cli remove | link | move: acting on the duplicate sets of a results document, with the
// same plan and byte-by-byte check as the desktop program's delete.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "LinkCopies.h"
#include "SetPlan.h"

enum EAction { ACT_REMOVE, ACT_LINK, ACT_MOVE };

struct CActOptions {
    EAction nAction = ACT_REMOVE;
    bool bTrash = false;          // remove: to the Trash instead of for good
    ELinkKind nLink = LINK_HARD;  // link: --hard or --clone
    std::string strTo;            // move: the folder the copies go to
    CKeepChoice keep;             // which member of each set stays
    bool bDryRun = false;
    std::string strResults = "-";  // "-": standard input
};

// Whether the first argument names a subcommand.
bool IsActCommand(const std::string& strArg);

// Fills opts from the arguments, the subcommand first. Returns an error message for bad usage.
std::optional<std::string> ParseActCommand(const std::vector<std::string>& args, CActOptions& opts);

// Where move puts a file: below strTo, at its path below strBase (the searched folder that
// holds it, see SearchedFolderOf).
std::string MoveDestination(const std::string& strPath, const std::string& strBase,
                            const std::string& strTo);

// The longest of the searched folders (each ending with '/') that holds strPath; "/" when none.
std::string SearchedFolderOf(const std::string& strPath, const std::vector<std::string>& folders);

// The folder, ending with '/', that holds every given path: "/" at the least.
std::string CommonFolder(const std::vector<std::string>& paths);

// Runs a subcommand: 0 when every planned action succeeded, 1 when some did not, 2 for bad
// usage or a results document that cannot be read.
int RunActCommand(const std::vector<std::string>& args);
