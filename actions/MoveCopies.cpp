#include "MoveCopies.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "PlannedCheck.h"
#include "UniqueFd.h"

namespace {

// mkdir -p of strPath's folder.
int MakeParents(const std::string& strPath) {
    for (std::size_t nSlash = strPath.find('/', 1); nSlash != std::string::npos;
         nSlash = strPath.find('/', nSlash + 1)) {
        const std::string strDir = strPath.substr(0, nSlash);
        if (mkdir(strDir.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    }
    return 0;
}

int CopyBytes(int fdFrom, int fdTo) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t nRead = read(fdFrom, buffer.data(), buffer.size());
        if (nRead < 0 && errno == EINTR) continue;
        if (nRead < 0) return errno;
        if (nRead == 0) return 0;
        for (ssize_t nDone = 0; nDone < nRead;) {
            const ssize_t nWritten =
                write(fdTo, buffer.data() + nDone, static_cast<std::size_t>(nRead - nDone));
            if (nWritten < 0 && errno == EINTR) continue;
            if (nWritten < 0) return errno;
            nDone += nWritten;
        }
    }
}

// The copy across file systems: whole and durable under a temporary name, then linked to its
// place (which fails rather than replace anything), then the original removed.
int CopyThenRemove(const std::string& strFrom, const std::string& strTo) {
    CUniqueFd fdFrom(open(strFrom.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fdFrom.Get() < 0) return errno;
    struct stat st;
    if (fstat(fdFrom.Get(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    const std::string strTemp = strTo + ".twinex-part";
    int nError = 0;
    {
        CUniqueFd fdTo(
            open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fdTo.Get() < 0) return errno;
        nError = CopyBytes(fdFrom.Get(), fdTo.Get());
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (nError == 0 && fchmod(fdTo.Get(), st.st_mode & 07777) != 0) nError = errno;
        if (nError == 0 && futimens(fdTo.Get(), times) != 0) nError = errno;
        if (nError == 0 && fsync(fdTo.Get()) != 0) nError = errno;
    }
    if (nError == 0 && link(strTemp.c_str(), strTo.c_str()) != 0) nError = errno;
    unlink(strTemp.c_str());
    if (nError != 0) return nError;
    if (unlink(strFrom.c_str()) != 0) {
        nError = errno;
        unlink(strTo.c_str());  // the original could not go: no second copy is left behind
    }
    return nError;
}

}  // namespace

int MoveFileNoReplace(const std::string& strFrom, const std::string& strTo) {
    if (const int nError = MakeParents(strTo)) return nError;
    if (renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EXDEV) return errno;
    return CopyThenRemove(strFrom, strTo);
}

CMoveOutcome MoveCheckedCopies(const CDeletePlan& plan,
                               const std::function<std::string(const std::string&)>& fnDestination,
                               IDeleteProgress& progress) {
    CMoveOutcome outcome;
    outcome.bCancelled =
        !ActOnCheckedCopies(plan, false, progress, outcome.kept, [&](const CCheckedCopy& copy) {
            std::string strTo = fnDestination(copy.strPath);
            if (const int nError = MoveFileNoReplace(copy.strPath, strTo)) {
                outcome.failed.push_back({copy.strPath, nError});
                return;
            }
            outcome.moved.push_back(copy.strPath);
            outcome.movedTo.push_back(std::move(strTo));
        });
    return outcome;
}
