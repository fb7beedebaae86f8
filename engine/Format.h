// Texts of the "Size" and "Modified" cells, in one fixed form whatever locale the process has
// selected, so that the desktop program and twinex-cli show the same texts.
#pragma once

#include <cstdint>
#include <string>

// "%3.2f KB" below 1 MiB, "%3.2f MB" below 1 GiB, "%1.2f GB" from there on, always with a
// decimal point.
std::string FormatFileSize(std::uint64_t nSize);

// Local time as "MM/DD/YY HH:MM:SS" (strftime "%x %X" in the C locale); empty if the time
// cannot be converted.
std::string FormatFileTime(std::int64_t tTime);
