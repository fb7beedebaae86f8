// What the matcher's callers hand in: its knobs and where it counts bytes, and the sets it finds.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "FileInfo.h"

class CHashCache;

// Reading threads unless told otherwise, whatever the number of cores: a read from a cold disk
// mostly waits, and the disk answers several reads at once in about the time of one.
constexpr unsigned DEFAULT_READERS = 8;

// Knobs of the matcher. The defaults suit a desktop; tests shrink them to reach every path.
struct CMatchTuning {
    unsigned m_nThreads = 0;                  // reading threads; 0: DEFAULT_READERS
    std::size_t m_nEdgeBlock = 4096;          // the first and last blocks the cheap stages hash
    std::size_t m_nWholeReadMax = 64 * 1024;  // spans up to this: read whole at the first read,
                                              // and no last-block stage
    std::size_t m_nBatchBytes = 8 << 20;      // first reads of one batch of runs, at most
    std::size_t m_nKeptBytes = 1 << 20;       // Contents: short spans one batch keeps to compare
    std::size_t m_nBatchFiles = 16384;        // files of one batch, at most
    std::size_t m_nMaxOpenFiles = 256;        // beyond this, a byte comparison goes pair by pair
    bool m_bSameHashes = false;               // tests: first and last blocks all hash alike
    // What earlier searches learned, used from the calling thread only; null: none.
    CHashCache* m_pCache = nullptr;
    // Told of each file that could not be read (errno, or 0 when it is no longer a regular file
    // of its collected size), from the reading threads, at the same time.
    std::function<void(const CFileInfo&, int nErrno)> m_onUnreadable;
    // Tests: told of each file opened (before it is read) and of each read, on the reader.
    std::function<void(const CFileInfo&)> m_onOpened;
    std::function<void(const CFileInfo&, std::uint64_t nOffset, std::size_t nLength)> m_onRead;
};

// Sets of duplicates, each a list of indices into the file array in ascending order, the sets
// ordered by their first index.
using CFileSets = std::vector<std::vector<std::size_t>>;

// Where the matcher counts its progress in bytes (see CSearchState); either may be null.
struct CByteCounters {
    std::atomic<std::uint64_t>* m_pDone = nullptr;
    std::atomic<std::uint64_t>* m_pTotal = nullptr;
};

// The sizes that take part in matching, in bytes, both ends included.
struct CSizeLimits {
    std::uint64_t m_nMin = 0;
    std::uint64_t m_nMax = UINT64_MAX;

    bool Contains(std::uint64_t nSize) const { return nSize >= m_nMin && nSize <= m_nMax; }
};
