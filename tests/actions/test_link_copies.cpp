// Replacing checked copies with hard links or clones: the path always holds a whole file, only
// byte-identical copies are replaced, and what cannot be done is refused with its reason.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "FileHelpers.h"
#include "LinkCopies.h"
#include "TempTree.h"

namespace {

struct stat StatOf(const std::string& strPath) {
    struct stat st {};
    EXPECT_EQ(lstat(strPath.c_str(), &st), 0) << strPath;
    return st;
}

// A plan that replaces each of files with a link to strKeep.
CDeletePlan PlanAgainst(const std::string& strKeep, const std::vector<std::string>& files) {
    CDeletePlan plan;
    for (const std::string& strFile : files) {
        plan.paths.push_back(strFile);
        plan.stays.push_back(strKeep);
        plan.sizes.push_back(static_cast<std::uint64_t>(StatOf(strFile).st_size));
    }
    return plan;
}

// The names a replacement leaves in a folder: none but the files themselves.
bool NoTemporaryLeft(const std::string& strDir) {
    for (const std::string& strName : ListDir(strDir))
        if (strName.rfind(".twinex-", 0) == 0) return false;
    return true;
}

}  // namespace

TEST(LinkCopiesTest, HardLinksReplaceEveryCheckedCopyOfASetAndNothingElse) {
    CTempTree tree;
    const std::string strKeep = tree.Add("keep.bin", std::string(70000, 'k'));
    // Odd names: a leading dash and a newline must reach the file system unchanged.
    const std::string strA = tree.Add("-a copy", std::string(70000, 'k'));
    const std::string strB = tree.Add("sub/b\ncopy", std::string(70000, 'k'));
    std::string strFalse(70000, 'k');
    strFalse.back() = 'x';  // the same size, different in the last byte
    const std::string strC = tree.Add("c.bin", strFalse);
    const ino_t nFalseInode = StatOf(strC).st_ino;

    CQuietProgress progress;
    const CLinkOutcome outcome =
        LinkCheckedCopies(PlanAgainst(strKeep, {strA, strB, strC}), LINK_HARD, progress);

    // The second file of the set is linked too, although the first link changed the kept file.
    EXPECT_EQ(outcome.replaced, (std::vector<std::string>{strA, strB}));
    EXPECT_EQ(outcome.linkedTo, (std::vector<std::string>{strKeep, strKeep}));
    EXPECT_TRUE(outcome.failed.empty());
    ASSERT_EQ(outcome.kept.size(), 1u);
    EXPECT_EQ(outcome.kept[0].strPath, strC);
    EXPECT_EQ(outcome.kept[0].nVerdict, CHECK_DIFFERENT);

    const ino_t nKeepInode = StatOf(strKeep).st_ino;
    EXPECT_EQ(StatOf(strA).st_ino, nKeepInode);
    EXPECT_EQ(StatOf(strB).st_ino, nKeepInode);
    EXPECT_EQ(StatOf(strKeep).st_nlink, 3u);
    EXPECT_EQ(StatOf(strC).st_ino, nFalseInode);
    EXPECT_EQ(ReadAll(strC), strFalse);
    EXPECT_TRUE(NoTemporaryLeft(tree.Root()));
    EXPECT_TRUE(NoTemporaryLeft(tree.Path("sub")));
}

TEST(LinkCopiesTest, BeforeTheRenameThePathStillHoldsTheOldFile) {
    CTempTree tree;
    const std::string strKeep = tree.Add("keep", "same bytes");
    const std::string strCopy = tree.Add("copy", "same bytes");
    const ino_t nOld = StatOf(strCopy).st_ino;

    std::string strTemp;
    ASSERT_EQ(MakeReplacement(strCopy, strKeep, LINK_HARD, strTemp), 0);
    // Stopped here (a crash, a power cut): the old file is whole at its path, and the link
    // waits beside it in the same folder.
    EXPECT_EQ(StatOf(strCopy).st_ino, nOld);
    EXPECT_EQ(ReadAll(strCopy), "same bytes");
    EXPECT_EQ(strTemp.rfind(tree.Root(), 0), 0u);
    EXPECT_EQ(StatOf(strTemp).st_ino, StatOf(strKeep).st_ino);
    ASSERT_EQ(rename(strTemp.c_str(), strCopy.c_str()), 0);
    EXPECT_EQ(StatOf(strCopy).st_ino, StatOf(strKeep).st_ino);
}

