// Which selected files a delete may remove: never the last intact copy of a set, and each with
// the member of its set that stays.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>

#include "FileHelpers.h"
#include "DeletePlan.h"
#include "DuplicateSets.h"
#include "TempTree.h"

namespace {

std::vector<std::string> Words(const std::string& strText) {
    std::istringstream in(strText);
    std::vector<std::string> words;
    for (std::string strWord; in >> strWord;) words.push_back(strWord);
    return words;
}

class DeletePlanTest : public ::testing::Test {
protected:
    // Rows from result rows; bSelected for the rows whose index is listed.
    CDeletePlan Plan(const std::vector<std::size_t>& selected) {
        std::vector<CPlanRow> rows;
        for (const CResultRow& r : m_rows)
            rows.push_back({r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource,
                            r.m_tTarget, false, r.m_bSourceReference, r.m_bTargetReference});
        for (std::size_t i : selected) rows[i].bSelected = true;
        return PlanDelete(rows);
    }
    void AddSet(const std::vector<std::string>& names, const std::string& strBytes) {
        std::vector<std::string> files;
        for (const std::string& strName : names) files.push_back(m_tree.Add(strName, strBytes));
        for (CResultRow& row : ReflectedSetRows(files)) m_rows.push_back(std::move(row));
    }
    std::string P(const std::string& strName) const { return m_tree.Path(strName); }

    CTempTree m_tree;
    std::vector<CResultRow> m_rows;
};

}  // namespace

// Sets linked by rows in any order, members selected wherever they stand in a set: each file
// that goes is planned with the member that stays, and one file of every set is left. A file
// marked "*" lies under a reference folder: it never goes, and it stays for the others.
TEST_F(DeletePlanTest, EachFileGoesOnlyWhileAnotherMemberOfItsSetStays) {
    struct CCase {
        const char* pszName;
        const char* pszRows;  // "source>target" per row
        std::vector<std::size_t> selected;
        const char* pszGone;  // files gone since the search
        const char* pszPlan;  // "goes>stays" per planned file, in plan order
        const char* pszKept;
        int nReference = 0;  // selected reference files
    } cases[] = {
        {"a member after the first", "a1>a2 a2>a3", {1}, "", "a2>a1", ""},
        {"a chain given backwards", "c3>c2 c2>c1", {1, 0}, "", "c3>c1 c2>c1", ""},
        {"sets joined by a later row", "j1>j2 k1>k2 k2>j2", {0, 1}, "", "j1>j2 k1>j2", ""},
        {"a joining row from the end of a chain", "p1>p2 q1>q2 q2>p1", {2, 1}, "",
         "q1>p1 q2>p1", ""},
        {"each source once", "x1>x2 x2>x1 x2>x3 x3>x2", {0, 1, 2}, "", "x1>x3 x2>x3", ""},
        {"all selected: the target of an unselected row stays",
         "x1>x2 x2>x1 x2>x3 x3>x2 x3>x1", {0, 1, 2, 4}, "", "x1>x2 x3>x2", "x2"},
        {"all selected: the first in row order stays", "m2>m1 m1>m2 m3>m1", {0, 1, 2}, "",
         "m1>m2 m3>m2", "m2"},
        {"a member that is gone does not stay", "s1>s2 s1>s3", {0}, "s2", "s1>s3", ""},
        {"the one left is gone", "g1>g2 g3>g1", {0, 1}, "g2", "g3>g1", "g1"},
        {"a selected reference file stays for the others", "*r1>a2 a2>*r1 a3>a2", {0, 1, 2}, "",
         "a2>r1 a3>r1", "", 1},
        {"marked on one row only, still protected", "r1>a2 a2>*r1", {0}, "", "", "", 1},
        {"a set of reference files alone", "*r1>*r2 *r2>*r1", {0, 1}, "", "", "", 2},
        {"a reference file gone protects nothing", "*r1>a2 a2>*r1 a3>a2", {1, 2}, "r1",
         "a3>a2", "a2"},
    };
    const auto name = [&](const std::string& strPath) { return strPath.substr(m_tree.Root().size()); };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        m_rows.clear();
        for (const std::string& strRow : Words(c.pszRows)) {
            std::string files[2] = {strRow.substr(0, strRow.find('>')), strRow.substr(strRow.find('>') + 1)};
            bool reference[2] = {};
            for (int i = 0; i < 2; ++i) {
                reference[i] = files[i].front() == '*';
                if (reference[i]) files[i].erase(0, 1);
                files[i] = Exists(P(files[i])) ? P(files[i]) : m_tree.Add(files[i], "same");
            }
            m_rows.push_back(PairRow(files[0], files[1]));
            m_rows.back().m_bSourceReference = reference[0];
            m_rows.back().m_bTargetReference = reference[1];
        }
        for (const std::string& strName : Words(c.pszGone)) unlink(P(strName).c_str());

        const CDeletePlan plan = Plan(c.selected);
        std::vector<std::string> planned, kept;
        ASSERT_EQ(plan.stays.size(), plan.paths.size());
        for (std::size_t i = 0; i < plan.paths.size(); ++i)
            planned.push_back(name(plan.paths[i]) + ">" + name(plan.stays[i]));
        for (const std::string& strPath : plan.kept) kept.push_back(name(strPath));
        EXPECT_EQ(planned, Words(c.pszPlan));
        EXPECT_EQ(kept, Words(c.pszKept));
        EXPECT_EQ(plan.nReference, c.nReference);
        EXPECT_EQ(plan.sizes, std::vector<std::uint64_t>(plan.paths.size(), 4));
    }
}

