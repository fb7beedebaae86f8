#include "Format.h"

#include <cstdio>
#include <ctime>

std::string FormatFileSize(std::uint64_t nSize) {
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    const double dSize = static_cast<double>(nSize);
    char szText[64];
    if (nSize < kMiB)
        std::snprintf(szText, sizeof szText, "%3.2f KB", dSize / 1024.0);
    else if (nSize < kGiB)
        std::snprintf(szText, sizeof szText, "%3.2f MB", dSize / static_cast<double>(kMiB));
    else
        std::snprintf(szText, sizeof szText, "%1.2f GB", dSize / static_cast<double>(kGiB));
    return szText;
}

std::string FormatFileTime(std::int64_t tTime) {
    const auto t = static_cast<std::time_t>(tTime);
    std::tm tmLocal{};
    if (!localtime_r(&t, &tmLocal)) return {};
    char szText[128];
    const std::size_t n = std::strftime(szText, sizeof szText, "%x %X", &tmLocal);
    return std::string(szText, n);
}
