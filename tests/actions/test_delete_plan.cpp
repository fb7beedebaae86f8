// Which selected files a delete may remove: never the last intact copy of a set.
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ActionsSupport.h"
#include "DeletePlan.h"
#include "TempTree.h"

namespace {

class DeletePlanTest : public ::testing::Test {
protected:
    // Rows from result rows; bSelected for the rows whose index is listed.
    CDeletePlan Plan(const std::vector<std::size_t>& selected) {
        std::vector<CPlanRow> rows;
        for (const CResultRow& r : m_rows)
            rows.push_back({r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource,
                            r.m_tTarget, false});
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

TEST_F(DeletePlanTest, EachSourceOnceAndOnlyWhatMustStayStays) {
    // Rows x1>x2, x2>x1, x2>x3, x3>x2; select the first three: sources x1, x2 (twice).
    AddSet({"x1", "x2", "x3"}, "xxxx");
    const CDeletePlan partial = Plan({0, 1, 2});
    EXPECT_EQ(partial.paths, (std::vector<std::string>{P("x1"), P("x2")}));
    EXPECT_TRUE(partial.kept.empty());

    // Every file selected as a source while row x3>x2 is not: x2, the target of that
    // unselected row, is the one that stays.
    m_rows.push_back(PairRow(P("x3"), P("x1")));
    const CDeletePlan plan = Plan({0, 1, 2, 4});
    EXPECT_EQ(plan.kept, (std::vector<std::string>{P("x2")}));
    EXPECT_EQ(plan.paths, (std::vector<std::string>{P("x1"), P("x3")}));
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
