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
