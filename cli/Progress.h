// The progress line twinex-cli draws on a terminal while it matches.
#pragma once

#include <cstdint>
#include <string>

// What the matcher has done at one moment.
struct CProgressSample {
    double dSeconds = 0;  // since any fixed start
    std::int64_t nFilesDone = 0, nFilesTotal = 0;
    std::uint64_t nBytesDone = 0, nBytesTotal = 0;
};

// "[####------] 40%  1.20 GB of 3.00 GB  25.00 MB/s  1:13 left": the share of bytes settled,
// the rate between the two samples and the time the rest takes at that rate. Without bytes to
// read (total 0) the bar counts files. Before the rate is known the time left is "--:--".
std::string FormatMatchProgress(const CProgressSample& earlier, const CProgressSample& now);

// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(std::uint64_t nSeconds);
