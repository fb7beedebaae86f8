#include "DirWalk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "WalkShare.h"

namespace {

constexpr std::size_t kDirBufferSize = 128 * 1024;
constexpr int kDirOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsDotOrDotDot(const char* psz) {
    return psz[0] == '.' && (psz[1] == '\0' || (psz[1] == '.' && psz[2] == '\0'));
}

// Errors that only mean the entry changed under the walk: it vanished, or became a link or a
// file where a folder was. The walk simply goes on without it.
bool IsRaceErrno(int nErrno) {
    return nErrno == ENOENT || nErrno == ELOOP || nErrno == ENOTDIR;
}

// A folder whose subfolders are still to be visited. Folders without pending subfolders leave
// the stack at once, so its depth counts only ancestors that still have work.
struct CFrame {
    CFrame(int fd, std::string strPath) : m_fd(fd), m_strPath(std::move(strPath)) {}

    int m_fd = -1;             // -1 while closed to save descriptors
    std::string m_strPath;     // ends with '/'
    std::string m_strSubdirs;  // pending subfolder names, each ended by '\0'
    std::size_t m_nNext = 0;
    dev_t m_dev = 0;  // identity recorded when the descriptor was closed
    ino_t m_ino = 0;

    bool HasPending() const { return m_nNext < m_strSubdirs.size(); }
};

class CWalker {
public:
    CWalker(bool bRecurse, const std::atomic<int>* pAbort, IDirVisitor& visitor,
            const FWalkError& onError, const CWalkTuning& tuning, CWalkShare* pShare = nullptr)
        : m_bRecurse(bRecurse), m_bIgnoreTypes(tuning.m_bIgnoreEntryTypes),
          m_bOneFileSystem(tuning.m_bOneFileSystem),
          m_nMaxOpen(tuning.m_nMaxOpenDirs), m_pAbort(pAbort),
          m_visitor(visitor), m_onError(onError), m_pShare(pShare),
          m_pBuffer(new char[kDirBufferSize]) {}

    // The device of the walk's top folder, for a walker that starts below it.
    void SetTopDevice(dev_t nDevice) { m_nTopDevice = nDevice; }

    ~CWalker() {
        for (CFrame& f : m_stack)
            if (f.m_fd >= 0) close(f.m_fd);
    }

    bool Run(int fdTop, std::string strTop) {
        struct stat st;
        if (m_bOneFileSystem && !m_pShare && fstat(fdTop, &st) == 0) m_nTopDevice = st.st_dev;
        m_stack.emplace_back(fdTop, std::move(strTop));
        ++m_nOpen;
        if (!ReadDir(m_stack.back())) return false;
        while (!m_stack.empty()) {
            if (Aborted()) return false;
            if (!m_stack.back().HasPending()) {
                Pop();
                continue;
            }
            const std::size_t iParent = m_stack.size() - 1;
            if (m_stack[iParent].m_fd < 0 && !Reopen(iParent)) {
                Pop();
                continue;
            }
            CFrame& parent = m_stack[iParent];
            const char* pszName = parent.m_strSubdirs.data() + parent.m_nNext;
            const std::size_t nNameLength = std::strlen(pszName);
            parent.m_nNext += nNameLength + 1;

            std::string strChild;
            strChild.reserve(parent.m_strPath.size() + nNameLength + 1);
            strChild.append(parent.m_strPath).append(pszName, nNameLength).push_back('/');
            const int fd = openat(parent.m_fd, pszName, kDirOpenFlags);
            if (fd < 0) {
                Report(strChild, errno);
                continue;
            }
            if (m_bOneFileSystem && !OnTopDevice(fd)) {
                close(fd);  // another mount: not entered, and no error
                continue;
            }
            if (m_pShare && m_pShare->Hungry()) {
                m_pShare->Give(fd, std::move(strChild));
                continue;
            }
            // The last pending subfolder: its parent has nothing left, so it goes before the
            // child comes, and a plain chain of folders keeps a stack of one.
            if (!parent.HasPending()) Pop();
            m_stack.emplace_back(fd, std::move(strChild));
            ++m_nOpen;
            LimitOpen();
            if (!ReadDir(m_stack.back())) return false;
        }
        return true;
    }

private:
    bool Aborted() const {
        return m_pAbort && m_pAbort->load(std::memory_order_relaxed) != 0;
    }

    bool OnTopDevice(int fd) const {
        struct stat st;
        return fstat(fd, &st) == 0 && st.st_dev == m_nTopDevice;
    }

