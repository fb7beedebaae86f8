// The row model: cells derived from paths, the sort rules, row removal, selection, the sink.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <thread>

#include "QtTestSupport.h"
#include "ResultSink.h"
#include "ResultModel.h"

namespace {

CResultRow MakeRow(const std::string& strSource, std::uint64_t nSize, std::int64_t tSource = 0,
                   const std::string& strTarget = "/t/target") {
    CResultRow row;
    row.m_strSourcePath = strSource;
    row.m_strTargetPath = strTarget;
    row.m_nSize = nSize;
    row.m_tSource = tSource;
    row.m_tTarget = tSource;
    return row;
}

void Fill(CResultModel& model, const std::vector<CResultRow>& rows) {
    model.AppendRows(std::vector<CResultRow>(rows));
}

std::vector<std::string> Column(const CResultModel& model, int nColumn) {
    std::vector<std::string> texts;
    for (int i = 0; i < model.GetRowCount(); ++i) texts.push_back(model.GetCellText(i, nColumn));
    return texts;
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
    Fill(model, {MakeRow(strOdd, 1048576, 0, "/other/copy.txt"), MakeRow("/d/odd\nname\tx.txt", 1)});
    EXPECT_EQ(model.GetCellText(0, COL_SOURCE), "na\xefve.txt");
    EXPECT_EQ(model.GetCellText(0, COL_SOURCE_FOLDER), "/data/d\xe9j\xe0/");
    EXPECT_EQ(model.GetCellText(0, COL_TARGET_FOLDER), "/other/");
    EXPECT_EQ(model.GetCellText(0, COL_SIZE), "1.00 MB");
    EXPECT_EQ(model.GetSourcePath(0), strOdd);
    // Control characters are shown escaped, never cutting the name short.
    EXPECT_EQ(model.data(model.index(1, COL_SOURCE)).toString(), "odd\\nname\\tx.txt");
    EXPECT_EQ(model.GetSourcePath(1), "/d/odd\nname\tx.txt");
}

TEST(ResultModelSort, HeaderClicksFollowTheToggleRules) {
    CResultModel model;
    // Sizes whose texts sort the other way round: "1.00 MB" < "10.00 KB" < "9.00 KB" as text.
    Fill(model, {MakeRow("/a/nine", 9 * 1024), MakeRow("/a/mega", 1048576),
                 MakeRow("/a/ten", 10 * 1024)});
    const std::vector<std::string> byValueDesc = {"1.00 MB", "10.00 KB", "9.00 KB"};
    const std::vector<std::string> byValueAsc = {"9.00 KB", "10.00 KB", "1.00 MB"};

    model.OnColumnClick(COL_SIZE);  // the state starts as (Size, ascending)
    EXPECT_FALSE(model.IsSortAscending());
    EXPECT_EQ(Column(model, COL_SIZE), byValueDesc);
    model.OnColumnClick(COL_SIZE);
    EXPECT_EQ(Column(model, COL_SIZE), byValueAsc);

    model.OnColumnClick(COL_SOURCE);
    model.OnColumnClick(COL_SOURCE);
    EXPECT_EQ(Column(model, COL_SOURCE), (std::vector<std::string>{"ten", "nine", "mega"}));
    model.OnColumnClick(COL_TARGET);
    model.OnColumnClick(COL_SOURCE);  // back on a column: ascending again
    EXPECT_TRUE(model.IsSortAscending());
    EXPECT_EQ(Column(model, COL_SOURCE), (std::vector<std::string>{"mega", "nine", "ten"}));
}

TEST(ResultModelSort, MatchesAStableReferenceSort) {
    // Folders with long shared beginnings, case variants, '_' and high bytes, and numbers with
    // many ties, negative times among them: every column in both directions must agree with a
    // plain stable sort. Rows equal in every field are interchangeable.
    std::mt19937 rng(12345);
    const char alphabet[] = {'a', 'B', 'b', '_', 'Z', '0', '.', '\xe9', '\xc3'};
    auto randomText = [&](int nMax) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, nMax)(rng);
        for (int i = 0; i < n; ++i) s += alphabet[rng() % sizeof alphabet];
        return s;
    };
    auto randomPath = [&] { return "/home/user/long/shared/prefix/" + randomText(12) + "/" + randomText(3); };
    std::vector<CResultRow> rows;
    for (int i = 0; i < 3000; ++i) {
        CResultRow row = MakeRow(randomPath(), rng() % 5, static_cast<int>(rng() % 7) - 3, randomPath());
        row.m_tTarget = static_cast<int>(rng() % 7) - 3;
        rows.push_back(row);
    }
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
            Fill(model, rows);
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
    Fill(model, rows);
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

TEST(ResultSink, WorkerBatchesArriveInOrderWithOneInsertEach) {
    CResultModel model;
    Fill(model, {MakeRow("/old/row", 1)});
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy ended(&model, &CResultModel::RowsEnded);

    std::thread worker([&model] {
        CResultSink sink(&model);
        sink.Clear();
        for (int b = 0; b < 3; ++b) {
            std::vector<CResultRow> batch;
            for (int i = 0; i < 100; ++i) batch.push_back(MakeRow("/w/" + std::to_string(b * 100 + i), 7));
            sink.Append(std::move(batch));
        }
        sink.End();
    });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return ended.count() == 1; }));
    EXPECT_EQ(inserts.count(), 3);
    ASSERT_EQ(model.GetRowCount(), 300);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(model.GetSourcePath(i), "/w/" + std::to_string(i));
}
