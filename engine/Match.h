// The matching worker: finds duplicate pairs among the collected files and writes rows.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "ResultRow.h"
#include "SearchState.h"

struct CMatchTuning;

struct CMatchCallbacks {
    std::function<void(ESearchPhase nPhase)> onPhase;  // each phase as it begins
    std::function<void()> postMatchDone;            // exactly once, at the end
};

// Scans state.m_files by size with the settings' criterion, records state.m_matches and, when
// not aborted, clears the sink and writes one row per pair in batches. Files outside the size
// limits take no part; a set of reference files only is not recorded, and rows carry the
// reference marks of their files. Runs on a worker thread.
void MatchFilesProc(const CSearchSettings& settings, CSearchState& state, IResultSink& sink,
                    const CMatchCallbacks& callbacks);

// True when the first nLimit bytes of a and b are equal (0 or more than a's size: all of a).
// False when either file's size is no longer the recorded one, or it cannot be read.
bool CompareFileContents(const CFileInfo& a, const CFileInfo& b, std::uint64_t nLimit,
                         const std::atomic<int>* pAbort);

// MatchFilesProc with explicit tuning (MatchFilesProc uses the defaults). A name of its own,
// so that MatchFilesProc stays a single function that callers can store.
void MatchFilesTuned(const CSearchSettings& settings, CSearchState& state, IResultSink& sink,
                     const CMatchCallbacks& callbacks, const CMatchTuning& tuning);
