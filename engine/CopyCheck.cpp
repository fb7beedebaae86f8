#include "CopyCheck.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "FileInfo.h"
#include "FileHash.h"

namespace {

constexpr std::size_t CHECK_BLOCK = 256 * 1024;
constexpr std::size_t MAX_GROUP = 64;  // files open at once: the copy that stays and the others

// Few enough files per group that a low descriptor limit is never reached.
std::size_t GroupLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return MAX_GROUP;
    const std::size_t nSpare = limit.rlim_cur > 64 ? (limit.rlim_cur - 64) / 2 : 2;
    return std::clamp<std::size_t>(nSpare, 2, MAX_GROUP);
}

// The checks by their copy that stays, in the order of first appearance, cut into groups that
// hold the copy that stays and at most nLimit - 1 files to compare.
template <class FGroup>
void ForEachGroup(const std::vector<CCopyCheck>& checks, std::size_t nLimit, FGroup&& fnGroup) {
    std::unordered_map<std::string_view, std::size_t> slot;
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const auto [it, bNew] = slot.try_emplace(checks[i].strKeep, groups.size());
        if (bNew) groups.emplace_back();
        groups[it->second].push_back(i);
    }
    for (const std::vector<std::size_t>& group : groups)
        for (std::size_t nFirst = 0; nFirst < group.size(); nFirst += nLimit - 1) {
            const std::size_t nLast = std::min(group.size(), nFirst + nLimit - 1);
            fnGroup(std::vector<std::size_t>(group.begin() + static_cast<std::ptrdiff_t>(nFirst),
                                             group.begin() + static_cast<std::ptrdiff_t>(nLast)));
        }
}

CFileStamp StampOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

// One open file of a group; member 0 is the copy that stays.
struct CMember {
    const std::string* pPath = nullptr;
    int fd = -1;
    ECheckVerdict nFailure = CHECK_NOT_RUN;  // CHECK_UNREADABLE or CHECK_CHANGED once dropped
    int nErrno = 0;
    CFileStamp stamp;
    std::unique_ptr<char[]> pBuffer;

    bool Alive() const { return nFailure == CHECK_NOT_RUN; }
    void Fail(ECheckVerdict nVerdict, int nError) {
        nFailure = nVerdict;
        nErrno = nError;
    }
    ~CMember() {
        if (fd >= 0) close(fd);
    }
};

void OpenMember(CMember& member, std::uint64_t nSize) {
    member.fd = OpenUnchangedFileAt(AT_FDCWD, *member.pPath, nSize);
    if (member.fd < 0) {
        // errno 0: something else stands there now; ELOOP: a link, never followed.
        const int nError = errno;
        if (nError == 0 || nError == ENOENT || nError == ELOOP)
            member.Fail(CHECK_CHANGED, 0);
        else
            member.Fail(CHECK_UNREADABLE, nError);
        return;
    }
    struct stat st {};
    if (fstat(member.fd, &st) != 0) {
        member.Fail(CHECK_UNREADABLE, errno);
        return;
    }
    member.stamp = StampOf(st);
    posix_fadvise(member.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

// Reads the group in step and splits it into classes of identical files. Returns false when
// progress asked to stop.
bool CompareGroup(std::vector<CMember>& members, std::uint64_t nSize,
                  std::vector<std::vector<std::size_t>>& classes, std::uint64_t& nBytesDone,
                  const FCheckProgress& fnProgress) {
    std::vector<std::vector<std::size_t>> active(1), done;
    for (std::size_t m = 0; m < members.size(); ++m)
        if (members[m].Alive()) active[0].push_back(m);
    for (std::uint64_t nOffset = 0; nOffset < nSize && !active.empty();) {
        const std::size_t nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(CHECK_BLOCK, nSize - nOffset));
        std::vector<std::vector<std::size_t>> next;
        for (const std::vector<std::size_t>& cls : active) {
            std::vector<std::vector<std::size_t>> parts;
            for (std::size_t m : cls) {
                CMember& member = members[m];
                if (!member.pBuffer) member.pBuffer.reset(new char[CHECK_BLOCK]);
                const long long nRead = ReadAt(member.fd, member.pBuffer.get(), nWant, nOffset);
                nBytesDone += nWant;
                if (nRead < 0) {
                    member.Fail(CHECK_UNREADABLE, errno);
                    continue;
                }
                if (static_cast<std::size_t>(nRead) < nWant) {  // shrunk since it was opened
                    member.Fail(CHECK_CHANGED, 0);
                    continue;
                }
                auto it = std::find_if(parts.begin(), parts.end(), [&](const auto& part) {
                    return std::memcmp(members[part.front()].pBuffer.get(), member.pBuffer.get(),
                                       nWant) == 0;
                });
                if (it == parts.end())
                    parts.push_back({m});
                else
                    it->push_back(m);
            }
            for (std::vector<std::size_t>& part : parts)
                (part.size() > 1 ? next : done).push_back(std::move(part));
        }
        active = std::move(next);
        nOffset += nWant;
        if (fnProgress && !fnProgress(nBytesDone)) return false;
    }
    // A file that grew since it was opened is not the file the search found.
    for (std::vector<std::size_t>& cls : active) {
        for (std::size_t m : cls) {
            char c;
            const long long nRead = ReadAt(members[m].fd, &c, 1, nSize);
            if (nRead < 0)
                members[m].Fail(CHECK_UNREADABLE, errno);
            else if (nRead > 0)
                members[m].Fail(CHECK_CHANGED, 0);
        }
        done.push_back(std::move(cls));
    }
    classes.clear();
    for (std::vector<std::size_t>& cls : done) {
        std::erase_if(cls, [&](std::size_t m) { return !members[m].Alive(); });
        if (!cls.empty()) classes.push_back(std::move(cls));
    }
    return true;
}

}  // namespace

