// Splitting runs of equal-sized files into sets of duplicates: batches of runs, each taken
// through the stages in parallel passes and reported in array order.

#include "MatchSets.h"

#include <sys/resource.h>

#include <algorithm>

#include "HashCache.h"
#include "MatchCache.h"
#include "MatchStages.h"

namespace {

bool IsAborted(const std::atomic<int>* pAbort) {
    return pAbort && pAbort->load(std::memory_order_relaxed) != 0;
}

struct CRun {
    std::size_t m_nBegin = 0, m_nEnd = 0;
};

// The runs of two or more files of one size within the limits, in array order.
std::vector<CRun> FindRuns(const CFileInfoArray& files, const CSizeLimits& sizes) {
    std::vector<CRun> runs;
    const std::size_t nFiles = files.GetData().size();
    for (std::size_t nBegin = 0, nEnd; nBegin < nFiles; nBegin = nEnd) {
        nEnd = nBegin + 1;
        while (nEnd < nFiles && files[nEnd].GetLength() == files[nBegin].GetLength()) ++nEnd;
        if (nEnd - nBegin >= 2 && sizes.Contains(files[nBegin].GetLength()))
            runs.push_back({nBegin, nEnd});
    }
    return runs;
}

std::uint64_t Span(const CFileInfo& file, std::uint64_t nLimit) {
    return (nLimit != 0 && nLimit <= file.GetLength()) ? nLimit : file.GetLength();
}

bool ReadsFiles(int nCriterion) {
    return nCriterion == MATCH_CHECKSUM || nCriterion == MATCH_CRC32 ||
           nCriterion == MATCH_CONTENTS;
}

// Folders each reader may keep open: what the descriptor limit leaves after the files that a
// byte comparison keeps open, shared among the threads.
std::size_t FolderCapacity(unsigned nThreads, std::size_t nMaxOpenFiles) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    const std::uint64_t nSoft = limit.rlim_cur == RLIM_INFINITY ? 1u << 20 : limit.rlim_cur;
    const std::uint64_t nReserved = 128 + std::uint64_t(nThreads) * nMaxOpenFiles;
    if (nSoft <= nReserved + 32) return 0;
    return static_cast<std::size_t>(
        std::min<std::uint64_t>((nSoft - nReserved) / (2 * nThreads), 1u << 16));
}

// Files one byte comparison keeps open: at most half of what the descriptor limit leaves each
// thread, so that the threads together never run out.
std::size_t FitOpenFiles(unsigned nThreads, std::size_t nWanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return nWanted;
    const std::uint64_t nFree = limit.rlim_cur > 128 ? limit.rlim_cur - 128 : 0;
    return static_cast<std::size_t>(
        std::clamp<std::uint64_t>(nFree / (2 * nThreads), 2, std::max<std::size_t>(nWanted, 2)));
}

// Whether the short spans of a run that Contents keeps still fit the batch's room; a run
// that does not would be read twice.
bool Fits(const CBatch& batch, const CKeptBytes& kept, const CRun& run) {
    if (kept.m_nCapacity == 0) return true;
    const std::uint64_t nSpan = Span(batch.m_files[run.m_nBegin], batch.m_nLimit);
    if (nSpan > batch.m_tuning.m_nWholeReadMax) return true;  // nothing of it is kept
    return (run.m_nEnd - run.m_nBegin) * nSpan <= kept.m_nCapacity - kept.m_nUsed;
}

