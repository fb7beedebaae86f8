// Where the progress page's bar stands: a scale of files that also moves inside large files.
#pragma once

#include <algorithm>
#include <cstdint>

// The bar's range is an int; beyond this many files the scale is shrunk to it.
constexpr std::int64_t kMaxProgressSteps = 1'000'000;

struct CBarPosition {
    int nMax = 1;
    int nPos = 0;
    bool operator==(const CBarPosition&) const = default;
};

// The bar over nFilesMax files: at nFilesPos, moved towards the end by the share of the
// candidate bytes settled so far (nBytesDone of nBytesTotal), so that two large files being
// read do not hold it still. Monotonic in both counters; all bytes settled or all files
// passed is the end. No files: an empty bar.
constexpr CBarPosition ScaleProgressBar(std::int64_t nFilesPos, std::int64_t nFilesMax,
                                        std::uint64_t nBytesDone, std::uint64_t nBytesTotal) {
    if (nFilesMax <= 0) return {1, 0};
    const double dPos = double(std::clamp<std::int64_t>(nFilesPos, 0, nFilesMax));
    const double dMax = double(nFilesMax);
    const double dShare =
        nBytesTotal == 0 ? 0.0 : double(std::min(nBytesDone, nBytesTotal)) / double(nBytesTotal);
    const double dAt = dPos + dShare * (dMax - dPos);
    const std::int64_t nSteps = std::min(nFilesMax, kMaxProgressSteps);
    // Exact at the ends: a finished match must show a full bar, whatever the rounding.
    const std::int64_t nAt =
        dAt >= dMax ? nSteps : std::min<std::int64_t>(std::int64_t(dAt / dMax * double(nSteps)), nSteps);
    return {int(nSteps), int(nAt)};
}
