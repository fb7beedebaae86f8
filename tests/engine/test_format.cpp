// Texts of the size and time cells.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <ctime>
#include <limits>
#include <string>

#include "Format.h"

namespace {

// 5 Dec 2026 23:39:51 local time.
std::time_t SampleTime() {
    std::tm tmLocal = {51, 39, 23, 5, 11, 2026 - 1900, 0, 0, -1, 0, nullptr};  // glibc's field order
    return std::mktime(&tmLocal);
}

}  // namespace

TEST(FormatTest, SizeUnitsAndThresholdsAndTimeInTheClassicForm) {
    const std::pair<std::uint64_t, const char*> table[] = {
        {0, "0.00 KB"},           {512, "0.50 KB"},           {1023, "1.00 KB"},
        {1048575, "1024.00 KB"},  {1048576, "1.00 MB"},       {1073741823, "1024.00 MB"},
        {1073741824, "1.00 GB"},  {4294967296ULL, "4.00 GB"}, {3ULL << 40, "3072.00 GB"},
        {std::numeric_limits<std::uint64_t>::max(), "17179869184.00 GB"},
    };
    for (const auto& [nSize, pszText] : table) EXPECT_EQ(FormatFileSize(nSize), pszText) << nSize;
    EXPECT_EQ(FormatFileTime(SampleTime()), "12/05/26 23:39:51");
    // A time no calendar can hold gives no text rather than garbage.
    EXPECT_EQ(FormatFileTime(std::numeric_limits<std::int64_t>::max()), "");
}

// The desktop program's toolkit selects the environment's locale at start; the cells keep the
// classic form all the same, as twinex-cli prints them.
TEST(FormatTest, CellsStayClassicWhateverTheProcessLocale) {
    const std::string strSaved = std::setlocale(LC_ALL, nullptr);
    const char* pszLocale = nullptr;
    for (const char* pszName : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
        if (!pszLocale && std::setlocale(LC_ALL, pszName) && *std::localeconv()->decimal_point == ',')
            pszLocale = pszName;
    const std::string strCells = FormatFileSize(5ULL << 30) + " " + FormatFileTime(SampleTime());
    std::setlocale(LC_ALL, strSaved.c_str());
    if (!pszLocale)
        GTEST_SKIP() << "no locale with a decimal comma is installed (scripts/install-deps generates de_DE.UTF-8)";
    EXPECT_EQ(strCells, "5.00 GB 12/05/26 23:39:51") << pszLocale;
}
