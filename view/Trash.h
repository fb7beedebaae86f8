// The freedesktop Trash, on exact path bytes.
//
// Qt's own move-to-trash takes the path as a QString, which cannot carry a file name that is
// not valid UTF-8 and writes a mangled original path into the .trashinfo file; this one works
// on the bytes as the file system has them.
#pragma once

#include <string>

// Moves the file (not a folder) at strPath to the Trash of its file system: the home Trash
// ($XDG_DATA_HOME/Trash) when the file is on the same device, else $topdir/.Trash/$uid or
// $topdir/.Trash-$uid of the file's mount point. The .trashinfo file is written first, so an
// interrupted move never leaves an entry that cannot be restored. The file is never copied:
// with no Trash on its file system the move fails with EXDEV.
// Returns 0, or an errno value; pTrashedAs receives the file's path inside the Trash.
int MoveToTrash(const std::string& strPath, std::string* pTrashedAs = nullptr);

// The home Trash folder ($XDG_DATA_HOME/Trash, or ~/.local/share/Trash).
std::string GetHomeTrashDir();

// Percent-encodes every byte but the unreserved ones and '/', as a .trashinfo Path= wants.
std::string EncodeTrashPath(const std::string& strPath);
