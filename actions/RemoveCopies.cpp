#include "RemoveCopies.h"

#include <cerrno>

namespace {

// A file the check found to be a copy of strAgainst, with both as the check saw them.
struct CRemoval {
    std::string strPath;
    std::string strAgainst;
    CFileStamp stamp, stampAgainst;
};

// Compares every planned file with the copy that stays; the files that may go come back in
// plan order, the others in kept. False when the user cancelled: nothing may go then.
bool CheckPlannedFiles(const CDeletePlan& plan, IDeleteProgress& progress,
                       std::vector<CRemoval>& removals, std::vector<CKeptFile>& kept) {
    std::vector<CCopyCheck> checks(plan.paths.size());
    for (std::size_t i = 0; i < plan.paths.size(); ++i)
        checks[i] = {plan.paths[i], plan.stays[i], plan.sizes[i]};
    progress.BeginCheck(CheckCopiesBytes(checks));
    bool bCancelled = false;
    const std::vector<CCheckResult> results = CheckCopies(
        checks, [&](std::uint64_t nDone) { return progress.StepCheck(nDone); }, bCancelled);
    if (bCancelled) return false;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const CCheckResult& result = results[i];
        if (result.nVerdict == CHECK_SAME)
            removals.push_back({plan.paths[i], result.strAgainst, result.stamp, result.stampAgainst});
        else
            kept.push_back({plan.paths[i], result.nVerdict, result.nErrno, result.strAgainst});
    }
    return true;
}

// Both files still as the check read them.
bool StillAsChecked(const CRemoval& removal) {
    CFileStamp stamp, stampAgainst;
    return ReadFileStamp(removal.strPath, stamp) && stamp == removal.stamp &&
           ReadFileStamp(removal.strAgainst, stampAgainst) && stampAgainst == removal.stampAgainst;
}

}  // namespace

CRemovalOutcome RemoveCheckedCopies(const CDeletePlan& plan, bool bToTrash, IFileRemover& remover,
                                    ITrash& trash, IDeleteProgress& progress) {
    CRemovalOutcome outcome;
    std::vector<CRemoval> removals;
    if (!CheckPlannedFiles(plan, progress, removals, outcome.kept)) {
        progress.End();
        outcome.bCancelled = true;
        return outcome;
    }
    progress.Begin(static_cast<int>(removals.size()), bToTrash);
    for (std::size_t i = 0; i < removals.size(); ++i) {
        if (!progress.Step(static_cast<int>(i))) break;
        const CRemoval& removal = removals[i];
        if (!StillAsChecked(removal)) {
            outcome.kept.push_back({removal.strPath, CHECK_CHANGED, 0, removal.strAgainst});
            continue;
        }
        std::string strTrashedAs;
        const int nError = bToTrash ? trash.Move(removal.strPath, &strTrashedAs)
                                    : remover.Remove(removal.strPath);
        if (nError == 0 || nError == ENOENT) {
            outcome.deleted.push_back(removal.strPath);
            outcome.trashedAs.push_back(std::move(strTrashedAs));
        } else {
            outcome.failed.push_back({removal.strPath, nError});
        }
    }
    progress.Step(static_cast<int>(removals.size()));
    progress.End();
    return outcome;
}
