#include "LinkCopies.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>

#include "PlannedCheck.h"
#include "UniqueFd.h"

namespace {

// A name in strPath's folder that nothing else uses for long: short, so that a long file name
// cannot make it too long, and hidden, should a crash leave it behind.
std::string TempNameBeside(const std::string& strPath) {
    static std::atomic<unsigned> s_nNext{0};
    const std::size_t nSlash = strPath.rfind('/');
    const std::string strDir =
        nSlash == std::string::npos ? std::string() : strPath.substr(0, nSlash + 1);
    const auto nTick = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    return strDir + ".twinex-" + std::to_string(getpid()) + "-" + std::to_string(s_nNext++) + "-" +
           std::to_string(nTick % 1000000);
}

int MakeClone(const struct stat& stFile, int fdKeep, const std::string& strTemp) {
    CUniqueFd fdTemp(
        open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fdTemp.Get() < 0) return errno;
    int nError = 0;
    if (ioctl(fdTemp.Get(), FICLONE, fdKeep) != 0) nError = errno == ENOTTY ? EOPNOTSUPP : errno;
    // The owner only where allowed; the mode after it, since a change of owner clears set-id bits.
    if (nError == 0 && fchown(fdTemp.Get(), stFile.st_uid, stFile.st_gid) != 0 && errno != EPERM)
        nError = errno;
    if (nError == 0 && fchmod(fdTemp.Get(), stFile.st_mode & 07777) != 0) nError = errno;
    const struct timespec times[2] = {stFile.st_atim, stFile.st_mtim};
    if (nError == 0 && futimens(fdTemp.Get(), times) != 0) nError = errno;
    if (nError != 0) unlink(strTemp.c_str());
    return nError;
}

}  // namespace

int MakeReplacement(const std::string& strPath, const std::string& strKeep, ELinkKind nKind,
                    std::string& strTemp) {
    struct stat stFile, stKeep;
    if (lstat(strPath.c_str(), &stFile) != 0) return errno;
    CUniqueFd fdKeep(open(strKeep.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (fdKeep.Get() < 0) return errno;
    if (fstat(fdKeep.Get(), &stKeep) != 0) return errno;
    if (!S_ISREG(stFile.st_mode) || !S_ISREG(stKeep.st_mode)) return EINVAL;
    if (stFile.st_dev != stKeep.st_dev) return EXDEV;
    if (stFile.st_ino == stKeep.st_ino) return EEXIST;
    for (int nTry = 0; nTry < 100; ++nTry) {
        strTemp = TempNameBeside(strPath);
        const int nError =
            nKind == LINK_HARD
                ? (linkat(AT_FDCWD, strKeep.c_str(), AT_FDCWD, strTemp.c_str(), 0) == 0 ? 0 : errno)
                : MakeClone(stFile, fdKeep.Get(), strTemp);
        if (nError != EEXIST) return nError;
    }
    return EEXIST;
}

int ReplaceWithLink(const std::string& strPath, const std::string& strKeep, ELinkKind nKind) {
    std::string strTemp;
    const int nError = MakeReplacement(strPath, strKeep, nKind, strTemp);
    if (nError != 0) return nError;
    if (rename(strTemp.c_str(), strPath.c_str()) != 0) {
        const int nRename = errno;
        unlink(strTemp.c_str());
        return nRename;
    }
    return 0;
}

CLinkOutcome LinkCheckedCopies(const CDeletePlan& plan, ELinkKind nKind,
                               IDeleteProgress& progress) {
    CLinkOutcome outcome;
    // A hard link changes the kept file's change time: what this run did to a kept file is
    // carried to the later files checked against it, so that they are not taken as changed.
    std::map<std::string, std::pair<CFileStamp, CFileStamp>> restamped;  // kept file: (was, now)
    auto expect = [&](CCheckedCopy& copy) {
        const auto it = restamped.find(copy.strAgainst);
        if (it != restamped.end() && it->second.first == copy.stampAgainst)
            copy.stampAgainst = it->second.second;
    };
    outcome.bCancelled = !ActOnCheckedCopies(
        plan, false, progress, outcome.kept,
        [&](const CCheckedCopy& copy) {
            if (const int nError = ReplaceWithLink(copy.strPath, copy.strAgainst, nKind)) {
                outcome.failed.push_back({copy.strPath, nError});
                return;
            }
            outcome.replaced.push_back(copy.strPath);
            outcome.linkedTo.push_back(copy.strAgainst);
            CFileStamp now;
            if (!ReadFileStamp(copy.strAgainst, now)) return;
            const auto it = restamped.find(copy.strAgainst);
            restamped[copy.strAgainst] = {
                it != restamped.end() ? it->second.first : copy.stampAgainst, now};
        },
        expect);
    return outcome;
}
