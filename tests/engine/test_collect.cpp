// The collection worker and the search settings it reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "Collect.h"
#include "TempTree.h"

namespace {

struct CRecorder {
    std::vector<int> statuses;
    int nDone = 0;
    CCollectCallbacks Callbacks() {
        return {[this](int nId) { statuses.push_back(nId); }, [this] { ++nDone; }, {}};
    }
};

std::vector<std::string> Names(const CSearchState& state) {
    std::vector<std::string> names;
    for (const CFileInfo& f : state.m_files.GetData()) names.push_back(f.GetFileName());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class CollectProcTest : public testing::Test {
protected:
    void SetUp() override {
        m_tree.Add("a.txt", "1");
        m_tree.Add("b.doc", "22");
        m_tree.Add("c.pdf", "333");
        m_tree.Add("my file.txt", "4444");
        m_tree.Add("sub/d.txt", "55555");
    }
    std::vector<std::string> Collect(const std::vector<CFolderRow>& rows) {
        CSearchState state;
        CRecorder rec;
        CollectFilesProc(rows, 1, state, rec.Callbacks());
        EXPECT_EQ(rec.nDone, 1);
        EXPECT_EQ(rec.statuses, (std::vector<int>{IDS_STATUS_SEARCHING, IDS_STATUS_READY}));
        EXPECT_EQ(state.m_bBusy, 0);
        EXPECT_EQ(state.m_bCollecting, 0);
        return Names(state);
    }
    CTempTree m_tree;
};

TEST_F(CollectProcTest, SplitsAndTrimsMasks) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Collect({{m_tree.Root(), "*.txt;*.doc", "No"}}), (V{"a.txt", "b.doc", "my file.txt"}));
    EXPECT_EQ(Collect({{m_tree.Root(), "  *.pdf\t;;  b.*  ;;", "No"}}), (V{"b.doc", "c.pdf"}));
    EXPECT_EQ(Collect({{m_tree.Root(), " my file* ", "No"}}), (V{"my file.txt"}));
    EXPECT_EQ(Collect({{m_tree.Root(), "", "Yes"}, {m_tree.Root(), " ; ;", "Yes"}}), V{});
}

TEST_F(CollectProcTest, SubfolderFlagIsYesInAnyLetterCase) {
    for (const char* pszYes : {"Yes", "yes", "YES", "yEs"})
        EXPECT_EQ(Collect({{m_tree.Root(), "d.*", pszYes}}), std::vector<std::string>{"d.txt"})
            << pszYes;
    for (const char* pszNo : {"No", "Y", "", "Yes ", "true"})
        EXPECT_TRUE(Collect({{m_tree.Root(), "d.*", pszNo}}).empty()) << pszNo;
}

TEST_F(CollectProcTest, OverlappingRowsCollectEachFileOnce) {
    EXPECT_EQ(Collect({{m_tree.Path("sub/"), "*.*", "Yes"},
                       {m_tree.Root(), "*.txt;d.*", "Yes"},
                       {m_tree.Root(), "*.*", "No"}}),
              (std::vector<std::string>{"a.txt", "b.doc", "c.pdf", "d.txt", "my file.txt"}));
}

TEST_F(CollectProcTest, UnchangedFolderListOnlyReportsDone) {
    CSearchState state;
    state.m_files.AddDir(m_tree.Root(), "a.txt", false, &state.m_bAbort);
    CRecorder rec;
    CollectFilesProc({{m_tree.Root(), "*.*", "Yes"}}, 0, state, rec.Callbacks());
    EXPECT_EQ(rec.nDone, 1);
    EXPECT_TRUE(rec.statuses.empty());
    EXPECT_EQ(Names(state), std::vector<std::string>{"a.txt"});
}

TEST_F(CollectProcTest, CancelStillEndsWithReadyAndOneDone) {
    CSearchState state;
    state.m_bAbort = 1;
    CRecorder rec;
    CollectFilesProc({{m_tree.Root(), "*.*", "Yes"}, {m_tree.Path("sub"), "*.*", "Yes"}}, 1, state,
                     rec.Callbacks());
    EXPECT_EQ(rec.nDone, 1);
    EXPECT_EQ(rec.statuses, (std::vector<int>{IDS_STATUS_SEARCHING, IDS_STATUS_READY}));
    EXPECT_EQ(state.m_files.GetSize(), 0u);
    // Callbacks left empty are simply not called.
    CollectFilesProc({{m_tree.Root(), "*.*", "Yes"}}, 1, state, {});
}

TEST(SearchSettingsTest, PartialSizeReadsLikeAtoiInKilobytes) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const std::pair<const char*, std::uint64_t> table[] = {
        {"64", 65536},
        {"", 0},
        {"0", 0},
        {"  \t12abc", 12288},
        {"+5", 5120},
        {"1 2", 1024},
        {"abc", 0},
        {"-3", 0},                          // no negative sizes: whole files
        {"4194305", 4194305ULL * 1024},     // past 4 GiB without wrapping round
        {"99999999999999999999", kMax},     // saturates instead of overflowing
        {"64\n99", 65536},                  // first line only
        {"                   7", 7168},     // 20 characters are read...
        {"                    7", 0},       // ...and no more
    };
    for (const auto& [pszText, nBytes] : table) {
        CSearchSettings settings;
        settings.m_strPartial = pszText;
        EXPECT_EQ(settings.GetPartialBytes(), nBytes) << "'" << pszText << "'";
    }
}

TEST(SearchSettingsTest, ResetFlagsClearsTheRunState) {
    CSearchState state;
    state.m_bBusy = state.m_bAbort = state.m_bCancelled = state.m_bCollecting = state.m_bMatching = 1;
    state.m_nProgressPos = 7;
    state.ResetFlags();
    EXPECT_EQ(state.m_bBusy + state.m_bAbort + state.m_bCancelled + state.m_bCollecting +
                  state.m_bMatching,
              0);
    EXPECT_EQ(state.m_nProgressPos, 0);
}
