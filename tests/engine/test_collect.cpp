// The collection worker and the search settings it reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "Collect.h"
#include "MaskList.h"
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

namespace {

// A tree for the filters: which files a row's masks text takes, as paths below the root.
class CollectFilterTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* psz : {"a.txt", "b.tmp", ".git/config", ".git/objects/o.txt", "src/.GIT/HEAD",
                                "src/main.c", "src/x.TMP", "cache/c.bin", "cache/deep/d.bin",
                                "cache/keep.txt", "build/out.o", "sub/build/in.o", "sub/a.txt"})
            m_tree.Add(psz, psz);
    }
    V Paths(const std::vector<CFolderRow>& rows) {
        m_state.m_files.RemoveAll();
        CollectFilesProc(rows, 1, m_state, {});
        V paths;
        for (const CFileInfo& f : m_state.m_files.GetData())
            paths.push_back(f.GetFilePath().substr(m_tree.Root().size()) + (f.IsReference() ? " R" : ""));
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    V Paths(const char* pszMasks) { return Paths({{m_tree.Root(), pszMasks, "Yes"}}); }
    CTempTree m_tree;
    CSearchState m_state;
};

}  // namespace

TEST_F(CollectFilterTest, ExclusionsLeaveOutNamesOfFilesAndFoldersAndPathsBelowTheFolder) {
    const V all = {".git/config", ".git/objects/o.txt", "a.txt", "b.tmp", "build/out.o", "cache/c.bin",
                   "cache/deep/d.bin", "cache/keep.txt", "src/.GIT/HEAD", "src/main.c", "src/x.TMP",
                   "sub/a.txt", "sub/build/in.o"};
    auto without = [&all](const V& gone) {
        V rest;
        for (const std::string& s : all)
            if (std::find(gone.begin(), gone.end(), s) == gone.end()) rest.push_back(s);
        return rest;
    };
    const std::pair<const char*, V> table[] = {
        {"*.*;!*.tmp;!.git", without({"b.tmp", "src/x.TMP", ".git/config", ".git/objects/o.txt", "src/.GIT/HEAD"})},
        {" ! *.tmp ", without({"b.tmp", "src/x.TMP"})},  // exclusions alone: every other file
        {"*.txt;*.c;!.git;!sub", {"a.txt", "cache/keep.txt", "src/main.c"}},  // for every mask of the row
        {"!cache/*.bin", without({"cache/c.bin", "cache/deep/d.bin"})},         // '*' also spans folders
        {"!build/", without({"build/out.o"})},           // a path: only the folder at the top
        {"!BUILD", without({"build/out.o", "sub/build/in.o"})},  // a name: folders anywhere, any case
        {"!/a.txt;!sub/a.TXT", without({"a.txt", "sub/a.txt"})},
        {"*.o;!sub/*", {"build/out.o"}},
        {"!", {}},  // nothing to leave out and nothing to take
        {"!*", {}},
    };
    for (const auto& [pszMasks, expected] : table) EXPECT_EQ(Paths(pszMasks), expected) << pszMasks;
}

// A file is a reference file when any row that reaches it is a reference row, whichever comes
// first and whether it is reached by path or through a hard link.
TEST_F(CollectFilterTest, FilesOfReferenceRowsAreMarkedAlsoWhenAPlainRowReachesThemToo) {
    ASSERT_EQ(::link(m_tree.Path("src/main.c").c_str(), m_tree.Path("main-link.c").c_str()), 0);
    const std::string strRoot = m_tree.Root(), strSrc = m_tree.Path("src/");
    const CFolderRow refSrc{strSrc, "*.c;*.tmp", "No", true};
    EXPECT_EQ(Paths({refSrc}), (V{"src/main.c R", "src/x.TMP R"}));
    for (const auto& rows : {std::vector<CFolderRow>{{strRoot, "*.c", "Yes"}, refSrc},
                             std::vector<CFolderRow>{refSrc, {strRoot, "*.c", "Yes"}}})
        EXPECT_EQ(Paths(rows), (V{"main-link.c R", "src/x.TMP R"}));
    EXPECT_EQ(Paths({{strRoot, "*.c", "Yes"}, {strSrc, "*.c", "No", false}}), V{"main-link.c"});
    // Outside a batch, a file already in the array takes the mark of a later find.
    CFileInfoArray& files = m_state.m_files;
    files.RemoveAll();
    files.AddDir(strRoot, "*.c", true, &m_state.m_bAbort);
    files.AddDir(strSrc, "*.c", false, CExclusions{}, true, &m_state.m_bAbort);
    ASSERT_EQ(files.GetSize(), 1u);
    EXPECT_EQ(files[0].GetFileName() + (files[0].IsReference() ? " R" : ""), "main-link.c R");
}

TEST_F(CollectFilterTest, AnExcludedFolderIsNotEnteredUnprivileged) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root (twinex_engine_unprivileged runs this)";
    ASSERT_EQ(chmod(m_tree.Path(".git").c_str(), 0), 0);
    std::vector<std::string> errors;
    CCollectCallbacks callbacks;
    callbacks.onError = [&](const std::string& strPath, int) { errors.push_back(strPath); };
    CollectFilesProc({{m_tree.Root(), "*.txt;!.git", "Yes"}}, 1, m_state, callbacks);
    EXPECT_TRUE(errors.empty());
    CollectFilesProc({{m_tree.Root(), "*.txt;!.GIT/", "Yes"}}, 1, m_state, callbacks);
    EXPECT_TRUE(errors.empty());
    CollectFilesProc({{m_tree.Root(), "*.txt", "Yes"}}, 1, m_state, callbacks);
    EXPECT_EQ(errors, V{m_tree.Path(".git/")});
    chmod(m_tree.Path(".git").c_str(), 0700);
}

// Walkers that hand each other folders find what one walker finds: each file once, and every
// walker applies the row's exclusions by name and by path below the folder searched.
TEST(CollectWalkersTest, ManyWalkersFindWhatOneFindsAndLeaveNoFolderOpen) {
    CTempTree tree;
    for (int a = 0; a < 6; ++a)
        for (int b = 0; b < 6; ++b) {
            const std::string strDir = "a" + std::to_string(a) + "/b" + std::to_string(b) + "/";
            for (const char* pszName : {"f.txt", "skip.tmp", "c/g.txt"}) tree.Add(strDir + pszName, strDir);
        }
    auto collect = [&](unsigned nThreads, int nMaxOpenDirs) {
        CSearchState state;
        CWalkTuning walk;
        walk.m_nThreads = nThreads;
        walk.m_nMaxOpenDirs = nMaxOpenDirs;
        CollectFilesTuned({{tree.Root(), "*.*;!*.tmp;!a2/b3/;!a4/*/c/", "Yes"}}, 1, state, {}, walk);
        EXPECT_EQ(state.m_files.GetSize(), state.m_files.GetData().size());
        V paths;
        for (const CFileInfo& f : state.m_files.GetData()) paths.push_back(f.GetFilePath().substr(tree.Root().size()));
        return paths;
    };
    const V one = collect(1, 64);
    EXPECT_EQ(one.size(), 36u * 2 - 2 - 6);
    const auto nFds = std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    for (unsigned nThreads : {2u, 8u})
        for (int nMaxOpenDirs : {1, 64}) EXPECT_EQ(collect(nThreads, nMaxOpenDirs), one) << nThreads;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}), nFds);
}