bool ReadFileStamp(const std::string& strPath, CFileStamp& stamp) {
    struct stat st {};
    if (lstat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    stamp = StampOf(st);
    return true;
}

std::uint64_t CheckCopiesBytes(const std::vector<CCopyCheck>& checks) {
    std::uint64_t nBytes = 0;
    ForEachGroup(checks, GroupLimit(), [&](const std::vector<std::size_t>& group) {
        nBytes += checks[group.front()].nSize * (group.size() + 1);
    });
    return nBytes;
}

std::vector<CCheckResult> CheckCopies(const std::vector<CCopyCheck>& checks,
                                      const FCheckProgress& fnProgress, bool& bCancelled) {
    std::vector<CCheckResult> results(checks.size());
    bCancelled = false;
    std::uint64_t nBytesDone = 0;
    ForEachGroup(checks, GroupLimit(), [&](const std::vector<std::size_t>& group) {
        if (bCancelled) return;
        const std::uint64_t nSize = checks[group.front()].nSize;
        std::vector<CMember> members(group.size() + 1);
        members[0].pPath = &checks[group.front()].strKeep;
        for (std::size_t i = 0; i < group.size(); ++i) members[i + 1].pPath = &checks[group[i]].strPath;
        for (CMember& member : members) OpenMember(member, nSize);

        std::vector<std::vector<std::size_t>> classes;
        if (!CompareGroup(members, nSize, classes, nBytesDone, fnProgress)) {
            bCancelled = true;
            return;
        }
        const CMember& keep = members[0];
        auto result = [&](std::size_t m) -> CCheckResult& { return results[group[m - 1]]; };
        for (std::size_t m = 1; m < members.size(); ++m) {
            if (members[m].Alive()) continue;
            result(m).nVerdict = members[m].nFailure;
            result(m).nErrno = members[m].nErrno;
        }
        for (const std::vector<std::size_t>& cls : classes) {
            // Each class is in member order, so the copy that stays leads its own.
            std::size_t nAgainst = cls.front();
            std::size_t nFirst = 0;
            if (nAgainst != 0) {
                CCheckResult& first = result(nAgainst);
                first.strAgainst = *keep.pPath;
                first.nVerdict = keep.Alive() ? CHECK_DIFFERENT : CHECK_KEEP_UNREADABLE;
                first.nErrno = keep.nErrno;
                nFirst = 1;
            }
            for (std::size_t i = nFirst; i < cls.size(); ++i) {
                if (cls[i] == 0) continue;
                CCheckResult& same = result(cls[i]);
                same.nVerdict = CHECK_SAME;
                same.strAgainst = *members[nAgainst].pPath;
                same.stamp = members[cls[i]].stamp;
                same.stampAgainst = members[nAgainst].stamp;
            }
        }
    });
    if (bCancelled)
        for (CCheckResult& result : results)
            if (result.nVerdict == CHECK_SAME) result.nVerdict = CHECK_NOT_RUN;
    return results;
}
