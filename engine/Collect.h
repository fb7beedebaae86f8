// The collection worker: turns folder rows into the size-ordered array of files.
#pragma once

#include <functional>
#include <vector>

#include "SearchState.h"

struct CCollectCallbacks {
    std::function<void(ESearchPhase nPhase)> onPhase;  // each phase as it begins
    std::function<void()> postCollectDone;          // exactly once, at the end
    FWalkError onError;                             // optional: unreadable folders and files
};

// Collects the files of every row and mask into state.m_files, in row order. A row's "!"
// entries leave names and paths out of all its masks (see ParseRowMasks); the files of a
// reference row are marked as reference files. When
// bFolderListChanged is 0 it only calls postCollectDone, so the earlier collection is reused.
// Runs on a worker thread; honours state.m_bAbort.
void CollectFilesProc(const std::vector<CFolderRow>& rows, int bFolderListChanged,
                      CSearchState& state, const CCollectCallbacks& callbacks);
// The same, walking the folders as tuning says (twinex-cli's --one-file-system).
void CollectFilesTuned(const std::vector<CFolderRow>& rows, int bFolderListChanged,
                      CSearchState& state, const CCollectCallbacks& callbacks,
                      const CWalkTuning& tuning);
