#include "TrashRestore.h"

#include <unistd.h>

#include <cerrno>

#include "Trash.h"

namespace {

// Makes the folders of strFolder that are missing, with the modes the user's umask gives.
int MakeFolders(const std::string& strFolder) {
    for (std::size_t nPos = 1; nPos <= strFolder.size(); ++nPos) {
        if (nPos < strFolder.size() && strFolder[nPos] != '/') continue;
        const std::string strPart = strFolder.substr(0, nPos);
        struct stat st;
        if (stat(strPart.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return ENOTDIR;
            continue;
        }
        if (errno != ENOENT) return errno;
        if (mkdir(strPart.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

// T/files/NAME belongs with T/info/NAME.trashinfo; "" for a path that is not so placed.
std::string InfoFileOf(const std::string& strTrashed) {
    const std::size_t nSlash = strTrashed.rfind('/');
    const std::string_view FILES = "/files";
    if (nSlash == std::string::npos || nSlash < FILES.size() ||
        strTrashed.compare(nSlash - FILES.size(), FILES.size(), FILES) != 0)
        return std::string();
    return strTrashed.substr(0, nSlash - FILES.size()) + "/info/" + strTrashed.substr(nSlash + 1) +
           ".trashinfo";
}

std::int64_t Nanoseconds(const timespec& ts) {
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

CTrashedFile IdentifyTrashedFile(const std::string& strOriginal, const std::string& strTrashed,
                                 const struct stat& st) {
    return {strOriginal,
            strTrashed,
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            Nanoseconds(st.st_mtim),
            Nanoseconds(st.st_ctim)};
}

int RestoreFromTrash(const CTrashedFile& file) {
    struct stat st;
    if (lstat(file.strTrashed.c_str(), &st) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? ENOENT : errno;
    const CTrashedFile now = IdentifyTrashedFile(file.strOriginal, file.strTrashed, st);
    if (now.nDev != file.nDev || now.nIno != file.nIno || now.nSize != file.nSize ||
        now.nModifiedNs != file.nModifiedNs || now.nChangedNs != file.nChangedNs)
        return ENOENT;

    const std::size_t nSlash = file.strOriginal.rfind('/');
    if (nSlash != std::string::npos && nSlash > 0) {
        if (const int nError = MakeFolders(file.strOriginal.substr(0, nSlash)))
            return nError == ENOTDIR ? EEXIST : nError;
    }
    if (const int nError = MoveNoReplace(file.strTrashed, file.strOriginal)) return nError;
    const std::string strInfo = InfoFileOf(file.strTrashed);
    if (!strInfo.empty()) unlink(strInfo.c_str());
    return 0;
}
