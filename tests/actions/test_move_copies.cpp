// Moving checked copies into another folder: never over a file that is there, whole across
// file systems, and only copies found identical to what stays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "FileHelpers.h"
#include "MoveCopies.h"
#include "TempTree.h"

namespace {}  // namespace

TEST(MoveCopiesTest, OnlyCheckedCopiesMoveAndNothingIsOverwritten) {
    CTempTree tree;
    const std::string strKeep = tree.Add("in/keep", "contents");
    const std::string strCopy = tree.Add("in/sub/copy", "contents");
    const std::string strFalse = tree.Add("in/false", "contentz");
    const std::string strTaken = tree.Add("in/taken", "contents");
    tree.Add("out/taken", "someone else's");
    CDeletePlan plan;
    plan.paths = {strCopy, strFalse, strTaken};
    plan.stays = {strKeep, strKeep, strKeep};
    plan.sizes = {8, 8, 8};

    CQuietProgress progress;
    const CMoveOutcome outcome = MoveCheckedCopies(
        plan,
        [&](const std::string& strPath) {
            return tree.Path("out/") + strPath.substr(tree.Path("in/").size());
        },
        progress);

    EXPECT_EQ(outcome.moved, std::vector<std::string>{strCopy});
    EXPECT_EQ(outcome.movedTo, std::vector<std::string>{tree.Path("out/sub/copy")});
    EXPECT_EQ(ReadAll(tree.Path("out/sub/copy")), "contents");
    EXPECT_FALSE(Exists(strCopy));
    ASSERT_EQ(outcome.kept.size(), 1u);
    EXPECT_EQ(outcome.kept[0].strPath, strFalse);
    ASSERT_EQ(outcome.failed.size(), 1u);
    EXPECT_EQ(outcome.failed[0].nErrno, EEXIST);
    EXPECT_EQ(ReadAll(tree.Path("out/taken")), "someone else's");
    EXPECT_EQ(ReadAll(strTaken), "contents");
    EXPECT_EQ(ReadAll(strKeep), "contents");
}

TEST(MoveCopiesTest, AcrossFileSystemsTheFileArrivesWholeBeforeItLeaves) {
    CTempTree tree;
    const std::string strFrom = tree.Add("from", std::string(3 << 20, 'm'));
    const timespec times[2] = {{1100000000, 0}, {1300000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, strFrom.c_str(), times, 0), 0);
    char szOther[] = "/dev/shm/twinex-move-XXXXXX";
    if (mkdtemp(szOther) == nullptr) GTEST_SKIP() << "no /dev/shm to move across file systems to";
    struct stat stOther {
    }, stFrom{};
    stat(szOther, &stOther);
    stat(strFrom.c_str(), &stFrom);
    if (stOther.st_dev == stFrom.st_dev) {
        std::filesystem::remove_all(szOther);
        GTEST_SKIP() << "/dev/shm is on the same file system as the temp folder here";
    }
    const std::string strTo = std::string(szOther) + "/a/b/to";
    const std::string strBlocked = std::string(szOther) + "/blocked";
    { std::ofstream(strBlocked) << "x"; }

    EXPECT_EQ(MoveFileNoReplace(strFrom, strBlocked), EEXIST);
    EXPECT_TRUE(Exists(strFrom));
    EXPECT_EQ(MoveFileNoReplace(strFrom, strTo), 0);
    EXPECT_FALSE(Exists(strFrom));
    struct stat st {};
    ASSERT_EQ(stat(strTo.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 3 << 20);
    EXPECT_EQ(st.st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(ReadAll(strTo), std::string(3 << 20, 'm'));
    EXPECT_EQ(ListDir(std::string(szOther) + "/a/b"), std::vector<std::string>{"to"});
    std::filesystem::remove_all(szOther);
}
