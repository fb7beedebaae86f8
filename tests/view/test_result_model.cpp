// The row model: cells derived from paths, the sort order, selection through sort and removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "ResultModel.h"
#include "SelectionHelpers.h"

namespace {

CResultRow MakeRow(const std::string& strSource, std::uint64_t nSize, std::int64_t tSource = 0,
                   const std::string& strTarget = "/t/target") {
    return CResultRow{strSource, strTarget, nSize, tSource, tSource};
}

}  // namespace

TEST(CompareNoCase, OrdersLikeStricmp) {
    EXPECT_EQ(CompareNoCase("README.TXT", "readme.txt"), 0);
    EXPECT_LT(CompareNoCase("a_b", "aab"), 0);   // '_' (0x5F) before every lowered letter
    EXPECT_GT(CompareNoCase("Z", "_"), 0);       // 'z' after '_' although 'Z' (0x5A) is below it
    EXPECT_LT(CompareNoCase("abc", "abcd"), 0);  // a beginning comes first
    EXPECT_GT(CompareNoCase("\xc3\xa9", "z"), 0);  // bytes above 0x7F compare unsigned
    EXPECT_NE(CompareNoCase("\xc3\xa9", "\xc3\x89"), 0);  // and are not case-mapped
}

TEST(ResultModel, DerivesCellsFromTheExactPathBytes) {
    CResultModel model;
    const std::string strOdd = "/data/d\xe9j\xe0/na\xefve.txt";  // Latin-1 bytes, not UTF-8
    model.AppendRows({MakeRow(strOdd, 1048576, 0, "/other/copy.txt"), MakeRow("/d/odd\nname\tx.txt", 1)});
    EXPECT_EQ(model.GetCellText(0, COL_SOURCE), "na\xefve.txt");
    EXPECT_EQ(model.GetCellText(0, COL_SOURCE_FOLDER), "/data/d\xe9j\xe0/");
    EXPECT_EQ(model.GetCellText(0, COL_TARGET_FOLDER), "/other/");
    EXPECT_EQ(model.GetCellText(0, COL_SIZE), "1.00 MB");
    EXPECT_EQ(model.GetSourcePath(0), strOdd);
    // Control characters are shown escaped, never cutting the name short.
    EXPECT_EQ(model.data(model.index(1, COL_SOURCE)).toString(), "odd\\nname\\tx.txt");
    EXPECT_EQ(model.GetSourcePath(1), "/d/odd\nname\tx.txt");
}

// Folders with long shared beginnings, case variants, '_' and high bytes, and numbers with many
// ties, negative times among them: every column in both directions agrees with a plain stable
// sort. Rows equal in every field are interchangeable.
TEST(ResultModelSort, MatchesAStableReferenceSort) {
    std::mt19937 rng(12345);
    const char alphabet[] = {'a', 'B', 'b', '_', 'Z', '0', '.', '\xe9', '\xc3'};
    auto randomText = [&](int nMax) {
        std::string s(std::uniform_int_distribution<int>(0, nMax)(rng), ' ');
        for (char& c : s) c = alphabet[rng() % sizeof alphabet];
        return s;
    };
    auto randomPath = [&] { return "/home/user/long/shared/prefix/" + randomText(12) + "/" + randomText(3); };
    auto randomTime = [&] { return static_cast<std::int64_t>(rng() % 7) - 3; };
    std::vector<CResultRow> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back({randomPath(), randomPath(), rng() % 5, randomTime(), randomTime()});
    auto order = [](auto a, auto b) { return (a > b) - (a < b); };
    auto compare = [&](int nColumn, const CResultItem& a, const CResultItem& b) {
        switch (nColumn) {
        case COL_SOURCE: return CompareNoCase(a.GetSourceName(), b.GetSourceName());
        case COL_SOURCE_FOLDER: return CompareNoCase(a.GetSourceFolder(), b.GetSourceFolder());
        case COL_TARGET: return CompareNoCase(a.GetTargetName(), b.GetTargetName());
        case COL_TARGET_FOLDER: return CompareNoCase(a.GetTargetFolder(), b.GetTargetFolder());
        case COL_SOURCE_MODIFIED: return order(a.m_tSource, b.m_tSource);
        case COL_TARGET_MODIFIED: return order(a.m_tTarget, b.m_tTarget);
        default: return order(a.m_nSize, b.m_nSize);
        }
    };
    auto fields = [](const CResultItem& r) {
        return std::tie(r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource, r.m_tTarget);
    };
    for (int nColumn = 0; nColumn < COL_COUNT; ++nColumn) {
        for (bool bAscending : {true, false}) {
            CResultModel model;
            model.AppendRows(std::vector<CResultRow>(rows));
            model.SortRows(nColumn, bAscending);
            std::vector<CResultItem> expected;
            for (const CResultRow& row : rows) expected.push_back(CResultModel::MakeItem(CResultRow(row)));
            std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
                const int r = compare(nColumn, a, b);
                return bAscending ? r < 0 : r > 0;
            });
            for (int i = 0; i < model.GetRowCount(); ++i)
                ASSERT_TRUE(fields(model.GetItem(i)) == fields(expected[static_cast<std::size_t>(i)]))
                    << "column " << nColumn << " ascending " << bAscending << ", row " << i;
        }
    }
}

TEST(ResultModelSelection, FollowsRowsThroughSortAndRemoval) {
    CResultModel model;
    std::vector<CResultRow> rows;
    for (int i = 0; i < 200; ++i) rows.push_back(MakeRow("/f/" + std::to_string(1000 + i), 200 - i));
    model.AppendRows(std::move(rows));
    model.SetSelected(20, true);   // "/f/1020", size 180
    model.SetSelected(150, true);  // "/f/1150", size 50
    model.SortRows(COL_SIZE, true);  // reverses the rows
    EXPECT_EQ(model.GetSelectedRows(), (std::vector<int>{49, 179}));

    // Few runs: one removal per run. Many runs (every other row): one compaction.
    EXPECT_EQ(model.RemoveRowsIf([](const CResultItem& item) { return item.m_nSize > 190; }), 10);
    EXPECT_EQ(model.RemoveRowsIf([](const CResultItem& item) { return item.m_nSize % 2 == 1; }), 95);
    ASSERT_EQ(model.GetRowCount(), 95);
    for (int i = 0; i < model.GetRowCount(); ++i)
        EXPECT_EQ(model.GetSize(i), static_cast<std::uint64_t>(2 + 2 * i));
    std::vector<std::string> selected;
    for (int nRow : model.GetSelectedRows()) selected.push_back(model.GetSourcePath(nRow));
    EXPECT_EQ(selected, (std::vector<std::string>{"/f/1150", "/f/1020"}));
}

// The keep-one helpers select the extra copies of each set as the rows hold them, but never an
// empty file: removing one frees nothing.
TEST(SelectExtraCopies, KeepsTheNewestOfEachSetAndLeavesEmptyFilesAlone) {
    CResultModel model;
    model.AppendRows({CResultRow{"/a/old", "/b/new", 5, 100, 200},
                      CResultRow{"/b/new", "/a/old", 5, 200, 100},
                      CResultRow{"/e/one", "/e/two", 0, 100, 200},
                      CResultRow{"/e/two", "/e/one", 0, 200, 100}});
    EXPECT_EQ(SelectExtraCopies(model, KEEP_NEWEST), 1);
    EXPECT_EQ(model.GetSelectedRows(), std::vector<int>{0});
    EXPECT_EQ(SelectExtraCopies(model, KEEP_OLDEST), 1);
    EXPECT_EQ(model.GetSelectedRows(), std::vector<int>{1});
}
