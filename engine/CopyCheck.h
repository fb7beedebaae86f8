// The last check before a file is removed or replaced: is it, byte for byte, a copy of a file
// that stays? Whatever the search criterion was (size alone, a CRC that collides, the first
// kilobytes only), nothing goes unless its whole contents exist in a file that is kept.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a look at a file tells about it, to see that it has not changed between the check and
// the removal.
struct CFileStamp {
    std::uint64_t nDev = 0, nIno = 0, nSize = 0;
    std::int64_t nMtimeNs = 0;
    std::int64_t nCtimeNs = 0;  // a rewrite that puts the modification time back still shows here
    bool operator==(const CFileStamp&) const = default;
};

// lstat of the exact path; false when there is nothing there or it is not a regular file.
bool ReadFileStamp(const std::string& strPath, CFileStamp& stamp);

// One file to remove, and the copy of its duplicate set that stays.
struct CCopyCheck {
    std::string strPath;
    std::string strKeep;
    std::uint64_t nSize = 0;  // as the search recorded it, for both
};

enum ECheckVerdict : std::uint8_t {
    CHECK_NOT_RUN,        // cancelled before the file was decided
    CHECK_SAME,           // identical to strAgainst, which stays: the file may go
    CHECK_DIFFERENT,      // not identical to the copy that stays (strAgainst): it stays
    CHECK_UNREADABLE,     // the file could not be read (nErrno): it stays
    CHECK_CHANGED,        // no longer a regular file of the recorded size: it stays
    CHECK_KEEP_UNREADABLE,  // the copy that stays (strAgainst) could not be read or has changed
};

struct CCheckResult {
    ECheckVerdict nVerdict = CHECK_NOT_RUN;
    int nErrno = 0;
    std::string strAgainst;
    // Both files as the check read them (CHECK_SAME only).
    CFileStamp stamp, stampAgainst;
};

// Told of the bytes read so far; false asks the check to stop at once.
using FCheckProgress = std::function<bool(std::uint64_t nBytesDone)>;

// The bytes a check of these files reads at the most: every file, and each copy that stays
// once per group of files compared against it.
std::uint64_t CheckCopiesBytes(const std::vector<CCopyCheck>& checks);

// Compares each file with its copy that stays, whole file, byte by byte. The files that share a
// copy that stays are read in step with it, so it is read once (once per group of a few dozen
// where a set has more). Where several of those files equal each other but not the copy that
// stays, the first of them (in the order given) stays (CHECK_DIFFERENT) and the others are
// copies of it (CHECK_SAME, strAgainst that first one). Files are opened without following
// links and must still be regular files of the recorded size. Returns one result per check, in
// order; bCancelled when progress asked to stop (undecided files are CHECK_NOT_RUN).
std::vector<CCheckResult> CheckCopies(const std::vector<CCopyCheck>& checks,
                                      const FCheckProgress& fnProgress, bool& bCancelled);
