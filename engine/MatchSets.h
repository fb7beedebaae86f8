// Inside the matcher: how a run of equal-sized files falls into sets of duplicates.
// Exposed for the tests, the benchmarks and twinex-cli's --threads; the program itself only
// needs Match.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Match.h"

// Knobs of the matcher. The defaults suit a desktop; tests shrink them to reach every path.
struct CMatchTuning {
    unsigned m_nThreads = 0;                          // reading threads; 0: one per core (max 8)
    std::size_t m_nWholeReadMax = 256 * 1024;         // compared lengths up to this: one read per file
    std::size_t m_nFirstBlock = 64 * 1024;            // first block of a longer comparison
    std::size_t m_nMaxBlock = 4 * 1024 * 1024;        // blocks grow up to this
    std::size_t m_nMemoryBudget = 16 * 1024 * 1024;   // kept block bytes while splitting one group
    std::size_t m_nMaxOpenFiles = 256;                // beyond this, files are reopened per block
    bool m_bSameHashes = false;  // tests: every block hashes alike, so only the bytes decide
    // Told of each file that could not be read (see CFolderFds::m_onUnreadable), from the
    // reading threads, at the same time.
    std::function<void(const CFileInfo&, int nErrno)> m_onUnreadable;
};

// Sets of duplicates, each a list of indices into the file array in ascending order, the sets
// ordered by their first index.
using CFileSets = std::vector<std::vector<std::size_t>>;

// Called for every run [nBegin, nEnd) of two or more equal-sized files, in ascending order
// of nBegin, with the sets found in it (possibly none).
using FRunSets = std::function<void(std::size_t nBegin, std::size_t nEnd, const CFileSets& sets)>;

// Splits every run of equal-sized files of `files` into sets by the criterion over the first
// nLimit bytes (0: whole files). Two files join one set only when the criterion says they are
// equal; unreadable files, and files whose size is no longer the one collected, join none,
// except empty files, which match without being read.
// Files alone in their size are never opened. Each file's checksum or CRC is computed at most
// once, and under MATCH_CONTENTS no file's bytes are read more than twice. Reading runs on
// tuning.m_nThreads threads; onRun is called on the calling thread, in array order, so the
// result does not depend on the thread count. Returns false when *pAbort stopped it (onRun
// may have been called for the runs before).
bool FindDuplicateSets(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
                       const std::atomic<int>* pAbort, const CMatchTuning& tuning,
                       const FRunSets& onRun);

// Raises this process's soft limit of open files to its hard limit: the contents split keeps
// many files open at once, and a low soft limit only makes it reopen them. Call at start.
void RaiseOpenFileLimit();

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
    int Open(const CFileInfo& file);

    // Tests: told of each file just opened, before any of it is read.
    std::function<void(const CFileInfo&)> m_onOpened;
    // Told of each file that could not be opened or read, on the reading thread: the errno
    // value, or 0 when the file is no longer a regular file of its collected size.
    std::function<void(const CFileInfo&, int nErrno)> m_onUnreadable;
    void Unreadable(const CFileInfo& file, int nErrno) const {
        if (m_onUnreadable) m_onUnreadable(file, nErrno);
    }

private:
    int Opened(const CFileInfo& file, int fd) const;  // tells m_onOpened of fd >= 0; returns fd
    int TryOpen(const CFileInfo& file);
    void CloseFolders();

    std::size_t m_nCapacity;
    std::unordered_map<const std::string*, int> m_fds;  // by the folder text the files share
    std::deque<const std::string*> m_order;             // oldest first, for eviction
};

// The byte-by-byte split of one group of equal-sized files (indices into files, ascending)
// over min(nLimit or size, size) bytes. Each file is opened once while it can stay open and
// read once, except that a file whose block could not be kept in memory may be read a second
// time to compare it with the next file of its set. A file that has changed size, or whose
// read comes up short, joins no set. Empty result when aborted.
CFileSets PartitionByContents(const CFileInfoArray& files, const std::vector<std::size_t>& group,
                              std::uint64_t nLimit, const std::atomic<int>* pAbort,
                              const CMatchTuning& tuning, CFolderFds* pFolders = nullptr);

// The checksum (MATCH_CHECKSUM: XXH3-64) or CRC-32 (MATCH_CRC32) of the first nLimit bytes
// (0: all) of the file: the values of CFileInfo::GetChecksum and GetCRC, read through folder
// descriptors with as few calls as a small file allows. nullopt when the file cannot be read
// as a regular file, its size is no longer the one collected, a read comes up short, or on
// abort.
std::optional<std::uint64_t> FileKey(const CFileInfo& file, int nCriterion, std::uint64_t nLimit,
                                     const std::atomic<int>* pAbort, CFolderFds& folders);

// MatchFilesProc with explicit tuning (MatchFilesProc uses the defaults). A name of its own,
// so that MatchFilesProc stays a single function that callers can store.
void MatchFilesTuned(const CSearchSettings& settings, CSearchState& state, IResultSink& sink,
                    const CMatchCallbacks& callbacks, const CMatchTuning& tuning);

// Reads up to nLength bytes at nOffset, retrying short reads; returns the count read (less
// only at end of file) or -1 on error.
long long ReadAt(int fd, char* pBuffer, std::size_t nLength, std::uint64_t nOffset);
