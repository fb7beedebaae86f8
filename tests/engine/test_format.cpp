// Texts of the size and time cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>

#include "Format.h"

TEST(FormatTest, SizeUnitsAndThresholds) {
    const std::pair<std::uint64_t, const char*> table[] = {
        {0, "0.00 KB"},
        {512, "0.50 KB"},
        {1023, "1.00 KB"},
        {1024, "1.00 KB"},
        {1048575, "1024.00 KB"},
        {1048576, "1.00 MB"},
        {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},
        {4294967295ULL, "4.00 GB"},
        {4294967296ULL, "4.00 GB"},
        {5ULL << 30, "5.00 GB"},
        {3ULL << 40, "3072.00 GB"},
        {std::numeric_limits<std::uint64_t>::max(), "17179869184.00 GB"},
    };
    for (const auto& [nSize, pszText] : table) EXPECT_EQ(FormatFileSize(nSize), pszText) << nSize;
}

TEST(FormatTest, TimeInTheClassicLocale) {
    std::tm tmLocal{};
    tmLocal.tm_year = 2026 - 1900;
    tmLocal.tm_mon = 11;
    tmLocal.tm_mday = 5;
    tmLocal.tm_hour = 23;
    tmLocal.tm_min = 39;
    tmLocal.tm_sec = 51;
    tmLocal.tm_isdst = -1;
    const std::time_t t = std::mktime(&tmLocal);
    ASSERT_NE(t, static_cast<std::time_t>(-1));
    EXPECT_EQ(FormatFileTime(t), "12/05/26 23:39:51");
    // A time no calendar can hold gives no text rather than garbage.
    EXPECT_EQ(FormatFileTime(std::numeric_limits<std::int64_t>::max()), "");
}