    void Report(const std::string& strPath, int nErrno) {
        if (!m_onError || IsRaceErrno(nErrno)) return;
        if (m_pShare)
            m_pShare->Report(strPath, nErrno);
        else
            m_onError(strPath, nErrno);
    }

    void Pop() {
        if (m_stack.back().m_fd >= 0) {
            close(m_stack.back().m_fd);
            --m_nOpen;
        }
        m_stack.pop_back();
    }

    // Keeps the number of open folders bounded, however deep the tree: the shallowest ones
    // (other than the top, which may have been reached through a link) are closed and
    // reopened by name when the walk returns to them.
    void LimitOpen() {
        for (std::size_t i = 1; m_nOpen > m_nMaxOpen && i + 1 < m_stack.size(); ++i) {
            CFrame& f = m_stack[i];
            if (f.m_fd < 0) continue;
            struct stat st;
            if (fstat(f.m_fd, &st) == 0) {
                f.m_dev = st.st_dev;
                f.m_ino = st.st_ino;
            } else {
                f.m_strSubdirs.clear();  // cannot be verified later: give up its subfolders
                f.m_nNext = 0;
            }
            close(f.m_fd);
            f.m_fd = -1;
            --m_nOpen;
        }
    }

    // Opens frame i again, one name at a time from the nearest open ancestor, never following
    // a link, and checks that it is still the folder it was.
    bool Reopen(std::size_t i) {
        std::size_t j = i;
        while (j > 0 && m_stack[j].m_fd < 0) --j;
        CFrame& f = m_stack[i];
        const CFrame& base = m_stack[j];
        if (base.m_fd < 0 || f.m_strPath.compare(0, base.m_strPath.size(), base.m_strPath) != 0)
            return false;
        int fd = base.m_fd;
        std::size_t nPos = base.m_strPath.size();
        while (nPos < f.m_strPath.size()) {
            const std::size_t nEnd = f.m_strPath.find('/', nPos);
            const std::string strName = f.m_strPath.substr(nPos, nEnd - nPos);
            const int fdNext = openat(fd, strName.c_str(), kDirOpenFlags);
            if (fd != base.m_fd) close(fd);
            if (fdNext < 0) {
                Report(f.m_strPath, errno);
                return false;
            }
            fd = fdNext;
            nPos = nEnd + 1;
        }
        struct stat st;
        if (fd == base.m_fd || fstat(fd, &st) != 0 || st.st_dev != f.m_dev || st.st_ino != f.m_ino) {
            if (fd != base.m_fd) close(fd);
            return false;  // moved or replaced meanwhile
        }
        f.m_fd = fd;
        ++m_nOpen;
        LimitOpen();
        return f.m_fd >= 0;
    }

    // Reads the folder once: regular files go to the visitor, subfolder names onto the frame.
    bool ReadDir(CFrame& frame) {
        m_visitor.EnterDir(frame.m_strPath);
        bool bOk = true;
        for (;;) {
            const ssize_t n = getdents64(frame.m_fd, m_pBuffer.get(), kDirBufferSize);
            if (n < 0) {
                if (errno == EINTR) continue;
                Report(frame.m_strPath, errno);
                break;
            }
            if (n == 0) break;
            for (ssize_t nOff = 0; nOff < n;) {
                const auto* pEntry = reinterpret_cast<const struct dirent64*>(m_pBuffer.get() + nOff);
                nOff += pEntry->d_reclen;
                Classify(frame, pEntry->d_name, pEntry->d_ino,
                     m_bIgnoreTypes ? static_cast<unsigned char>(DT_UNKNOWN) : pEntry->d_type);
            }
            if (Aborted()) {
                bOk = false;
                break;
            }
        }
        // In inode order, a cold disk reads each block of the inode table once, front to back.
        std::sort(m_toStat.begin(), m_toStat.end());
        for (const CToStat& entry : m_toStat) {
            if (!bOk || Aborted()) {
                bOk = false;
                break;
            }
            Visit(frame, m_strNames.data() + entry.m_nName, entry.m_bWanted);
        }
        m_toStat.clear();
        m_strNames.clear();
        m_visitor.LeaveDir();
        return bOk;
    }

