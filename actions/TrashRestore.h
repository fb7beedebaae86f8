// Putting a file that a delete moved to the Trash back where it was.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

// One file that a delete moved to the Trash.
struct CTrashedFile {
    std::string strOriginal;  // where it was
    std::string strTrashed;   // where it is now, inside a Trash's files/ folder
    // The file as it lies in the Trash, so that another file given the same name there later
    // is never taken for it (a new file may even get the freed inode number).
    std::uint64_t nDev = 0;
    std::uint64_t nIno = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModifiedNs = 0;
    std::int64_t nChangedNs = 0;
};

// The record of a trashed file from an lstat of it where it lies now.
CTrashedFile IdentifyTrashedFile(const std::string& strOriginal, const std::string& strTrashed,
                                 const struct stat& st);

// Moves a trashed file back to its original path and removes its .trashinfo entry. Never
// replaces anything: EEXIST when something stands at the original path; ENOENT when the file
// is no longer in the Trash (or another file took its name there). Folders of the original path
// that are gone are made again. Returns 0 or an errno value.
int RestoreFromTrash(const CTrashedFile& file);
