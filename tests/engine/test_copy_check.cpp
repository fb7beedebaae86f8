// The byte-by-byte check before a removal: which files it lets go, which it keeps and why.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <utility>

#include "CopyCheck.h"
#include "TempTree.h"

namespace {

const std::string BIG(600 * 1024, 'b');  // more than one read block

struct CCase {
    const char* pszName;
    std::map<std::string, std::string> files;
    // name to remove, name of the copy that stays; the recorded size is the first file's
    std::vector<std::pair<std::string, std::string>> checks;
    // per check: verdict and the name it was compared with
    std::vector<std::pair<ECheckVerdict, std::string>> expected;
};

std::string Tail(std::string str, char c) {
    str.back() = c;
    return str;
}

const CCase CASES[] = {
    {"a difference in the last byte of the last block keeps the file",
     {{"k", BIG}, {"a", Tail(BIG, 'x')}, {"b", BIG}},
     {{"a", "k"}, {"b", "k"}},
     {{CHECK_DIFFERENT, "k"}, {CHECK_SAME, "k"}}},
    {"a lone pair that differs only in its last block",
     {{"k", BIG}, {"a", Tail(BIG, 'x')}}, {{"a", "k"}}, {{CHECK_DIFFERENT, "k"}}},
    {"a difference in the first byte",
     {{"k", "abcd"}, {"a", "xbcd"}}, {{"a", "k"}}, {{CHECK_DIFFERENT, "k"}}},
    {"copies of each other but not of the copy that stays: the first stays, the rest go",
     {{"k", Tail(BIG, 'k')}, {"a", BIG}, {"b", BIG}, {"c", Tail(BIG, 'c')}, {"d", BIG}},
     {{"a", "k"}, {"b", "k"}, {"c", "k"}, {"d", "k"}},
     {{CHECK_DIFFERENT, "k"}, {CHECK_SAME, "a"}, {CHECK_DIFFERENT, "k"}, {CHECK_SAME, "a"}}},
    {"a copy that stays that is gone keeps the file",
     {{"a", "same"}}, {{"a", "k"}}, {{CHECK_KEEP_UNREADABLE, "k"}}},
    {"sets are checked against their own copy that stays",
     {{"k1", "one"}, {"k2", "two"}, {"a", "two"}, {"b", "one"}},
     {{"a", "k1"}, {"b", "k1"}, {"a", "k2"}},
     {{CHECK_DIFFERENT, "k1"}, {CHECK_SAME, "k1"}, {CHECK_SAME, "k2"}}},
    {"empty files", {{"k", ""}, {"a", ""}}, {{"a", "k"}}, {{CHECK_SAME, "k"}}},
};

}  // namespace

TEST(CopyCheckTest, KeepsEveryFileThatIsNotAWholeCopyOfOneThatStays) {
    for (const CCase& c : CASES) {
        SCOPED_TRACE(c.pszName);
        CTempTree tree;
        for (const auto& [strName, strBytes] : c.files) tree.Add(strName, strBytes);
        std::vector<CCopyCheck> checks;
        for (const auto& [strRemove, strKeep] : c.checks)
            checks.push_back({tree.Path(strRemove), tree.Path(strKeep), c.files.begin()->second.size()});
        bool bCancelled = true;
        const std::vector<CCheckResult> results = CheckCopies(checks, nullptr, bCancelled);
        EXPECT_FALSE(bCancelled);
        ASSERT_EQ(results.size(), c.expected.size());
        for (std::size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i].nVerdict, c.expected[i].first) << i;
            EXPECT_EQ(results[i].strAgainst, tree.Path(c.expected[i].second)) << i;
        }
    }
}

TEST(CopyCheckTest, FilesNoLongerAsTheSearchFoundThemStay) {
    CTempTree tree;
    const std::string k = tree.Add("k", "12345678"), same = tree.Add("same", "12345678");
    const std::string shorter = tree.Add("shorter", "1234567"), longer = tree.Add("longer", "123456789");
    const std::string fifo = tree.Path("fifo"), link = tree.Path("link"), dir = tree.AddDir("dir");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(k.c_str(), link.c_str()), 0);
    bool bCancelled = false;
    const std::vector<CCheckResult> results = CheckCopies(
        {{shorter, k, 8}, {longer, k, 8}, {fifo, k, 8}, {link, k, 8}, {dir, k, 8}, {same, k, 8}},
        nullptr, bCancelled);
    ASSERT_EQ(results.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(results[i].nVerdict, CHECK_CHANGED) << i;
    EXPECT_EQ(results[5].nVerdict, CHECK_SAME);

    // The copy that stays is a link to an identical file: it is not followed.
    const std::vector<CCheckResult> viaLink = CheckCopies({{same, link, 8}}, nullptr, bCancelled);
    EXPECT_EQ(viaLink[0].nVerdict, CHECK_KEEP_UNREADABLE);
    // Nor may the copy that stays have another size than the search recorded.
    EXPECT_EQ(CheckCopies({{k, longer, 8}}, nullptr, bCancelled)[0].nVerdict, CHECK_KEEP_UNREADABLE);
}

