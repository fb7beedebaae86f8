#include "RemoveCopies.h"

#include <cerrno>

#include "PlannedCheck.h"

CRemovalOutcome RemoveCheckedCopies(const CDeletePlan& plan, bool bToTrash, IFileRemover& remover,
                                    ITrash& trash, IDeleteProgress& progress) {
    CRemovalOutcome outcome;
    std::vector<CCheckedCopy> removals;
    if (!CheckPlannedFiles(plan, progress, removals, outcome.kept)) {
        progress.End();
        outcome.bCancelled = true;
        return outcome;
    }
    progress.Begin(static_cast<int>(removals.size()), bToTrash);
    for (std::size_t i = 0; i < removals.size(); ++i) {
        if (!progress.Step(static_cast<int>(i))) break;
        const CCheckedCopy& removal = removals[i];
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
