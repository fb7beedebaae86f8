// Acting on whole sets from a results file: the member that each keep rule chooses stays, the
// others are planned, reference files never are.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "FileHelpers.h"
#include "SetPlan.h"
#include "TempTree.h"

namespace {

void SetTime(const std::string& strPath, std::int64_t t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, strPath.c_str(), times, 0), 0);
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// One set of four files, every rule choosing another one: "z/mid" is newest, "a/longest-name"
// oldest, "b/x" shortest, "q/first" first in row order (without reflect: the last file of the
// chain is never a source).
class SetPlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_first = m_tree.Add("q/first", "same");
        m_newest = m_tree.Add("z/mid", "same");
        m_oldest = m_tree.Add("a/longest-name", "same");
        m_short = m_tree.Add("b/x", "same");
        SetTime(m_first, 2000);
        SetTime(m_newest, 3000);
        SetTime(m_oldest, 1000);
        SetTime(m_short, 1500);
        m_rows = {PairRow(m_first, m_newest), PairRow(m_first, m_oldest),
                  PairRow(m_first, m_short),  PairRow(m_newest, m_oldest),
                  PairRow(m_newest, m_short), PairRow(m_oldest, m_short)};
    }
    std::vector<std::string> Planned(const CKeepChoice& keep) {
        const CSetPlan result = PlanSetActions(m_rows, keep);
        EXPECT_EQ(result.nSets, 1u);
        for (const std::string& strStays : result.plan.stays)
            EXPECT_EQ(strStays, result.plan.stays[0]);
        return Sorted(result.plan.paths);
    }
    std::vector<std::string> AllBut(const std::string& strStays) {
        std::vector<std::string> all = {m_first, m_newest, m_oldest, m_short};
        all.erase(std::find(all.begin(), all.end(), strStays));
        return Sorted(all);
    }

    CTempTree m_tree;
    std::string m_first, m_newest, m_oldest, m_short;
    std::vector<CResultRow> m_rows;
};

}  // namespace

TEST_F(SetPlanTest, EachRuleKeepsItsOwnMember) {
    EXPECT_EQ(Planned({KEEP_CHOICE_NEWEST, ""}), AllBut(m_newest));
    EXPECT_EQ(Planned({KEEP_CHOICE_OLDEST, ""}), AllBut(m_oldest));
    EXPECT_EQ(Planned({KEEP_CHOICE_FIRST, ""}), AllBut(m_first));
    EXPECT_EQ(Planned({KEEP_CHOICE_SHORTEST_PATH, ""}), AllBut(m_short));
    EXPECT_EQ(Planned({KEEP_CHOICE_IN_FOLDER, m_tree.Path("a/")}), AllBut(m_oldest));
}

TEST_F(SetPlanTest, ASetWithoutAMemberInTheFolderIsLeftAlone) {
    // "q" is a prefix of no folder of the set but "q/": a bare prefix must not count.
    const CSetPlan result = PlanSetActions(m_rows, {KEEP_CHOICE_IN_FOLDER, m_tree.Path("z/mi")});
    EXPECT_TRUE(result.plan.paths.empty());
    EXPECT_EQ(result.nSetsLeftAlone, 1u);
}

TEST_F(SetPlanTest, ReferenceFilesAreNeverPlanned) {
    for (CResultRow& row : m_rows) {
        row.m_bSourceReference = row.m_strSourcePath == m_short;
        row.m_bTargetReference = row.m_strTargetPath == m_short;
    }
    // Newest prefers the reference file; shortest-path and first keep another and the
    // reference file stays besides.
    EXPECT_EQ(Planned({KEEP_CHOICE_NEWEST, ""}), AllBut(m_short));
    std::vector<std::string> planned = Planned({KEEP_CHOICE_FIRST, ""});
    EXPECT_EQ(planned, Sorted({m_newest, m_oldest}));
}

TEST_F(SetPlanTest, WhenTheChosenMemberIsGoneAnotherCopyStays) {
    ASSERT_EQ(unlink(m_newest.c_str()), 0);
    const CSetPlan result = PlanSetActions(m_rows, {KEEP_CHOICE_NEWEST, ""});
    EXPECT_EQ(result.plan.paths.size(), 2u);
    EXPECT_EQ(result.plan.kept.size(), 1u);
}
