// twinex-cli's output code: cell encodings, the sort of kept rows, the progress line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Base64.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "Format.h"
#include "Progress.h"
#include "Utf8.h"

namespace {

CResultRow Row(const std::string& strName, std::uint64_t nSize, std::int64_t t,
               const std::string& strFolder = "/f/") {
    CResultRow row;
    row.m_strSourcePath = strFolder + strName;
    row.m_strTargetPath = "/t" + strFolder + "t-" + strName;
    row.m_nSize = nSize;
    row.m_tSource = t;
    row.m_tTarget = -t;
    return row;
}

}  // namespace

TEST(CliOutputTest, EncodingsAreExactAndSafe) {
    EXPECT_EQ(EscapeTsv("a\tb\nc\\d\re"), "a\\tb\\nc\\\\d\re");
    EXPECT_EQ(EscapeForTerminal("a\tb\n\x1b[2J\x7f"), "a\\tb\\n\\x1b[2J\\x7f");
    // C1 controls, a direction override, a byte order mark, a line separator, a tag and a
    // noncharacter print nothing; letters beside them and just past their ranges stay.
    EXPECT_EQ(EscapeForTerminal("\xc2\x9b" "1m\xc2\x9d\xc2\xa0\xe2\x80\xae\xef\xbb\xbf\xe2\x80\xa8\xf3\xa0\x80\xa1"
                                "\xef\xbf\xbe\xc3\xa9\xe2\x80\xaf\xf0\x9f\x98\x80"),
              "\\u{9b}1m\\u{9d}\xc2\xa0\\u{202e}\\u{feff}\\u{2028}\\u{e0021}\\u{fffe}\xc3\xa9\xe2\x80\xaf"
              "\xf0\x9f\x98\x80");
    // Bytes that are not UTF-8: a lone C1 byte, a cut sequence, an overlong slash.
    EXPECT_EQ(EscapeForTerminal("\x9b" "1m\xe2\x82.\xc0\xaf"), "\\x9b1m\\xe2\\x82.\\xc0\\xaf");
    // Valid: ASCII, 2-4 byte forms. Invalid: stray continuation, overlong, surrogate, > U+10FFFF, cut.
    EXPECT_TRUE(IsValidUtf8("plain \xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"));
    for (const char* psz : {"\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82"})
        EXPECT_FALSE(IsValidUtf8(psz)) << psz;
    EXPECT_EQ(ToValidUtf8("a\xffz\xc3\xa9"), "a\xef\xbf\xbdz\xc3\xa9");
    std::string strAll;
    for (int i = 0; i < 256; ++i) strAll += static_cast<char>(i);
    for (std::size_t n : {0u, 1u, 2u, 3u, 256u}) {
        std::string strBack;
        ASSERT_TRUE(DecodeBase64(EncodeBase64(strAll.substr(0, n)), strBack));
        EXPECT_EQ(strBack, strAll.substr(0, n));
    }
    EXPECT_EQ(EncodeBase64("\xff\xfe"), "//4=");
    std::string strJunk;
    EXPECT_FALSE(DecodeBase64("ab$d", strJunk) || DecodeBase64("abc", strJunk));
}

TEST(CliOutputTest, SortFollowsTheViewRules) {
    const std::vector<CResultRow> rows = {Row("b", 1048576, 30, "/x/"), Row("README.TXT", 10240, 10, "/Y/"),
                                          Row("_x", 9216, 20, "/x/"), Row("readme.txt", 9216, 20, "/y/"),
                                          Row("a", 100, 40, "/x/")};
    CRowStore store;
    for (const CResultRow& row : rows) store.Add(row);
    auto order = [&](int nColumn, bool bDescending) {
        store.Sort(nColumn, bDescending);
        std::string str;
        CResultRow row;
        for (std::size_t i = 0; i < store.GetCount(); ++i) {
            store.GetRow(i, row);
            str += std::string(NameOf(row.m_strSourcePath)) + " ";
        }
        return str;
    };
    // Sizes by bytes, not by their text; ties keep the matcher's order in both directions.
    EXPECT_EQ(order(COL_SIZE, false), "a _x readme.txt README.TXT b ");
    EXPECT_EQ(order(COL_SIZE, true), "b README.TXT _x readme.txt a ");
    EXPECT_EQ(order(COL_SOURCE_MODIFIED, false), "README.TXT _x readme.txt b a ");
    EXPECT_EQ(order(COL_TARGET_MODIFIED, false), "a b _x readme.txt README.TXT ");
    // '_' sorts before letters; letter case is ignored, in names and in folders.
    EXPECT_EQ(order(COL_SOURCE, false), "_x a b README.TXT readme.txt ");
    EXPECT_EQ(order(COL_TARGET, false), "_x a b README.TXT readme.txt ");
    EXPECT_EQ(order(COL_SOURCE_FOLDER, true), "README.TXT readme.txt b _x a ");
    EXPECT_EQ(order(COL_TARGET_FOLDER, false), "b _x a README.TXT readme.txt ");
    // A row read back carries its paths and numbers whatever the order; its cells as the tsv
    // and the table show them.
    CResultRow back;
    store.GetRow(3, back);
    CCellMaker cells;
    EXPECT_EQ(TsvRow(cells.Make(back)), "README.TXT\t/Y/\t" + FormatFileTime(10) +
                                            "\tt-README.TXT\t/t/Y/\t" + FormatFileTime(-10) +
                                            "\t10.00 KB\n");
    store.Clear();
    store.Add(rows[4]);
    EXPECT_EQ(order(COL_SIZE, false), "a ");
    EXPECT_EQ(ParseSortColumn("Target-Modified"), COL_TARGET_MODIFIED);
    EXPECT_EQ(ParseSortColumn("6"), COL_SIZE);
    EXPECT_EQ(ParseSortColumn("7"), -1);
}

// The rate comes from the two samples given, not from the start; the time left is the rest at
// that rate, rounded up; without bytes to read the bar counts files.
TEST(CliProgressTest, RateAndTimeLeftFromTwoSamples) {
    constexpr std::uint64_t MiB = 1 << 20;
    CProgressSample earlier{10.0, 0, 8, 100 * MiB, 500 * MiB};
    CProgressSample now{12.0, 2, 8, 200 * MiB, 500 * MiB};
    EXPECT_EQ(FormatMatchProgress(earlier, now),
              "[############------------------] 40%  200.00 MB of 500.00 MB  50.00 MB/s  0:06 left");
    now.nBytesDone = 500 * MiB - 1;
    EXPECT_NE(FormatMatchProgress(earlier, now).find("  0:01 left"), std::string::npos);
    // One slow hour: hours show up front.
    now = {3610.0, 2, 8, 100 * MiB + 3600, 100 * MiB + 3600 + 3725};
    EXPECT_NE(FormatMatchProgress(earlier, now).find("  1:02:05 left"), std::string::npos);
    // Nothing read since the earlier sample, or the same moment: no rate to go by.
    EXPECT_NE(FormatMatchProgress(earlier, earlier).find("  --:-- left"), std::string::npos);
    EXPECT_EQ(FormatMatchProgress(earlier, {12.0, 3, 4, 0, 0}),
              "[######################--------] 75%  3/4");
}