TEST_F(DeletePlanTest, ACopyThatIsGoneOrChangedDoesNotCount) {
    AddSet({"a1", "a2"}, "aaaa");      // a2 deleted behind our back
    AddSet({"b1", "b2"}, "bbbb");      // b2 grew
    AddSet({"c1", "c2", "c3"}, "cc");  // c2 gone, c3 intact: c1 may go
    AddSet({"d1", "d2"}, "dddd");      // d1 itself touched since the search
    AddSet({"e1", "e2"}, "eeee");      // e1 already gone: nothing to do for it
    unlink(P("a2").c_str());
    m_tree.Add("b2", "bbbbb");
    unlink(P("c2").c_str());
    const timeval times[2] = {{1000000, 0}, {1000000, 0}};
    utimes(P("d1").c_str(), times);
    unlink(P("e1").c_str());

    // Rows 0, 2, 4, 8, 10: a1>a2, b1>b2, c1>c2, d1>d2, e1>e2.
    const CDeletePlan plan = Plan({0, 2, 4, 8, 10});
    EXPECT_EQ(plan.paths, (std::vector<std::string>{P("c1")}));
    EXPECT_EQ(plan.kept, (std::vector<std::string>{P("a1"), P("b1")}));
    EXPECT_EQ(plan.nKeptCopiesGone, 2);
    EXPECT_EQ(plan.nKeptLastCopy, 0);
    EXPECT_EQ(plan.nChanged, 1);
}

TEST_F(DeletePlanTest, TheSameFileUnderAnotherNameIsNoCopy) {
    m_tree.Add("f1", "ffff");
    const std::string strAlias = P("alias-of-f1");
    ASSERT_EQ(link(P("f1").c_str(), strAlias.c_str()), 0);
    m_rows.push_back(PairRow(P("f1"), strAlias));
    // Two names of one file (a hard link here; a bind mount looks the same) are not two
    // copies: what goes through one name may take what the other shows.
    const CDeletePlan plan = Plan({0});
    EXPECT_TRUE(plan.paths.empty());
    EXPECT_EQ(plan.kept, (std::vector<std::string>{P("f1")}));
}

// Thousands of files (the path table grows several times), pairs in random order, paths of
// equal length side by side: each path keeps one id, and a set is named by its first file.
TEST(DuplicateSets, GroupsLikeAPlainReference) {
    constexpr int FILES = 5000, SETS = 700;
    std::vector<std::string> paths;
    for (int i = 0; i < FILES; ++i) paths.push_back("/d/" + std::to_string(i % SETS) + "/" + std::to_string(i));
    std::vector<std::pair<int, int>> pairs;  // a chain per set
    for (int i = SETS; i < FILES; ++i) pairs.emplace_back(i, i - SETS);
    std::mt19937 random(3);
    std::shuffle(pairs.begin(), pairs.end(), random);
    for (auto& pair : pairs)
        if (random() % 2) std::swap(pair.first, pair.second);

    CDuplicateSets sets;
    std::vector<std::uint32_t> firstOfSet(SETS, CDuplicateSets::NONE);  // the first id seen
    for (const auto& [a, b] : pairs) {
        std::uint32_t nB;
        const std::uint32_t nA = sets.AddPair(paths[a], paths[b], nB);
        for (const auto& [i, nId] : {std::pair{a, nA}, std::pair{b, nB}})
            firstOfSet[i % SETS] = std::min(firstOfSet[i % SETS], nId);
    }
    ASSERT_EQ(sets.GetFileCount(), static_cast<std::size_t>(FILES));
    for (int i = 0; i < FILES; ++i) {
        const std::uint32_t nId = sets.Intern(paths[i]);
        EXPECT_EQ(sets.GetPath(nId), paths[i]);
        EXPECT_EQ(sets.Find(nId), firstOfSet[i % SETS]) << paths[i];
    }
    EXPECT_EQ(sets.GetFileCount(), static_cast<std::size_t>(FILES));  // no path came twice
}