    // Subfolders go on the frame; entries that need a stat are kept for after the folder's end.
    void Classify(CFrame& frame, const char* pszName, ino64_t nInode, unsigned char nType) {
        if (nType == DT_DIR) {
            if (m_bRecurse && !IsDotOrDotDot(pszName)) AddSubdir(frame, pszName);
            return;
        }
        if (nType != DT_REG && nType != DT_UNKNOWN) return;  // links, FIFOs, sockets, devices
        if (nType == DT_UNKNOWN && IsDotOrDotDot(pszName)) return;
        // An unknown type may still turn out to be a folder, so it is only passed over early
        // when folders are of no interest.
        const bool bWanted = m_visitor.WantFile(pszName);
        if (!bWanted && (nType == DT_REG || !m_bRecurse)) return;
        m_toStat.push_back({nInode, m_strNames.size(), bWanted});
        m_strNames.append(pszName).push_back('\0');
    }

    void Visit(CFrame& frame, const char* pszName, bool bWanted) {
        const std::string_view strName(pszName);
        struct stat st;
        if (fstatat(frame.m_fd, pszName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Report(frame.m_strPath + pszName, errno);
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            if (m_bRecurse) AddSubdir(frame, pszName);
            return;
        }
        if (!S_ISREG(st.st_mode) || !bWanted) return;
        m_visitor.AddFile(strName, st);
    }

    void AddSubdir(CFrame& frame, const char* pszName) {
        if (m_visitor.WantDir(pszName)) frame.m_strSubdirs.append(pszName).push_back('\0');
    }

    const bool m_bRecurse;
    const bool m_bIgnoreTypes;
    const bool m_bOneFileSystem;
    dev_t m_nTopDevice = 0;
    const int m_nMaxOpen;
    const std::atomic<int>* m_pAbort;
    IDirVisitor& m_visitor;
    const FWalkError& m_onError;
    CWalkShare* m_pShare;
    std::unique_ptr<char[]> m_pBuffer;
    std::vector<CFrame> m_stack;
    int m_nOpen = 0;
    // The folder's entries waiting for their stat, and their names, each ended by '\0'.
    struct CToStat {
        ino64_t m_nInode;
        std::size_t m_nName;
        bool m_bWanted;
        bool operator<(const CToStat& o) const { return m_nInode < o.m_nInode; }
    };
    std::vector<CToStat> m_toStat;
    std::string m_strNames;
};

}  // namespace

bool WalkTree(const std::string& strTop, bool bRecurse, const std::atomic<int>* pAbort,
              IDirVisitor& visitor, const FWalkError& onError, const CWalkTuning& tuning) {
    if (pAbort && pAbort->load(std::memory_order_relaxed) != 0) return false;
    // The top folder is the user's choice, so a link naming it is followed; O_DIRECTORY keeps
    // FIFOs and files out.
    const int fd = open(strTop.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (onError) onError(strTop, errno);
        return true;
    }
    std::string strRoot = strTop;
    if (strRoot.back() != '/') strRoot.push_back('/');
    std::vector<std::unique_ptr<IDirVisitor>> forks;
    for (unsigned n = 1; bRecurse && n < tuning.m_nThreads; ++n) {
        std::unique_ptr<IDirVisitor> pFork = visitor.Fork();
        if (!pFork) break;
        forks.push_back(std::move(pFork));
    }
    if (forks.empty()) {
        CWalker walker(bRecurse, pAbort, visitor, onError, tuning);
        return walker.Run(fd, std::move(strRoot));
    }

    struct stat st;
    const dev_t nTopDevice = tuning.m_bOneFileSystem && fstat(fd, &st) == 0 ? st.st_dev : 0;
    CWalkShare share(onError);
    std::atomic<bool> bAborted{false};
    auto walk = [&](IDirVisitor& v) {
        CWalker walker(bRecurse, pAbort, v, onError, tuning, &share);
        walker.SetTopDevice(nTopDevice);
        int fdDir = -1;
        std::string strDir;
        while (share.Take(fdDir, strDir))
            if (!walker.Run(fdDir, std::move(strDir))) {
                bAborted = true;
                share.Stop();
            }
    };
    share.Give(fd, std::move(strRoot));
    std::vector<std::thread> threads;
    for (const auto& pFork : forks) {
        share.AddWalker();
        try {
            threads.emplace_back(walk, std::ref(*pFork));
        } catch (const std::system_error&) {
            share.RemoveWalker();  // the others do its part
            break;
        }
    }
    walk(visitor);
    for (std::thread& t : threads) t.join();
    for (auto& pFork : forks) visitor.Join(std::move(pFork));
    return !bAborted;
}
