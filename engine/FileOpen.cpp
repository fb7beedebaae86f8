// Opening files and folders the careful way: no final symbolic link followed, no FIFO waited on,
// nothing but a regular file handed back.

#include <algorithm>
#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileInfo.h"

namespace {

// The regular file opened read-only, of size *pSize when that is given; else -1.
int OpenRegular(int fdDir, const std::string& strName, const std::uint64_t* pSize,
                struct stat* pStat = nullptr) {
    // O_NONBLOCK: should the path have become a FIFO, open must not wait for a writer.
    const int fd = openat(fdDir, strName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int nError = errno;
        close(fd);
        errno = nError;
        return -1;
    }
    if (!S_ISREG(st.st_mode) || (pSize && static_cast<std::uint64_t>(st.st_size) != *pSize)) {
        close(fd);
        errno = 0;  // there, but not the file it was
        return -1;
    }
    if (pStat) *pStat = st;
    return fd;
}

}  // namespace

int OpenUnchangedFileAt(int fdDir, const std::string& strName, std::uint64_t nSize,
                        struct stat* pStat) {
    return OpenRegular(fdDir, strName, &nSize, pStat);
}

int OpenRegularFile(const std::string& strPath) { return OpenRegular(AT_FDCWD, strPath, nullptr); }

int OpenFolderPath(const std::string& strDir) {
    const int fd = open(strDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
    // Deeper than the kernel takes in one path: go down in pieces that it does take.
    int fdAt = AT_FDCWD;
    std::size_t nPos = 0;
    while (nPos < strDir.size()) {
        std::size_t nEnd = strDir.size();
        if (nEnd - nPos >= PATH_MAX) {
            nEnd = strDir.rfind('/', nPos + PATH_MAX - 1);
            if (nEnd == std::string::npos || nEnd <= nPos) {
                if (fdAt != AT_FDCWD) close(fdAt);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const std::string strPiece = strDir.substr(nPos, std::max<std::size_t>(nEnd - nPos, 1));
        const int fdNext = openat(fdAt, strPiece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int nError = errno;
        if (fdAt != AT_FDCWD) close(fdAt);
        if (fdNext < 0) {
            errno = nError;
            return -1;
        }
        fdAt = fdNext;
        nPos = nEnd + 1;
    }
    return fdAt;
}
