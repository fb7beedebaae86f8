#include "RemoveCopies.h"

#include <cerrno>

#include "PlannedCheck.h"

CRemovalOutcome RemoveCheckedCopies(const CDeletePlan& plan, bool bToTrash, IFileRemover& remover,
                                    ITrash& trash, IDeleteProgress& progress) {
    CRemovalOutcome outcome;
    outcome.bCancelled = !ActOnCheckedCopies(
        plan, bToTrash, progress, outcome.kept, [&](const CCheckedCopy& removal) {
            std::string strTrashedAs;
            const int nError = bToTrash ? trash.Move(removal.strPath, &strTrashedAs)
                                        : remover.Remove(removal.strPath);
            if (nError == 0 || nError == ENOENT) {
                outcome.deleted.push_back(removal.strPath);
                outcome.trashedAs.push_back(std::move(strTrashedAs));
            } else {
                outcome.failed.push_back({removal.strPath, nError});
            }
        });
    return outcome;
}
