#include "Collect.h"

#include <string_view>

#include "MaskList.h"

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char ca = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        const char cb = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (ca != cb) return false;
    }
    return true;
}

}  // namespace

void CollectFilesProc(const std::vector<CFolderRow>& rows, int bFolderListChanged,
                      CSearchState& state, const CCollectCallbacks& callbacks) {
    CollectFilesTuned(rows, bFolderListChanged, state, callbacks, CWalkTuning{});
}

void CollectFilesTuned(const std::vector<CFolderRow>& rows, int bFolderListChanged,
                      CSearchState& state, const CCollectCallbacks& callbacks,
                      const CWalkTuning& tuning) {
    auto onPhase = [&callbacks](ESearchPhase nPhase) {
        if (callbacks.onPhase) callbacks.onPhase(nPhase);
    };
    auto done = [&callbacks] {
        if (callbacks.postCollectDone) callbacks.postCollectDone();
    };
    if (!bFolderListChanged) {
        done();
        return;
    }
    state.m_bBusy = 1;
    state.m_bCollecting = 1;
    onPhase(ESearchPhase::Collecting);

    // No test of the abort flag here: AddDir returns at once while it is set, and the ending
    // below must run after a cancel too.
    state.m_files.BeginBatch();
    for (const CFolderRow& row : rows) {
        const bool bRecurse = EqualsNoCase(row.strSubdir, "Yes");
        // One walk per mask, as before; the row's exclusions only spare it work.
        const CRowMasks masks = ParseRowMasks(row.strMasks);
        for (const std::string& strMask : masks.m_includes)
            state.m_files.AddDir(row.strFolder, strMask, bRecurse, masks.m_exclusions,
                                 row.bReference, &state.m_bAbort, callbacks.onError, tuning);
    }

    state.m_files.EndBatch();
    state.m_bBusy = 0;
    state.m_bCollecting = 0;
    onPhase(ESearchPhase::Ready);
    done();
}
