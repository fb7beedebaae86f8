// Splitting runs of equal-sized files into sets of duplicates, on a few reading threads.

#include "MatchSets.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "FastCrc32.h"

namespace {

bool IsAborted(const std::atomic<int>* pAbort) {
    return pAbort && pAbort->load(std::memory_order_relaxed) != 0;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// The number of bytes compared for files of size nSize.
std::uint64_t ComparedLength(std::uint64_t nSize, std::uint64_t nLimit) {
    return (nLimit != 0 && nLimit <= nSize) ? nLimit : nSize;
}

// One file of a group being split; its descriptor stays open between blocks while the group
// is small enough.
struct CMember {
    std::size_t m_nIndex = 0;
    int m_fd = -1;
};

// Members still to be split from m_nOffset on; m_nPrevBlock sizes the next block.
struct CSplitTask {
    std::vector<CMember> m_members;
    std::uint64_t m_nOffset = 0;
    std::size_t m_nPrevBlock = 0;
};

struct CBlock {
    std::unique_ptr<char[]> m_p;
    std::size_t m_nCapacity = 0;
};

// Block buffers of one thread, reused from group to group: a fresh large allocation costs a
// page fault per page.
class CBlockPool {
public:
    CBlock Get(std::size_t n) {
        for (std::size_t i = m_free.size(); i-- > 0;) {
            if (m_free[i].m_nCapacity >= n) {
                CBlock b = std::move(m_free[i]);
                m_free.erase(m_free.begin() + static_cast<std::ptrdiff_t>(i));
                m_nBytes -= b.m_nCapacity;
                return b;
            }
        }
        return CBlock{std::unique_ptr<char[]>(new char[n]), n};
    }
    void Put(CBlock&& b) {
        if (!b.m_p) return;
        if (m_free.size() >= 16 || m_nBytes + b.m_nCapacity > (32u << 20)) return;
        m_nBytes += b.m_nCapacity;
        m_free.push_back(std::move(b));
    }

private:
    std::vector<CBlock> m_free;
    std::size_t m_nBytes = 0;
};

// Files whose blocks compared equal so far. m_kept holds the first member's block when the
// memory budget allowed; otherwise the newest member is read again to compare a newcomer,
// which, equality being transitive, reads no file more than twice.
struct CSubGroup {
    std::vector<CMember> m_members;
    CBlock m_kept;
};

// Groups this small are split by comparing each block with every kept one; larger groups
// look blocks up by their hash first.
constexpr std::size_t LINEAR_GROUP = 8;

void CloseAll(std::vector<CMember>& members) {
    for (CMember& m : members) CloseFd(m.m_fd);
}

}  // namespace

CFolderFds::~CFolderFds() {
    for (auto& [pDir, fd] : m_fds) ::close(fd);
}

int CFolderFds::Open(const CFileInfo& file) {
    constexpr int MAX_WAITS = 200;  // about a second
    for (int nTry = 0;; ++nTry) {
        const int fd = TryOpen(file);
        if (fd >= 0) return Opened(file, fd);
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

int CFolderFds::TryOpen(const CFileInfo& file) {
    const std::string& strDir = file.GetFileDir();
    auto it = m_fds.find(&strDir);
    if (it == m_fds.end()) {
        if (m_nCapacity == 0) {
            const std::string strPath = file.GetFilePath();
            if (strPath.size() < PATH_MAX) return OpenUnchangedFileAt(AT_FDCWD, strPath, file.GetLength());
            const int fdDir = OpenFolderPath(strDir);
            if (fdDir < 0) return -1;
            const int fd = OpenUnchangedFileAt(fdDir, std::string(file.GetNameView()), file.GetLength());
            const int nError = errno;
            ::close(fdDir);
            errno = nError;
            return fd;
        }
        while (m_fds.size() >= m_nCapacity) {
            ::close(m_fds[m_order.front()]);
            m_fds.erase(m_order.front());
            m_order.pop_front();
        }
        // O_PATH: only a handle for lookups; it needs no read permission on the folder,
        // just as opening the full path does not.
        const int fdDir = OpenFolderPath(strDir);
        if (fdDir < 0) return -1;
        it = m_fds.emplace(&strDir, fdDir).first;
        m_order.push_back(&strDir);
    }
    return OpenUnchangedFileAt(it->second, std::string(file.GetNameView()), file.GetLength());
}

void CFolderFds::CloseFolders() {
    for (auto& [pDir, fd] : m_fds) ::close(fd);
    m_fds.clear();
    m_order.clear();
}

int CFolderFds::Opened(const CFileInfo& file, int fd) const {
    if (fd >= 0 && m_onOpened) m_onOpened(file);
    return fd;
}

long long ReadAt(int fd, char* pBuffer, std::size_t nLength, std::uint64_t nOffset) {
    std::size_t nDone = 0;
    while (nDone < nLength) {
        const ssize_t n = ::pread(fd, pBuffer + nDone, nLength - nDone,
                                  static_cast<off_t>(nOffset + nDone));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        nDone += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(nDone);
}

std::optional<std::uint64_t> FileKey(const CFileInfo& file, int nCriterion, std::uint64_t nLimit,
                                     const std::atomic<int>* pAbort, CFolderFds& folders) {
    constexpr std::size_t BUFFER = 256 * 1024;
    struct CScratch {
        std::unique_ptr<char[]> m_pBuffer{new char[BUFFER]};
        XXH3_state_t* m_pState = XXH3_createState();
        ~CScratch() { XXH3_freeState(m_pState); }
    };
    thread_local CScratch scratch;
    if (IsAborted(pAbort) || !scratch.m_pState) return std::nullopt;
    const int fd = folders.Open(file);
    if (fd < 0) return std::nullopt;

    const bool bCrc = nCriterion == MATCH_CRC32;
    std::uint32_t nCrc = 0;
    XXH3_64bits_reset(scratch.m_pState);
    // The file had its recorded size when opened, so exactly this much is there to read.
    std::uint64_t nLeft = ComparedLength(file.GetLength(), nLimit);
    if (nLeft > BUFFER) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::uint64_t nOffset = 0;
    bool bOk = true;
    while (nLeft > 0) {
        const std::size_t nWant = static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, BUFFER));
        const long long nGot = ReadAt(fd, scratch.m_pBuffer.get(), nWant, nOffset);
        // Short: it shrank while open, and the bytes hashed would not be the file's.
        if (nGot != static_cast<long long>(nWant) || IsAborted(pAbort)) {
            if (!IsAborted(pAbort)) folders.Unreadable(file, nGot < 0 ? errno : 0);
            bOk = false;
            break;
        }
        if (bCrc) nCrc = Crc32Update(nCrc, scratch.m_pBuffer.get(), nWant);
        else XXH3_64bits_update(scratch.m_pState, scratch.m_pBuffer.get(), nWant);
        nOffset += nWant;
        nLeft -= nWant;
    }
    ::close(fd);
    if (!bOk) return std::nullopt;
    return bCrc ? std::uint64_t{nCrc} : XXH3_64bits_digest(scratch.m_pState);
}

CFileSets PartitionByContents(const CFileInfoArray& files, const std::vector<std::size_t>& group,
                              std::uint64_t nLimit, const std::atomic<int>* pAbort,
                              const CMatchTuning& tuning, CFolderFds* pFolders) {
    CFolderFds noFolders(0);
    CFolderFds& folders = pFolders ? *pFolders : noFolders;
    CFileSets result;
    if (group.size() < 2) return result;
    const std::uint64_t nLength = ComparedLength(files[group.front()].GetLength(), nLimit);
    if (nLength == 0) {
        // Empty files are equal without being read, even when they cannot be opened.
        result.push_back(group);
        return result;
    }

    std::vector<CSplitTask> stack(1);
    for (std::size_t i : group) stack.back().m_members.push_back(CMember{i, -1});
    thread_local CBlockPool pool;
    const std::size_t nBudget = tuning.m_nMemoryBudget;

    auto fail = [&](CSplitTask& task) {
        CloseAll(task.m_members);
        for (CSplitTask& t : stack) CloseAll(t.m_members);
        return CFileSets{};
    };

    while (!stack.empty()) {
        CSplitTask task = std::move(stack.back());
        stack.pop_back();
        const std::uint64_t nOffset = task.m_nOffset;
        const std::uint64_t nRemaining = nLength - nOffset;
        const std::size_t nCount = task.m_members.size();

        std::uint64_t nBlock;
        if (nOffset == 0 && nLength <= tuning.m_nWholeReadMax) {
            nBlock = nLength;  // small files: one read each, whatever the group's size
        } else {
            // Small first blocks part files that differ early cheaply; later blocks grow.
            // Memory stays bounded whatever the group's size: blocks beyond the budget are
            // not kept but read again (see CSubGroup).
            nBlock = nOffset == 0 ? tuning.m_nFirstBlock
                                  : std::min<std::uint64_t>(tuning.m_nMaxBlock, task.m_nPrevBlock * 4);
            // A small group keeps every distinct block, so that no file is read again.
            if (nCount <= LINEAR_GROUP && nBudget / nCount >= 65536)
                nBlock = std::min<std::uint64_t>(nBlock, nBudget / nCount);
            nBlock = std::max<std::uint64_t>(nBlock, 1);
        }
        nBlock = std::min(nBlock, nRemaining);
        const std::size_t nBlockBytes = static_cast<std::size_t>(nBlock);
        const bool bLastBlock = nOffset + nBlock >= nLength;
        const bool bKeepOpen = !bLastBlock && nCount <= tuning.m_nMaxOpenFiles;
        const bool bHashed = nCount > LINEAR_GROUP && !tuning.m_bSameHashes;
        CBlock buffer = pool.Get(nBlockBytes);

        std::vector<CSubGroup> subs;
        std::unordered_multimap<std::uint64_t, std::size_t> byHash;
        std::size_t nKeptBytes = 0;
        auto release = [&] {
            for (CSubGroup& sub : subs) pool.Put(std::move(sub.m_kept));
            pool.Put(std::move(buffer));
        };

        for (std::size_t k = 0; k < nCount; ++k) {
            CMember& m = task.m_members[k];
            if (IsAborted(pAbort)) {
                for (CSubGroup& s : subs) CloseAll(s.m_members);
                release();
                return fail(task);
            }
            if (m.m_fd < 0) {
                m.m_fd = folders.Open(files[m.m_nIndex]);
                if (m.m_fd < 0) continue;  // unreadable: joins no set
                if (bKeepOpen) ::posix_fadvise(m.m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            }
            const long long nGot = ReadAt(m.m_fd, buffer.m_p.get(), nBlockBytes, nOffset);
            if (!bKeepOpen) CloseFd(m.m_fd);
            if (nGot != static_cast<long long>(nBlockBytes)) {  // shrank or failed
                folders.Unreadable(files[m.m_nIndex], nGot < 0 ? errno : 0);
                CloseFd(m.m_fd);
                continue;
            }
            const std::uint64_t nHash = bHashed ? XXH3_64bits(buffer.m_p.get(), nBlockBytes) : 0;
            bool bPlaced = false;
            for (auto [it, end] = byHash.equal_range(nHash); it != end && !bPlaced; ++it) {
                CSubGroup& sub = subs[it->second];
                bool bEqual;
                if (sub.m_kept.m_p) {
                    bEqual = std::memcmp(sub.m_kept.m_p.get(), buffer.m_p.get(), nBlockBytes) == 0;
                } else {
                    CMember& last = sub.m_members.back();
                    int fd = last.m_fd >= 0 ? last.m_fd : folders.Open(files[last.m_nIndex]);
                    CBlock other = pool.Get(nBlockBytes);
                    bEqual = fd >= 0 &&
                             ReadAt(fd, other.m_p.get(), nBlockBytes, nOffset) ==
                                 static_cast<long long>(nBlockBytes) &&
                             std::memcmp(other.m_p.get(), buffer.m_p.get(), nBlockBytes) == 0;
                    pool.Put(std::move(other));
                    if (fd != last.m_fd) CloseFd(fd);
                }
                if (bEqual) {
                    sub.m_members.push_back(m);
                    m.m_fd = -1;  // the set owns the descriptor now
                    bPlaced = true;
                }
            }
            if (bPlaced) continue;
            CSubGroup sub;
            sub.m_members.push_back(m);
            m.m_fd = -1;
            if (nKeptBytes + nBlockBytes <= nBudget) {
                sub.m_kept = std::move(buffer);  // the block stays; the next read gets another
                buffer = pool.Get(nBlockBytes);
                nKeptBytes += nBlockBytes;
            }
            byHash.emplace(nHash, subs.size());
            subs.push_back(std::move(sub));
        }

        release();
        // Depth first, so that the open descriptors stay within the first group's size.
        for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
            CSubGroup& sub = *it;
            if (sub.m_members.size() < 2) {
                CloseAll(sub.m_members);
            } else if (bLastBlock) {
                CloseAll(sub.m_members);
                std::vector<std::size_t> set;
                set.reserve(sub.m_members.size());
                for (const CMember& m : sub.m_members) set.push_back(m.m_nIndex);
                result.push_back(std::move(set));
            } else {
                stack.push_back(CSplitTask{std::move(sub.m_members), nOffset + nBlock, nBlockBytes});
            }
        }
    }
    std::sort(result.begin(), result.end(),
              [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return result;
}

namespace {

// Adds a thread running f; false when the system refuses one (process or memory limits).
template <typename F>
bool StartThread(std::vector<std::thread>& threads, F&& f) {
    try {
        threads.emplace_back(std::forward<F>(f));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// A piece of work: a slice [m_nBegin, m_nEnd) of the run [m_nRunBegin, m_nRunEnd).
// Contents work on whole runs; checksums and CRCs on slices, so that one long run still
// keeps every thread busy.
struct CUnit {
    std::size_t m_nSeq = 0;
    std::size_t m_nRunBegin = 0, m_nRunEnd = 0;
    std::size_t m_nBegin = 0, m_nEnd = 0;
    bool m_bLastOfRun = true;
};

struct CUnitResult {
    CUnit m_unit;
    bool m_bKeyed = false;                             // checksum or CRC of each file
    std::vector<std::optional<std::uint64_t>> m_keys;  // when keyed, one per file of the slice
    CFileSets m_sets;                                  // otherwise
};

class CSetFinder {
public:
    CSetFinder(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
               const std::atomic<int>* pAbort, const CMatchTuning& tuning, const FRunSets& onRun)
        : m_files(files), m_nFiles(files.GetData().size()), m_nCriterion(nCriterion),
          m_nLimit(nLimit), m_pAbort(pAbort), m_tuning(tuning), m_onRun(onRun) {}

    bool Run() {
        unsigned nThreads = m_tuning.m_nThreads;
        if (nThreads == 0) nThreads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        if (m_nCriterion == MATCH_SIZE) nThreads = 1;  // nothing to read
        FitOpenFilesToLimit(nThreads);
        if (nThreads <= 1) return RunInline();
        return RunThreaded(nThreads);
    }

private:
    bool IsKeyed() const { return m_nCriterion == MATCH_CHECKSUM || m_nCriterion == MATCH_CRC32; }

    // The next unit in array order; false when the array is exhausted. Caller holds the lock
    // in threaded mode.
    bool NextUnit(CUnit& unit) {
        if (m_nSliceCursor >= m_nSliceRunEnd) {
            // Files alone in their size are skipped here, never opened.
            std::size_t nBegin = m_nCursor, nEnd = nBegin;
            while (nBegin < m_nFiles) {
                nEnd = nBegin + 1;
                const std::uint64_t nSize = m_files[nBegin].GetLength();
                while (nEnd < m_nFiles && m_files[nEnd].GetLength() == nSize) ++nEnd;
                if (nEnd - nBegin >= 2) break;
                nBegin = nEnd;
            }
            if (nBegin >= m_nFiles) {
                m_nCursor = m_nFiles;
                return false;
            }
            m_nSliceRunBegin = m_nSliceCursor = nBegin;
            m_nSliceRunEnd = m_nCursor = nEnd;
        }
        unit.m_nSeq = m_nNextSeq++;
        unit.m_nRunBegin = m_nSliceRunBegin;
        unit.m_nRunEnd = m_nSliceRunEnd;
        unit.m_nBegin = m_nSliceCursor;
        std::size_t nEnd = m_nSliceRunEnd;
        const std::uint64_t nSize = m_files[m_nSliceRunBegin].GetLength();
        if (IsKeyed() && nSize != 0) {
            // Slices of at most 32 files or about 64 MiB of reading.
            const std::uint64_t nPerFile = std::max<std::uint64_t>(ComparedLength(nSize, m_nLimit), 1);
            const std::uint64_t nByBytes = std::max<std::uint64_t>((64ull << 20) / nPerFile, 1);
            const std::size_t nSlice = static_cast<std::size_t>(std::min<std::uint64_t>(32, nByBytes));
            nEnd = std::min(nEnd, m_nSliceCursor + nSlice);
        }
        unit.m_nEnd = nEnd;
        unit.m_bLastOfRun = nEnd == m_nSliceRunEnd;
        m_nSliceCursor = nEnd;
        return true;
    }

    CUnitResult Compute(const CUnit& unit, CFolderFds& folders) const {
        CUnitResult r;
        r.m_unit = unit;
        const std::uint64_t nSize = m_files[unit.m_nRunBegin].GetLength();
        if (m_nCriterion == MATCH_SIZE || nSize == 0 ||
            (m_nCriterion != MATCH_CHECKSUM && m_nCriterion != MATCH_CRC32 &&
             m_nCriterion != MATCH_CONTENTS)) {
            // Equal sizes are all this needs; empty files are equal under every criterion.
            std::vector<std::size_t> all(unit.m_nEnd - unit.m_nBegin);
            for (std::size_t i = 0; i < all.size(); ++i) all[i] = unit.m_nBegin + i;
            r.m_sets.push_back(std::move(all));
        } else if (m_nCriterion == MATCH_CONTENTS) {
            std::vector<std::size_t> group(unit.m_nEnd - unit.m_nBegin);
            for (std::size_t i = 0; i < group.size(); ++i) group[i] = unit.m_nBegin + i;
            r.m_sets = PartitionByContents(m_files, group, m_nLimit, m_pAbort, m_tuning, &folders);
        } else {
            r.m_bKeyed = true;
            r.m_keys.reserve(unit.m_nEnd - unit.m_nBegin);
            for (std::size_t i = unit.m_nBegin; i < unit.m_nEnd; ++i) {
                if (IsAborted(m_pAbort)) break;
                r.m_keys.push_back(FileKey(m_files[i], m_nCriterion, m_nLimit, m_pAbort, folders));
            }
        }
        return r;
    }

    // Gathers the slices of a run and reports its sets once the last slice is in. Results
    // computed while an abort was raised may be incomplete and are dropped.
    void Take(CUnitResult&& r) {
        if (IsAborted(m_pAbort)) return;
        if (!r.m_bKeyed) {
            m_onRun(r.m_unit.m_nRunBegin, r.m_unit.m_nRunEnd, r.m_sets);
            return;
        }
        for (auto& key : r.m_keys) m_keys.push_back(key);
        if (!r.m_unit.m_bLastOfRun) return;
        CFileSets sets;
        std::unordered_map<std::uint64_t, std::size_t> setOfKey;
        for (std::size_t i = 0; i < m_keys.size(); ++i) {
            if (!m_keys[i]) continue;  // unreadable: joins no set
            auto [it, bNew] = setOfKey.emplace(*m_keys[i], sets.size());
            if (bNew) sets.emplace_back();
            sets[it->second].push_back(r.m_unit.m_nRunBegin + i);
        }
        std::erase_if(sets, [](const auto& s) { return s.size() < 2; });
        m_keys.clear();
        m_onRun(r.m_unit.m_nRunBegin, r.m_unit.m_nRunEnd, sets);
    }

    // Files each thread keeps open while it splits a group: at most half of what the descriptor
    // limit leaves each thread, so that the threads together never run out.
    void FitOpenFilesToLimit(unsigned nThreads) {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return;
        const std::uint64_t nFree = limit.rlim_cur > 128 ? limit.rlim_cur - 128 : 0;
        const std::uint64_t nPerThread = std::max<std::uint64_t>(nFree / (2 * nThreads), 2);
        m_tuning.m_nMaxOpenFiles =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_tuning.m_nMaxOpenFiles, nPerThread));
    }

    // Folders each thread may keep open: what the descriptor limit leaves after the files
    // that the contents split keeps open.
    std::size_t FolderCapacity(unsigned nThreads) const {
        rlimit limit{};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
        const std::uint64_t nSoft = limit.rlim_cur == RLIM_INFINITY ? 1u << 20 : limit.rlim_cur;
        const std::uint64_t nReserved = 128 + std::uint64_t(nThreads) * m_tuning.m_nMaxOpenFiles;
        if (nSoft <= nReserved + 32) return 0;
        return static_cast<std::size_t>(std::min<std::uint64_t>((nSoft - nReserved) / (2 * nThreads), 1u << 16));
    }

    bool RunInline() {
        CFolderFds folders(FolderCapacity(1));
        folders.m_onUnreadable = m_tuning.m_onUnreadable;
        CUnit unit;
        while (NextUnit(unit)) {
            if (IsAborted(m_pAbort)) return false;
            CUnitResult r = Compute(unit, folders);
            if (IsAborted(m_pAbort)) return false;
            Take(std::move(r));
        }
        return !IsAborted(m_pAbort);
    }

    bool RunThreaded(unsigned nThreads) {
        // Workers stay within this many units of the one to be reported next, which bounds
        // the results waiting in memory. The reporting thread wakes every few milliseconds
        // or when the window is full, not once per unit: units are often only a few files.
        const std::size_t nMaxAhead = 1024;
        const auto tick = std::chrono::milliseconds(10);
        std::vector<std::thread> workers;
        const std::size_t nFolders = FolderCapacity(nThreads);
        for (unsigned t = 0; t < nThreads; ++t) {
            const bool bStarted = StartThread(workers, [this, nMaxAhead, nFolders] {
                CFolderFds folders(nFolders);
                folders.m_onUnreadable = m_tuning.m_onUnreadable;
                for (;;) {
                    CUnit unit;
                    {
                        std::unique_lock lock(m_mutex);
                        auto free = [&] { return m_bStop || m_nNextSeq < m_nEmitSeq + nMaxAhead; };
                        if (!free()) {
                            ++m_nWaiting;
                            if (m_done.count(m_nEmitSeq)) m_cvDone.notify_all();
                            m_cvWork.wait(lock, free);
                            --m_nWaiting;
                        }
                        if (m_bStop || IsAborted(m_pAbort) || !NextUnit(unit)) {
                            m_bExhausted = m_bExhausted || m_nCursor >= m_nFiles;
                            m_cvDone.notify_all();
                            return;
                        }
                    }
                    CUnitResult r = Compute(unit, folders);
                    std::lock_guard lock(m_mutex);
                    m_done.emplace(unit.m_nSeq, std::move(r));
                    if (unit.m_nSeq == m_nEmitSeq && (m_nWaiting > 0 || m_bExhausted))
                        m_cvDone.notify_all();
                }
            });
            if (!bStarted) break;  // fewer readers do the same work
        }
        if (workers.empty()) return RunInline();

        bool bComplete = false;
        std::vector<CUnitResult> ready;
        while (!bComplete && !IsAborted(m_pAbort)) {
            bool bWaiting;
            {
                std::unique_lock lock(m_mutex);
                m_cvDone.wait_for(lock, tick, [&] {
                    return (m_done.count(m_nEmitSeq) && (m_nWaiting > 0 || m_bExhausted)) ||
                           (m_bExhausted && m_nEmitSeq == m_nNextSeq);
                });
                for (auto it = m_done.find(m_nEmitSeq); it != m_done.end(); it = m_done.find(m_nEmitSeq)) {
                    ready.push_back(std::move(it->second));
                    m_done.erase(it);
                    ++m_nEmitSeq;
                }
                bComplete = m_bExhausted && m_nEmitSeq == m_nNextSeq;
                bWaiting = m_nWaiting > 0;
            }
            if (bWaiting) m_cvWork.notify_all();
            for (CUnitResult& r : ready) Take(std::move(r));
            ready.clear();
        }
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_cvWork.notify_all();
        for (std::thread& t : workers) t.join();
        return bComplete && !IsAborted(m_pAbort);
    }

    const CFileInfoArray& m_files;
    const std::size_t m_nFiles;
    const int m_nCriterion;
    const std::uint64_t m_nLimit;
    const std::atomic<int>* m_pAbort;
    CMatchTuning m_tuning;  // a copy: the descriptor budget is fitted to this process
    const FRunSets& m_onRun;

    // Producer position (under m_mutex when threaded).
    std::size_t m_nCursor = 0;
    std::size_t m_nSliceRunBegin = 0, m_nSliceRunEnd = 0, m_nSliceCursor = 0;
    std::size_t m_nNextSeq = 0;

    std::mutex m_mutex;
    std::condition_variable m_cvWork, m_cvDone;
    std::map<std::size_t, CUnitResult> m_done;
    std::size_t m_nEmitSeq = 0;
    bool m_bExhausted = false;
    unsigned m_nWaiting = 0;  // workers held back by the window
    bool m_bStop = false;

    // Keys of the slices of the run being gathered (reporting thread only).
    std::vector<std::optional<std::uint64_t>> m_keys;
};

}  // namespace

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

bool FindDuplicateSets(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
                       const std::atomic<int>* pAbort, const CMatchTuning& tuning,
                       const FRunSets& onRun) {
    if (IsAborted(pAbort)) return false;
    CSetFinder finder(files, nCriterion, nLimit, pAbort, tuning, onRun);
    return finder.Run();
}
