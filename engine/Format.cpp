#include "Format.h"

#include <charconv>
#include <ctime>

// Neither function reads the process's locale: the desktop program's toolkit selects the
// environment's one at start, and a decimal comma or a local date would set the list apart
// from twinex-cli. std::to_chars always writes the C locale's form.

std::string FormatFileSize(std::uint64_t nSize) {
    constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
    constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
    const double dSize = static_cast<double>(nSize);
    const char* pszUnit = " KB";
    double dValue = dSize / 1024.0;
    if (nSize >= kGiB) {
        pszUnit = " GB";
        dValue = dSize / static_cast<double>(kGiB);
    } else if (nSize >= kMiB) {
        pszUnit = " MB";
        dValue = dSize / static_cast<double>(kMiB);
    }
    char szText[64];
    const auto res = std::to_chars(szText, szText + sizeof szText, dValue,
                                   std::chars_format::fixed, 2);
    return std::string(szText, res.ptr) + pszUnit;
}

namespace {
// Two decimal digits of n (0..99).
char* PutTwoDigits(char* p, int n) {
    *p++ = static_cast<char>('0' + n / 10);
    *p++ = static_cast<char>('0' + n % 10);
    return p;
}
}  // namespace

std::string FormatFileTime(std::int64_t tTime) {
    const auto t = static_cast<std::time_t>(tTime);
    std::tm tmLocal{};
    if (!localtime_r(&t, &tmLocal)) return {};
    // Year of the century as strftime's %y gives it, also before year 0.
    const int nYear = static_cast<int>((static_cast<long long>(tmLocal.tm_year) + 1900) % 100);
    char szText[17];
    char* p = szText;
    p = PutTwoDigits(p, tmLocal.tm_mon + 1);
    *p++ = '/';
    p = PutTwoDigits(p, tmLocal.tm_mday);
    *p++ = '/';
    p = PutTwoDigits(p, nYear < 0 ? nYear + 100 : nYear);
    *p++ = ' ';
    p = PutTwoDigits(p, tmLocal.tm_hour);
    *p++ = ':';
    p = PutTwoDigits(p, tmLocal.tm_min);
    *p++ = ':';
    p = PutTwoDigits(p, tmLocal.tm_sec);
    return std::string(szText, p);
}
