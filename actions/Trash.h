// The freedesktop Trash, on exact path bytes.
//
// Qt's own move-to-trash takes the path as a QString, which cannot carry a file name that is
// not valid UTF-8 and writes a mangled original path into the .trashinfo file; this one works
// on the bytes as the file system has them.
#pragma once

#include <string>

// Moves the file (not a folder) at strPath to the Trash of its file system: the home Trash
// (strHomeTrash; GetHomeTrashDir gives the user's) when the file is on the same device, else
// $topdir/.Trash/$uid or $topdir/.Trash-$uid of the file's mount point. The .trashinfo file is
// written first, so an interrupted move never leaves an entry that cannot be restored. The file
// is never copied: with no Trash on its file system the move fails with EXDEV.
// Returns 0, or an errno value; pTrashedAs receives the file's path inside the Trash.
int MoveToTrash(const std::string& strPath, const std::string& strHomeTrash,
                std::string* pTrashedAs = nullptr);

// The part of MoveToTrash for a file (absolute path) on a file system mounted at strTop, a
// folder above it: $topdir/.Trash/$uid when $topdir/.Trash is a sticky folder (not a link) and
// that subfolder is the user's, else $topdir/.Trash-$uid, created for the user when missing;
// EXDEV when neither can be used. Path= holds PathBelowTop.
int MoveToTopdirTrash(const std::string& strAbsolute, const std::string& strTop,
                      std::string* pTrashedAs = nullptr);
// The path of strAbsolute below strTop, without a leading '/', so that a Trash entry of another
// file system stays right when that file system is mounted elsewhere.
std::string PathBelowTop(const std::string& strAbsolute, const std::string& strTop);

// Renames strFrom to strTo, never replacing what stands at strTo (EEXIST then, both left as
// they were), on file systems without a no-replace rename too. Returns 0 or an errno value.
int MoveNoReplace(const std::string& strFrom, const std::string& strTo);

// The home Trash folder ($XDG_DATA_HOME/Trash, or ~/.local/share/Trash).
std::string GetHomeTrashDir();

// Percent-encodes every byte but the unreserved ones and '/', as a .trashinfo Path= wants.
std::string EncodeTrashPath(const std::string& strPath);
