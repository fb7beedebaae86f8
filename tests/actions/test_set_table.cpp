// Duplicate sets from result rows: which files form each set, which one stays, what the others
// free, and which rows each file is the source of.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "SetTable.h"

namespace {

struct CFile {
    std::string strPath;
    std::int64_t tModified = 0;
    bool bReference = false;
    bool bLinked = false;
};

struct CRows {
    std::vector<std::pair<CFile, CFile>> pairs;
    std::map<std::string, std::uint64_t> sizeOf;

    // As the matcher writes a set: the chain X1->X2->...->Xn, and with reflect Xn->Xn-1.
    void AddSet(const std::vector<CFile>& files, std::uint64_t nSize, bool bReflect) {
        for (std::size_t i = 0; i + 1 < files.size(); ++i)
            pairs.emplace_back(files[i], files[i + 1]);
        if (bReflect) pairs.emplace_back(files.back(), files[files.size() - 2]);
        for (const CFile& f : files) sizeOf[f.strPath] = nSize;
    }
    CSetTableRow Row(std::size_t i) const {
        const auto& [s, t] = pairs[i];
        return {s.strPath,    t.strPath,    sizeOf.at(s.strPath), s.tModified, t.tModified,
                s.bReference, t.bReference, s.bLinked,            t.bLinked};
    }
    CSetTable Build() const {
        CSetTable table;
        table.Build(pairs.size(), [this](std::size_t i) { return Row(i); });
        return table;
    }
    std::string PathOf(const CSetTable& table, std::uint32_t nFile) const {
        const auto& pair = pairs[table.GetFileRow(nFile)];
        return table.IsFileTarget(nFile) ? pair.second.strPath : pair.first.strPath;
    }
};

// The files of each set, by path, kept file first.
std::vector<std::vector<std::string>> SetsOf(const CSetTable& table, const CRows& rows) {
    std::vector<std::vector<std::string>> sets;
    for (std::uint32_t s = 0; s < table.GetSetCount(); ++s) {
        sets.emplace_back();
        for (std::uint32_t f : table.GetSetFiles(s)) {
            EXPECT_EQ(table.GetFileSet(f), s);
            sets.back().push_back(rows.PathOf(table, f));
        }
    }
    return sets;
}

}  // namespace

// Sets of 2, 3 and 10 files and several sets of one size, as chains with and without reflect,
// rows shuffled as a sort leaves them: each set holds exactly its files, the newest first (the
// first path among equal times), and every file knows the rows it is the source of.
TEST(SetTable, GroupsChainsAndPutsTheKeptFileFirst) {
    std::mt19937 random(11);
    for (const bool bReflect : {false, true}) {
        CRows rows;
        std::vector<std::vector<CFile>> made;
        const std::pair<int, std::uint64_t> shapes[] = {
            {2, 700}, {3, 5000}, {10, 123}, {3, 5000}, {2, 5000}};
        for (std::size_t s = 0; s < std::size(shapes); ++s) {
            made.emplace_back();
            for (int i = 0; i < shapes[s].first; ++i)
                made.back().push_back({"/d" + std::to_string(random() % 3) + "/s" +
                                           std::to_string(s) + "_" +
                                           std::to_string(random() % 100) + "_" + std::to_string(i),
                                       100 * static_cast<std::int64_t>(random() % 3)});
            rows.AddSet(made.back(), shapes[s].second, bReflect);
        }
        std::shuffle(rows.pairs.begin(), rows.pairs.end(), random);
        const CSetTable table = rows.Build();

        const auto sets = SetsOf(table, rows);
        ASSERT_EQ(sets.size(), made.size());
        for (const std::vector<CFile>& files : made) {
            std::set<std::string> paths;
            for (const CFile& f : files) paths.insert(f.strPath);
            const auto it = std::find_if(sets.begin(), sets.end(), [&](const auto& set) {
                return set.size() == paths.size() && std::set(set.begin(), set.end()) == paths;
            });
            ASSERT_NE(it, sets.end()) << *paths.begin() << (bReflect ? " reflected" : "");
            const CFile& kept = *std::max_element(files.begin(), files.end(), [](auto& a, auto& b) {
                return a.tModified != b.tModified ? a.tModified < b.tModified
                                                  : a.strPath > b.strPath;
            });
            EXPECT_EQ(it->front(), kept.strPath);
        }
        std::map<std::string, std::vector<std::uint32_t>> rowsOf;
        for (std::uint32_t i = 0; i < rows.pairs.size(); ++i) {
            const std::uint32_t nFile = table.GetRowFile(i);
            EXPECT_EQ(rows.PathOf(table, nFile), rows.pairs[i].first.strPath);
            rowsOf[rows.pairs[i].first.strPath].push_back(i);
        }
        // Each file lists its rows; without reflect a chain's last file has none.
        for (std::uint32_t f = 0; f < table.GetFileCount(); ++f) {
            const auto fileRows = table.GetFileRows(f);
            EXPECT_EQ(std::vector<std::uint32_t>(fileRows.begin(), fileRows.end()),
                      rowsOf[rows.PathOf(table, f)]);
        }
    }
}

// Reference files are kept before newer files and never count as extra; a file replaced with a
// link is never kept before one that is not, and frees nothing more; empty files free nothing,
// however many there are.
TEST(SetTable, ReferenceAndLinkedFilesStayAndEmptyFilesFreeNothing) {
    CRows rows;
    rows.AddSet({{"/new/a", 900}, {"/ref/a", 100, true}, {"/x/a", 500}}, 1000, true);
    rows.AddSet({{"/ref/b1", 100, true}, {"/new/b", 900}, {"/ref/b2", 200, true}}, 3000, true);
    rows.AddSet({{"/ref/c1", 100, true}, {"/ref/c2", 200, true}}, 50, true);
    rows.AddSet({{"/e/1", 1}, {"/e/2", 2}, {"/e/3", 3}, {"/e/4", 4}}, 0, false);
    rows.AddSet({{"/l/new", 900, false, true}, {"/l/old", 100}, {"/l/mid", 500}}, 10, true);
    rows.AddSet({{"/m/1", 900, false, true}, {"/m/2", 100, false, true}}, 20, true);
    rows.AddSet({{"/n/link", 900, false, true}, {"/n/ref", 100, true}}, 30, true);
    const CSetTable table = rows.Build();

    const auto sets = SetsOf(table, rows);
    ASSERT_EQ(sets.size(), 7u);
    EXPECT_EQ(sets[0], (std::vector<std::string>{"/ref/a", "/new/a", "/x/a"}));
    EXPECT_EQ(sets[1], (std::vector<std::string>{"/ref/b2", "/ref/b1", "/new/b"}));
    EXPECT_EQ(sets[4], (std::vector<std::string>{"/l/mid", "/l/old", "/l/new"}));
    EXPECT_EQ(sets[6], (std::vector<std::string>{"/n/ref", "/n/link"}));
    const std::uint32_t extras[] = {2, 1, 0, 0, 1, 0, 0};
    const std::uint64_t bytes[] = {2000, 3000, 0, 0, 10, 0, 0};
    for (std::uint32_t s = 0; s < 7; ++s) {
        EXPECT_EQ(table.GetSetExtras(s), extras[s]) << s;
        EXPECT_EQ(table.GetSetBytesToFree(s), bytes[s]) << s;
    }
}