TEST(CopyCheckTest, StampsProgressAndStopCoverWhatWasRead) {
    CTempTree tree;
    const std::string k = tree.Add("k", BIG), a = tree.Add("a", BIG), b = tree.Add("b", BIG);
    std::uint64_t nLast = 0;
    bool bCancelled = false;
    const std::vector<CCopyCheck> checks = {{a, k, BIG.size()}, {b, k, BIG.size()}};
    auto progress = [&](std::uint64_t nDone) {
        EXPECT_GE(nDone, std::exchange(nLast, nDone));
        return true;
    };
    const std::vector<CCheckResult> results = CheckCopies(checks, progress, bCancelled);
    EXPECT_EQ(nLast, 3 * BIG.size());
    EXPECT_EQ(CheckCopiesBytes(checks), 3 * BIG.size());
    CFileStamp stampA, stampK;
    ASSERT_TRUE(ReadFileStamp(a, stampA) && ReadFileStamp(k, stampK));
    EXPECT_EQ(results[0].stamp, stampA);
    EXPECT_EQ(results[0].stampAgainst, stampK);
    EXPECT_FALSE(ReadFileStamp(tree.AddDir("d"), stampA));

    // Stopped after the first block: nothing may go.
    for (const CCheckResult& result : CheckCopies(checks, [](std::uint64_t) { return false; }, bCancelled))
        EXPECT_NE(result.nVerdict, CHECK_SAME);
    EXPECT_TRUE(bCancelled);
    // Grown while it was read: no longer the file the search found.
    auto grow = [&](std::uint64_t) { return bool(std::ofstream(a, std::ios::app) << 'x'); };
    EXPECT_EQ(CheckCopies({{a, k, BIG.size()}}, grow, bCancelled)[0].nVerdict, CHECK_CHANGED);
}

TEST(CopyCheckTest, LargeSetsAreCheckedInGroupsUnderALowDescriptorLimit) {
    CTempTree tree;
    const std::string k = tree.Add("k", "contents");
    std::vector<CCopyCheck> checks;
    for (int i = 0; i < 40; ++i)
        checks.push_back({tree.Add("c" + std::to_string(i), i % 7 == 3 ? "Contents" : "contents"), k, 8});
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = 72;  // leaves room for groups of a few files only
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    bool bCancelled = false;
    const std::vector<CCheckResult> results = CheckCopies(checks, nullptr, bCancelled);
    setrlimit(RLIMIT_NOFILE, &old);
    ASSERT_EQ(results.size(), checks.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].nVerdict, i % 7 == 3 ? CHECK_DIFFERENT : CHECK_SAME) << i;
        EXPECT_EQ(results[i].strAgainst, k) << i;
    }
}

// Root reads every file; a file it may not read takes a user who may not.
TEST(CopyCheckTest, UnreadableFilesStayAsAnUnprivilegedUser) {
    CTempTree tree;
    const std::string k = tree.Add("k", "data"), a = tree.Add("a", "data"), b = tree.Add("b", "data");
    ASSERT_EQ(chmod(tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(a.c_str(), 0), 0);
    for (const std::string& strPath : {k, b}) ASSERT_EQ(chmod(strPath.c_str(), 0644), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        if (access(a.c_str(), R_OK) == 0) _exit(4);  // this user reads everything
        bool bCancelled = false;
        const std::vector<CCheckResult> first = CheckCopies({{a, k, 4}, {b, k, 4}}, nullptr, bCancelled);
        const bool bOk = first[0].nVerdict == CHECK_UNREADABLE && first[0].nErrno == EACCES &&
                         first[1].nVerdict == CHECK_SAME;
        const std::vector<CCheckResult> second = CheckCopies({{b, a, 4}}, nullptr, bCancelled);
        _exit(bOk && second[0].nVerdict == CHECK_KEEP_UNREADABLE && second[0].nErrno == EACCES ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    if (WEXITSTATUS(nStatus) == 3 || WEXITSTATUS(nStatus) == 4)
        GTEST_SKIP() << "no user without the right to read every file could be had";
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}
