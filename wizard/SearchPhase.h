// How the user interface shows a search's phases: status-bar texts by string id, and how often
// the progress page looks at the workers' counters.
#pragma once

#include "Resource.h"
#include "SearchState.h"

constexpr int PROGRESS_TIMER_MS = 100;

constexpr int PhaseStringId(ESearchPhase nPhase) {
    switch (nPhase) {
    case ESearchPhase::Collecting: return IDS_SEARCHING_FILES;
    case ESearchPhase::Matching: return IDS_MATCHING_FILES;
    case ESearchPhase::Ready: break;
    }
    return AFX_IDS_IDLEMESSAGE;
}
