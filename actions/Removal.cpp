#include "Removal.h"

#include <unistd.h>

#include <cerrno>

#include "Trash.h"

int CFileRemover::Remove(const std::string& strPath) {
    return unlink(strPath.c_str()) == 0 ? 0 : errno;
}

int CXdgTrash::Move(const std::string& strPath, std::string* pTrashedAs) {
    return MoveToTrash(strPath, m_strHomeTrash, pTrashedAs);
}

int CXdgTrash::Restore(const CTrashedFile& file) { return RestoreFromTrash(file); }
