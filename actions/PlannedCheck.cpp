#include "PlannedCheck.h"

bool CheckPlannedFiles(const CDeletePlan& plan, IDeleteProgress& progress,
                       std::vector<CCheckedCopy>& copies, std::vector<CKeptFile>& kept) {
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
            copies.push_back({plan.paths[i], result.strAgainst, result.stamp, result.stampAgainst});
        else
            kept.push_back({plan.paths[i], result.nVerdict, result.nErrno, result.strAgainst});
    }
    return true;
}

bool StillAsChecked(const CCheckedCopy& copy) {
    CFileStamp stamp, stampAgainst;
    return ReadFileStamp(copy.strPath, stamp) && stamp == copy.stamp &&
           ReadFileStamp(copy.strAgainst, stampAgainst) && stampAgainst == copy.stampAgainst;
}

bool ActOnCheckedCopies(const CDeletePlan& plan, bool bToTrash, IDeleteProgress& progress,
                        std::vector<CKeptFile>& kept,
                        const std::function<void(const CCheckedCopy&)>& fnAct,
                        const std::function<void(CCheckedCopy&)>& fnExpect) {
    std::vector<CCheckedCopy> copies;
    if (!CheckPlannedFiles(plan, progress, copies, kept)) {
        progress.End();
        return false;
    }
    progress.Begin(static_cast<int>(copies.size()), bToTrash);
    for (std::size_t i = 0; i < copies.size(); ++i) {
        if (!progress.Step(static_cast<int>(i))) break;
        CCheckedCopy& copy = copies[i];
        if (fnExpect) fnExpect(copy);
        if (StillAsChecked(copy))
            fnAct(copy);
        else
            kept.push_back({copy.strPath, CHECK_CHANGED, 0, copy.strAgainst});
    }
    progress.Step(static_cast<int>(copies.size()));
    progress.End();
    return true;
}
