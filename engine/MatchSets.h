// Inside the matcher: how runs of equal-sized files fall into sets of duplicates, stage by stage.
// Exposed for the tests, the benchmarks and twinex-cli's --threads; the program itself only
// needs Match.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "FileInfo.h"
#include "MatchTuning.h"
#include "SearchState.h"

// Called for every run [nBegin, nEnd) of two or more equal-sized files, in ascending order
// of nBegin, with the sets found in it (possibly none).
using FRunSets = std::function<void(std::size_t nBegin, std::size_t nEnd, const CFileSets& sets)>;

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
// Files whose size is outside `sizes` take no part, as if they were not in the array.
bool FindDuplicateSets(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
                       const std::atomic<int>* pAbort, const CMatchTuning& tuning,
                       const FRunSets& onRun, const CByteCounters& bytes = {},
                       const CSizeLimits& sizes = {});

// Raises this process's soft limit of open files to its hard limit: a byte comparison keeps
// many files open at once, and the readers keep folders open. Call at start.
void RaiseOpenFileLimit();
