#include "Progress.h"

#include <algorithm>
#include <cmath>

#include "Format.h"

namespace {

std::string Bar(std::uint64_t nPos, std::uint64_t nMax) {
    constexpr int WIDTH = 30;
    // Long double: a byte count times 100 may pass 2^64.
    const long double dShare = nMax > 0 ? static_cast<long double>(std::min(nPos, nMax)) / nMax : 0;
    const int nFilled = static_cast<int>(dShare * WIDTH);
    return "[" + std::string(nFilled, '#') + std::string(WIDTH - nFilled, '-') + "] " +
           std::to_string(static_cast<int>(dShare * 100)) + "%";
}

std::string TwoDigits(std::uint64_t n) {
    return std::string(1, static_cast<char>('0' + n / 10)) + static_cast<char>('0' + n % 10);
}

}  // namespace

std::string FormatDuration(std::uint64_t nSeconds) {
    const std::uint64_t nHours = nSeconds / 3600, nMinutes = nSeconds / 60 % 60;
    const std::string strTail = TwoDigits(nSeconds % 60);
    if (nHours == 0) return std::to_string(nMinutes) + ":" + strTail;
    return std::to_string(nHours) + ":" + TwoDigits(nMinutes) + ":" + strTail;
}

std::string FormatMatchProgress(const CProgressSample& earlier, const CProgressSample& now) {
    if (now.nBytesTotal == 0) {
        const auto nPos = static_cast<std::uint64_t>(std::max<std::int64_t>(now.nFilesDone, 0));
        const auto nMax = static_cast<std::uint64_t>(std::max<std::int64_t>(now.nFilesTotal, 0));
        return Bar(nPos, nMax) + "  " + std::to_string(nPos) + "/" + std::to_string(nMax);
    }
    std::string strLine = Bar(now.nBytesDone, now.nBytesTotal) + "  " +
                          FormatFileSize(now.nBytesDone) + " of " + FormatFileSize(now.nBytesTotal);
    const double dElapsed = now.dSeconds - earlier.dSeconds;
    const double dRate = dElapsed > 0 && now.nBytesDone > earlier.nBytesDone
                             ? static_cast<double>(now.nBytesDone - earlier.nBytesDone) / dElapsed
                             : 0;
    if (dRate <= 0) return strLine + "  --:-- left";
    const std::uint64_t nLeft = now.nBytesTotal > now.nBytesDone ? now.nBytesTotal - now.nBytesDone : 0;
    const double dSecondsLeft = std::ceil(static_cast<double>(nLeft) / dRate);
    return strLine + "  " + FormatFileSize(static_cast<std::uint64_t>(dRate)) + "/s  " +
           FormatDuration(static_cast<std::uint64_t>(std::min(dSecondsLeft, 1e9))) + " left";
}
