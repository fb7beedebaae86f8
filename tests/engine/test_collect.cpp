// The collection worker and the search settings it reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "Collect.h"
#include "TempTree.h"

namespace {

using V = std::vector<std::string>;

class CollectProcTest : public testing::Test {
protected:
    void SetUp() override {
        m_tree.Add("a.txt", "1");
        m_tree.Add("b.doc", "22");
        m_tree.Add("c.pdf", "333");
        m_tree.Add("my file.txt", "4444");
        m_tree.Add("sub/d.txt", "55555");
    }
    // The names collected, sorted; the phases and completions reported go to the members.
    V Run(const std::vector<CFolderRow>& rows, int bChanged = 1) {
        m_statuses.clear();
        m_nDone = 0;
        CollectFilesProc(
            rows, bChanged, m_state,
            {[this](ESearchPhase nPhase) { m_statuses.push_back(nPhase); }, [this] { ++m_nDone; }, {}});
        // Whatever the rows, the array ends in order of size.
        const std::vector<CFileInfo>& files = m_state.m_files.GetData();
        EXPECT_TRUE(std::is_sorted(files.begin(), files.end(), [](const CFileInfo& a, const CFileInfo& b) {
            return a.GetLength() < b.GetLength();
        }));
        V names;
        for (const CFileInfo& f : files) names.push_back(f.GetFileName());
        std::sort(names.begin(), names.end());
        return names;
    }
    V Collect(const std::vector<CFolderRow>& rows) {
        m_state.m_files.RemoveAll();
        const V names = Run(rows);
        EXPECT_EQ(m_nDone, 1);
        EXPECT_EQ(m_statuses, (std::vector<ESearchPhase>{ESearchPhase::Collecting, ESearchPhase::Ready}));
        EXPECT_EQ(m_state.m_bBusy + m_state.m_bCollecting, 0);
        return names;
    }
    CTempTree m_tree;
    CSearchState m_state;
    std::vector<ESearchPhase> m_statuses;
    int m_nDone = 0;
};

}  // namespace

TEST_F(CollectProcTest, SplitsAndTrimsMasksAndReadsTheSubfolderFlagAsYesInAnyCase) {
    const std::string strRoot = m_tree.Root();
    EXPECT_EQ(Collect({{strRoot, "*.txt;*.doc", "No"}}), (V{"a.txt", "b.doc", "my file.txt"}));
    EXPECT_EQ(Collect({{strRoot, "  *.pdf\t;;  b.*  ;;", "No"}}), (V{"b.doc", "c.pdf"}));
    EXPECT_EQ(Collect({{strRoot, " my file* ", "No"}}), (V{"my file.txt"}));
    EXPECT_EQ(Collect({{strRoot, "x;*", "No"}}), (V{"a.txt", "b.doc", "c.pdf", "my file.txt"}));
    EXPECT_EQ(Collect({{strRoot, "", "Yes"}, {strRoot, " ; ;", "Yes"}}), V{});
    for (const char* pszYes : {"Yes", "yes", "YES", "yEs"})
        EXPECT_EQ(Collect({{strRoot, "d.*", pszYes}}), V{"d.txt"}) << pszYes;
    for (const char* pszNo : {"No", "Y", "", "Yes ", "true"})
        EXPECT_TRUE(Collect({{strRoot, "d.*", pszNo}}).empty()) << pszNo;
}

TEST_F(CollectProcTest, AnUnchangedListOnlyReportsDoneAndACancelStillEndsWithReady) {
    m_state.m_files.AddDir(m_tree.Root(), "a.txt", false, &m_state.m_bAbort);
    EXPECT_EQ(Run({{m_tree.Root()}}, 0), V{"a.txt"});
    EXPECT_EQ(m_nDone, 1);
    EXPECT_TRUE(m_statuses.empty());

    m_state.m_bAbort = 1;
    EXPECT_TRUE(Collect({{m_tree.Root()}, {m_tree.Path("sub")}}).empty());
    CollectFilesProc({{m_tree.Root()}}, 1, m_state, {});
}

TEST(SearchSettingsTest, PartialSizeReadsLikeAtoiInKilobytes) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const std::pair<const char*, std::uint64_t> table[] = {
        {"64", 65536},  {"", 0},   {"0", 0},  {"  \t12abc", 12288}, {"+5", 5120}, {"1 2", 1024},
        {"abc", 0},     {"-3", 0},  // no negative sizes: whole files
        {"4194305", 4194305ULL * 1024},  // past 4 GiB without wrapping round
        {"18014398509481983", kMax - 1023},   // the largest size that needs no saturation
        {"18014398509481984", kMax},          // one more: times 1024 it would wrap to 0
        {"18446744073709551617", kMax},       // 2^64 + 1: as digits it would wrap to 1
        {"99999999999999999999", kMax},
        {"64\n99", 65536},               // first line only
        {"\r64", 0},                     // a line may end with either
        {"                   7", 7168},  // 20 characters are read...
        {"                    7", 0},    // ...and no more
    };
    for (const auto& [pszText, nBytes] : table) {
        CSearchSettings settings;
        settings.m_strPartial = pszText;
        EXPECT_EQ(settings.GetPartialBytes(), nBytes) << "'" << pszText << "'";
    }
}
