// The matching worker and the byte-by-byte comparison of two files.

#include "Match.h"

#include <mutex>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "ByteSplit.h"
#include "HashCache.h"
#include "MatchSets.h"

namespace {

constexpr std::size_t ROWS_PER_BATCH = 4096;

bool IsAborted(const std::atomic<int>& bAbort) {
    return bAbort.load(std::memory_order_relaxed) != 0;
}

// Records one set of duplicates X1..Xn (array order) as the chain (X1,X2), (X2,X3), ...
// and, with reflect, the closing pair (Xn,Xn-1), so that every file of the set stands once
// as a source. These are the pairs that comparing each file with the last match gives
// when the set is alone in its size.
void RecordSet(const CFileInfoArray& files, const std::vector<std::size_t>& set, bool bReflect,
               CSearchState& state) {
    for (std::size_t i = 0; i + 1 < set.size(); ++i)
        state.m_matches.push_back(MatchPair{&files[set[i]], &files[set[i + 1]]});
    if (bReflect && set.size() >= 2)
        state.m_matches.push_back(
            MatchPair{&files[set[set.size() - 1]], &files[set[set.size() - 2]]});
    state.m_nMatches.store(state.m_matches.size(), std::memory_order_relaxed);
}

// A set kept whole in reference folders has nothing to remove, so it is not listed.
bool AllReference(const CFileInfoArray& files, const std::vector<std::size_t>& set) {
    return std::all_of(set.begin(), set.end(),
                       [&files](std::size_t i) { return files[i].IsReference(); });
}

CResultRow MakeRow(const MatchPair& pair) {
    const CFileInfo& src = *pair.pSource;
    const CFileInfo& dst = *pair.pTarget;
    CResultRow row;
    row.m_strSourcePath = src.GetFilePath();
    row.m_strTargetPath = dst.GetFilePath();
    row.m_nSize = src.GetLength();
    row.m_tSource = src.GetTime();
    row.m_tTarget = dst.GetTime();
    row.m_bSourceReference = src.IsReference();
    row.m_bTargetReference = dst.IsReference();
    return row;
}

// Empties the sink and writes one row per pair; stops before the next row on abort, keeping
// the rows written so far.
void FillSink(const CSearchState& state, IResultSink& sink) {
    sink.Clear();
    std::vector<CResultRow> batch;
    batch.reserve(std::min(ROWS_PER_BATCH, state.m_matches.size()));
    for (const MatchPair& pair : state.m_matches) {
        if (IsAborted(state.m_bAbort)) break;
        batch.push_back(MakeRow(pair));
        if (batch.size() == ROWS_PER_BATCH) {
            sink.Append(std::move(batch));
            batch = {};
            batch.reserve(ROWS_PER_BATCH);
        }
    }
    if (!batch.empty()) sink.Append(std::move(batch));
    sink.End();
}

}  // namespace