// Takes one batch of runs through the stages and reports each run's sets, in order. False on
// abort, before anything of the batch is reported.
bool MatchBatch(CBatch& batch, const std::vector<CRun>& runs, const std::vector<CSets>& perRun,
                const FRunSets& onRun) {
    CSets sets;
    for (const CSets& s : perRun)
        for (const auto& set : s) sets.push_back(set);
    sets = DropSameInodes(batch, std::move(sets));
    const bool bEmpty = !sets.empty() && batch.m_candidates[sets.front().front()].m_nSpan == 0;
    if (ReadsFiles(batch.m_nCriterion) && !bEmpty) {
        // Empty files are equal without being read; a batch with them holds their run alone.
        LookUpCached(batch, sets);
        sets = SplitByFirstBlock(batch, std::move(sets));
        if (batch.Aborted()) return false;
        sets = SplitByLastBlock(batch, std::move(sets));
        if (batch.Aborted()) return false;
        sets = SplitByCriterion(batch, std::move(sets));
        if (batch.Aborted()) return false;
        StoreLearned(batch);
    }
    batch.Settle();
    std::sort(sets.begin(), sets.end());
    auto it = sets.begin();
    for (const CRun& run : runs) {
        CFileSets found;
        for (; it != sets.end() && batch.m_candidates[it->front()].m_nIndex < run.m_nEnd; ++it) {
            found.emplace_back();
            for (std::size_t p : *it) found.back().push_back(batch.m_candidates[p].m_nIndex);
        }
        if (batch.Aborted()) return false;
        onRun(run.m_nBegin, run.m_nEnd, found);
    }
    return true;
}

}  // namespace

void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

bool FindDuplicateSets(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
                       const std::atomic<int>* pAbort, const CMatchTuning& tuning,
                       const FRunSets& onRun, const CByteCounters& bytes,
                       const CSizeLimits& sizes) {
    if (IsAborted(pAbort)) return false;
    const std::vector<CRun> runs = FindRuns(files, sizes);
    std::uint64_t nTotal = 0;
    if (ReadsFiles(nCriterion))
        for (const CRun& run : runs)
            nTotal += (run.m_nEnd - run.m_nBegin) * Span(files[run.m_nBegin], nLimit);
    if (bytes.m_pTotal) bytes.m_pTotal->store(nTotal, std::memory_order_relaxed);

    unsigned nThreads = tuning.m_nThreads;
    if (nThreads == 0) nThreads = DEFAULT_READERS;
    if (!ReadsFiles(nCriterion)) nThreads = 1;
    CMatchTuning fitted = tuning;
    fitted.m_nMaxOpenFiles = FitOpenFiles(nThreads, tuning.m_nMaxOpenFiles);
    CPassPool pool(nThreads);
    std::deque<CReader> readers;
    const std::size_t nFolders = FolderCapacity(nThreads, fitted.m_nMaxOpenFiles);
    for (unsigned t = 0; t < nThreads; ++t) {
        readers.emplace_back(nFolders,
                             nCriterion == MATCH_CRC32 ? EHashKind::Crc32 : EHashKind::Xxh3);
        readers.back().m_folders.m_onUnreadable = tuning.m_onUnreadable;
    }

    // Batches of whole runs, as many as fit the limits (a larger run goes alone). Empty files,
    // first in the array, make a batch of their own, as they need no stage.
    std::atomic<std::uint64_t>* pDone = ReadsFiles(nCriterion) ? bytes.m_pDone : nullptr;
    CKeptBytes kept;
    if (nCriterion == MATCH_CONTENTS && fitted.m_nKeptBytes) {
        kept.m_p.reset(new char[fitted.m_nKeptBytes]);  // uninitialised: only copies land there
        kept.m_nCapacity = fitted.m_nKeptBytes;
    }
    for (std::size_t r = 0; r < runs.size();) {
        CBatch batch(files, nCriterion, nLimit, pAbort, fitted, pool, readers, kept, pDone);
        std::vector<CRun> batchRuns;
        std::vector<CSets> perRun;
        do {
            const CRun& run = runs[r];
            batchRuns.push_back(run);
            perRun.push_back(CSets{batch.AddRun(run.m_nBegin, run.m_nEnd)});
            ++r;
            if (files[run.m_nBegin].GetLength() == 0) break;
        } while (r < runs.size() && batch.GetCount() < fitted.m_nBatchFiles &&
                 batch.GetFirstReadBytes() < fitted.m_nBatchBytes && Fits(batch, kept, runs[r]));
        if (IsAborted(pAbort) || !MatchBatch(batch, batchRuns, perRun, onRun)) return false;
    }
    if (tuning.m_pCache) tuning.m_pCache->Flush();
    return !IsAborted(pAbort);
}
