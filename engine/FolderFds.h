// Folder handles kept open for the matcher's reading threads. Private to the engine.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>

#include "FileInfo.h"

struct stat;

// Folder descriptors kept open so that files are opened by their name alone: the kernel then
// looks up one name instead of every component of a deep path, which is most of the cost of
// reading a small file. One per thread; at most nCapacity folders stay open.
class CFolderFds {
public:
    explicit CFolderFds(std::size_t nCapacity) : m_nCapacity(nCapacity) {}
    ~CFolderFds();
    CFolderFds(const CFolderFds&) = delete;
    CFolderFds& operator=(const CFolderFds&) = delete;

    // The file opened read-only, without following a final symbolic link and without
    // blocking on FIFOs; -1 unless it is a regular file of the size it had when collected.
    // Out of descriptors, it lets go of its folders and waits a little for others' before it
    // gives up; every failure goes to m_onUnreadable.
    // pStat, when given, receives the file's status as it was opened.
    int Open(const CFileInfo& file, struct stat* pStat = nullptr);

    // lstat of the file by its name inside its folder; false (errno) when it cannot be had.
    bool Stat(const CFileInfo& file, struct stat& st);

    // Told of each file that could not be opened or read, on the reading thread: the errno
    // value, or 0 when the file is no longer a regular file of its collected size.
    std::function<void(const CFileInfo&, int nErrno)> m_onUnreadable;
    void Unreadable(const CFileInfo& file, int nErrno) const {
        if (m_onUnreadable) m_onUnreadable(file, nErrno);
    }

private:
    int TryOpen(const CFileInfo& file, struct stat* pStat);
    // The kept handle of the file's folder, opened when missing; -1 when none is kept.
    int FolderFd(const CFileInfo& file);
    void CloseFolders();

    std::size_t m_nCapacity;
    std::unordered_map<const std::string*, int> m_fds;  // by the folder text the files share
    std::deque<const std::string*> m_order;             // oldest first, for eviction
};