void MatchFilesTuned(const CSearchSettings& settings, CSearchState& state, IResultSink& sink,
                    const CMatchCallbacks& callbacks, const CMatchTuning& tuning) {
    const CFileInfoArray& files = state.m_files;
    const std::size_t nFiles = files.GetSize();
    state.m_nProgressPos.store(0);
    state.m_nProgressMax.store(static_cast<std::int64_t>(nFiles));
    state.m_nBytesDone.store(0);
    state.m_nBytesTotal.store(0);
    state.m_bBusy.store(1);
    state.m_bMatching.store(1);
    if (callbacks.onPhase) callbacks.onPhase(ESearchPhase::Matching);

    // Pairs of an earlier run would point at files that may be gone.
    state.m_matches.clear();
    state.m_nMatches.store(0);

    int nCriterion = settings.m_nCriterion;
    if (nCriterion < MATCH_SIZE || nCriterion > MATCH_CONTENTS) nCriterion = MATCH_SIZE;
    const std::uint64_t nLimit = settings.GetPartialBytes();
    const bool bReflect = settings.m_bReflect != 0;

    // Reading threads report the files they could not read; sorted afterwards, so the list
    // does not depend on which thread came first.
    state.m_unreadable.clear();
    std::mutex unreadableMutex;
    std::vector<std::pair<const CFileInfo*, int>> unreadable;
    CMatchTuning reporting = tuning;
    // The cache is opened here, on the worker: waiting for another search's lock must not
    // hold up the user interface.
    state.m_strCacheProblem.clear();
    std::unique_ptr<CHashCache> pOwnCache;
    if (!reporting.m_pCache && settings.m_bUseCache && nCriterion != MATCH_SIZE &&
        !IsAborted(state.m_bAbort)) {
        const std::string strPath =
            settings.m_strCachePath.empty() ? CHashCache::DefaultPath() : settings.m_strCachePath;
        pOwnCache = CHashCache::Open(strPath, state.m_strCacheProblem);
        reporting.m_pCache = pOwnCache.get();
    }
    reporting.m_onUnreadable = [&](const CFileInfo& file, int nErrno) {
        std::lock_guard lock(unreadableMutex);
        unreadable.emplace_back(&file, nErrno);
        if (tuning.m_onUnreadable) tuning.m_onUnreadable(file, nErrno);
    };

    bool bComplete = false;
    if (!IsAborted(state.m_bAbort)) {
        bComplete = FindDuplicateSets(
            files, nCriterion, nLimit, &state.m_bAbort, reporting,
            [&](std::size_t nBegin, std::size_t, const CFileSets& sets) {
                state.m_nProgressPos.store(static_cast<std::int64_t>(nBegin),
                                           std::memory_order_relaxed);
                for (const auto& set : sets)
                    if (!AllReference(files, set)) RecordSet(files, set, bReflect, state);
            },
            CByteCounters{&state.m_nBytesDone, &state.m_nBytesTotal},
            CSizeLimits{settings.m_nMinSize, settings.m_nMaxSize});
    }

    if (reporting.m_pCache) {
        if (bComplete && !IsAborted(state.m_bAbort)) reporting.m_pCache->Prune(files);
        if (state.m_strCacheProblem.empty()) state.m_strCacheProblem = reporting.m_pCache->Problem();
    }

    std::sort(unreadable.begin(), unreadable.end());
    const CFileInfo* pLast = nullptr;
    for (const auto& [pFile, nErrno] : unreadable)
        if (pFile != std::exchange(pLast, pFile)) state.m_unreadable.push_back({pFile->GetFilePath(), nErrno});

    if (!bComplete || IsAborted(state.m_bAbort)) {
        state.m_nProgressPos.store(0);  // the sink keeps its earlier rows
    } else {
        state.m_nProgressPos.store(static_cast<std::int64_t>(nFiles));
        FillSink(state, sink);
    }

    state.m_bBusy.store(0);
    state.m_bMatching.store(0);
    if (callbacks.onPhase) callbacks.onPhase(ESearchPhase::Ready);
    if (callbacks.postMatchDone) callbacks.postMatchDone();
}

void MatchFilesProc(const CSearchSettings& settings, CSearchState& state, IResultSink& sink,
                    const CMatchCallbacks& callbacks) {
    MatchFilesTuned(settings, state, sink, callbacks, CMatchTuning{});
}

bool CompareFileContents(const CFileInfo& a, const CFileInfo& b, std::uint64_t nLimit,
                         const std::atomic<int>* pAbort) {
    const std::uint64_t n = (nLimit != 0 && nLimit <= a.GetLength()) ? nLimit : a.GetLength();
    // Nothing to compare: equal without opening anything, even when a file is unreadable.
    if (n == 0) return true;
    if (pAbort && pAbort->load(std::memory_order_relaxed)) return false;

    const int fdA = OpenUnchangedFileAt(AT_FDCWD, a.GetFilePath(), a.GetLength());
    const int fdB = OpenUnchangedFileAt(AT_FDCWD, b.GetFilePath(), b.GetLength());
    const bool bEqual = fdA >= 0 && fdB >= 0 && SplitOpenFiles({fdA, fdB}, 0, n, pAbort).size() == 1;
    if (fdA >= 0) ::close(fdA);
    if (fdB >= 0) ::close(fdB);
    return bEqual;
}