TEST(LinkCopiesTest, RefusalsChangeNothing) {
    CTempTree tree;
    const std::string strKeep = tree.Add("keep", "bytes");
    const std::string strTwin = tree.Path("twin");
    ASSERT_EQ(link(strKeep.c_str(), strTwin.c_str()), 0);
    EXPECT_EQ(ReplaceWithLink(strTwin, strKeep, LINK_HARD), EEXIST);

    const std::string strLink = tree.Path("symlink");
    ASSERT_EQ(symlink(strKeep.c_str(), strLink.c_str()), 0);
    EXPECT_EQ(ReplaceWithLink(strLink, strKeep, LINK_HARD), EINVAL);
    EXPECT_TRUE(S_ISLNK(StatOf(strLink).st_mode));

    // Another file system, where the machine has one at hand.
    char szOther[] = "/dev/shm/twinex-link-XXXXXX";
    if (mkdtemp(szOther) != nullptr) {
        const std::string strOther = std::string(szOther) + "/copy";
        { std::ofstream(strOther) << "bytes"; }
        if (StatOf(strOther).st_dev != StatOf(strKeep).st_dev) {
            EXPECT_EQ(ReplaceWithLink(strOther, strKeep, LINK_HARD), EXDEV);
            EXPECT_EQ(ReplaceWithLink(strOther, strKeep, LINK_CLONE), EXDEV);
            EXPECT_EQ(ReadAll(strOther), "bytes");
        }
        unlink(strOther.c_str());
        rmdir(szOther);
    }
    EXPECT_EQ(StatOf(strKeep).st_nlink, 2u);
    EXPECT_TRUE(NoTemporaryLeft(tree.Root()));
}

// Clones need a file system that shares blocks. Where the temp folder has none, a small XFS
// image is mounted when the machine allows it; otherwise only the refusal is tested.
class CloneTest : public ::testing::Test {
protected:
    void SetUp() override {
        CTempTree probe;
        const std::string strA = probe.Add("a", "x"), strB = probe.Add("b", "x");
        m_nTempClones = ReplaceWithLink(strB, strA, LINK_CLONE);
        if (m_nTempClones == 0) {
            m_strRoot = m_tree.Root();
            return;
        }
        EXPECT_EQ(m_nTempClones, EOPNOTSUPP);
        EXPECT_EQ(ReadAll(strB), "x");
        EXPECT_TRUE(NoTemporaryLeft(probe.Root()));
        const std::string strImage = m_tree.Path("xfs.img"), strMount = m_tree.AddDir("mnt");
        const std::string strMake = "truncate -s 320M '" + strImage + "' && mkfs.xfs -q '" +
                                    strImage + "' >/dev/null 2>&1 && mount -o loop '" + strImage +
                                    "' '" + strMount + "' 2>/dev/null";
        if (std::system(strMake.c_str()) != 0)
            GTEST_SKIP() << "clones untested: no file system with clones could be mounted here "
                            "(needs root, loop devices and mkfs.xfs); the refusal was tested";
        m_strMount = strMount;
        m_strRoot = strMount;
    }
    void TearDown() override {
        if (!m_strMount.empty()) umount2(m_strMount.c_str(), MNT_DETACH);
    }
    std::string Add(const std::string& strName, const std::string& strBytes) {
        const std::string strPath = m_strRoot + strName;
        std::ofstream(strPath, std::ios::binary) << strBytes;
        return strPath;
    }

    CTempTree m_tree;
    int m_nTempClones = 0;
    std::string m_strRoot, m_strMount;
};

TEST_F(CloneTest, AClonePutsTheKeptBytesUnderTheCopysOwnMetadata) {
    const std::string strKeep = Add("keep", std::string(100000, 'c'));
    const std::string strCopy = Add("copy", std::string(100000, 'c'));
    ASSERT_EQ(chmod(strCopy.c_str(), 0640), 0);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 5}};
    ASSERT_EQ(utimensat(AT_FDCWD, strCopy.c_str(), times, 0), 0);
    const ino_t nOld = StatOf(strCopy).st_ino;

    CQuietProgress progress;
    const CLinkOutcome outcome =
        LinkCheckedCopies(PlanAgainst(strKeep, {strCopy}), LINK_CLONE, progress);
    EXPECT_EQ(outcome.replaced, std::vector<std::string>{strCopy});
    const struct stat st = StatOf(strCopy);
    EXPECT_NE(st.st_ino, nOld);
    EXPECT_NE(st.st_ino, StatOf(strKeep).st_ino);  // a file of its own, not a hard link
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(ReadAll(strCopy), std::string(100000, 'c'));
    EXPECT_TRUE(NoTemporaryLeft(m_strRoot));
}
