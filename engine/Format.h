// Texts of the "Size" and "Modified" cells.
#pragma once

#include <cstdint>
#include <string>

// "%3.2f KB" below 1 MiB, "%3.2f MB" below 1 GiB, "%1.2f GB" from there on.
std::string FormatFileSize(std::uint64_t nSize);

// Local time as strftime "%x %X" in the process's time locale (the classic one unless the
// program chose another); empty if the time cannot be converted.
std::string FormatFileTime(std::int64_t tTime);
