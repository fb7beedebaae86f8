// Opening the files of a search by name inside folder handles kept open.

#include "FolderFds.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFolderFds::~CFolderFds() {
    for (auto& [pDir, fd] : m_fds) ::close(fd);
}

int CFolderFds::Open(const CFileInfo& file, struct stat* pStat) {
    constexpr int MAX_WAITS = 200;  // about a second
    for (int nTry = 0;; ++nTry) {
        const int fd = TryOpen(file, pStat);
        if (fd >= 0) return fd;
        const int nError = errno;
        if ((nError == EMFILE || nError == ENFILE) && nTry < MAX_WAITS) {
            // Out of descriptors is no property of the file: free ours, then wait for others'.
            CloseFolders();
            if (nTry > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        Unreadable(file, nError);
        return -1;
    }
}

int CFolderFds::TryOpen(const CFileInfo& file, struct stat* pStat) {
    if (m_nCapacity == 0) {
        const std::string strPath = file.GetFilePath();
        if (strPath.size() < PATH_MAX) return OpenUnchangedFileAt(AT_FDCWD, strPath, file.GetLength(), pStat);
        const int fdDir = OpenFolderPath(file.GetFileDir());
        if (fdDir < 0) return -1;
        const int fd = OpenUnchangedFileAt(fdDir, std::string(file.GetNameView()), file.GetLength(), pStat);
        const int nError = errno;
        ::close(fdDir);
        errno = nError;
        return fd;
    }
    const int fdDir = FolderFd(file);
    if (fdDir < 0) return -1;
    return OpenUnchangedFileAt(fdDir, std::string(file.GetNameView()), file.GetLength(), pStat);
}

int CFolderFds::FolderFd(const CFileInfo& file) {
    const std::string& strDir = file.GetFileDir();
    auto it = m_fds.find(&strDir);
    if (it != m_fds.end()) return it->second;
    while (m_fds.size() >= m_nCapacity) {
        ::close(m_fds[m_order.front()]);
        m_fds.erase(m_order.front());
        m_order.pop_front();
    }
    // O_PATH: only a handle for lookups; it needs no read permission on the folder,
    // just as opening the full path does not.
    const int fdDir = OpenFolderPath(strDir);
    if (fdDir < 0) return -1;
    m_fds.emplace(&strDir, fdDir);
    m_order.push_back(&strDir);
    return fdDir;
}

bool CFolderFds::Stat(const CFileInfo& file, struct stat& st) {
    if (m_nCapacity == 0)
        return ::fstatat(AT_FDCWD, file.GetFilePath().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    const int fdDir = FolderFd(file);
    return fdDir >= 0 &&
           ::fstatat(fdDir, std::string(file.GetNameView()).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

void CFolderFds::CloseFolders() {
    for (auto& [pDir, fd] : m_fds) ::close(fd);
    m_fds.clear();
    m_order.clear();
}
