// Inside the matcher: how runs of equal-sized files fall into sets of duplicates, stage by stage.
// Exposed for the tests, the benchmarks and twinex-cli's --threads; the program itself only
// needs Match.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "Match.h"

// Knobs of the matcher. The defaults suit a desktop; tests shrink them to reach every path.
struct CMatchTuning {
    unsigned m_nThreads = 0;                  // reading threads; 0: one per core (max 8)
    std::size_t m_nEdgeBlock = 4096;          // the first and last blocks the cheap stages hash
    std::size_t m_nWholeReadMax = 64 * 1024;  // spans up to this: read whole at the first read,
                                              // and no last-block stage
    std::size_t m_nBatchBytes = 8 << 20;      // first reads of one batch of runs, at most
    std::size_t m_nKeptBytes = 1 << 20;       // Contents: short spans one batch keeps to compare
    std::size_t m_nBatchFiles = 16384;        // files of one batch, at most
    std::size_t m_nMaxOpenFiles = 256;        // beyond this, a byte comparison goes pair by pair
    bool m_bSameHashes = false;               // tests: first and last blocks all hash alike
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

// Called for every run [nBegin, nEnd) of two or more equal-sized files, in ascending order
// of nBegin, with the sets found in it (possibly none).
using FRunSets = std::function<void(std::size_t nBegin, std::size_t nEnd, const CFileSets& sets)>;

// Where the matcher counts its progress in bytes (see CSearchState); either may be null.
struct CByteCounters {
    std::atomic<std::uint64_t>* m_pDone = nullptr;
    std::atomic<std::uint64_t>* m_pTotal = nullptr;
};

// Splits every run of equal-sized files of `files` into sets by the criterion over the span,
// min(size, nLimit) bytes (nLimit 0: whole files). Two files join one set only when the
// criterion says they are equal; unreadable files, and files whose size is no longer the one
// collected, join none, except empty files, which match without being read. Each (device,
// inode) counts once. Files alone in their size are never opened, and MATCH_SIZE reads nothing.
// Stages of rising cost split the runs first (the first and the last few KiB of the span),
// so that files told apart early are read no further. Reading runs on tuning.m_nThreads
// threads; onRun is called on the calling thread, in array order, so the result does not
// depend on the thread count. Returns false when *pAbort stopped it (onRun may have been
// called for the runs before). The total is set at the start; done reaches it at the end.
bool FindDuplicateSets(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
                       const std::atomic<int>* pAbort, const CMatchTuning& tuning,
                       const FRunSets& onRun, const CByteCounters& bytes = {});

// Raises this process's soft limit of open files to its hard limit: a byte comparison keeps
// many files open at once, and the readers keep folders open. Call at start.
void RaiseOpenFileLimit();

// MatchFilesProc with explicit tuning (MatchFilesProc uses the defaults). A name of its own,
// so that MatchFilesProc stays a single function that callers can store.
void MatchFilesTuned(const CSearchSettings& settings, CSearchState& state, IResultSink& sink,
                     const CMatchCallbacks& callbacks, const CMatchTuning& tuning);
