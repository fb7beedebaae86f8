// The Trash on exact path bytes, and the file: URL that hands exact bytes to the desktop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QUrl>
#include <cerrno>
#include <filesystem>

#include "ActionsSupport.h"
#include "RowActions.h"
#include "TempTree.h"
#include "Trash.h"

namespace {

// The Path= line of a .trashinfo file.
std::string InfoPath(const std::string& strInfoFile) {
    const std::string strInfo = ReadAll(strInfoFile);
    const std::size_t nStart = strInfo.find("\nPath=");
    if (nStart == std::string::npos) return std::string();
    const std::size_t nEnd = strInfo.find('\n', nStart + 1);
    return strInfo.substr(nStart + 6, nEnd - nStart - 6);
}

}  // namespace

TEST(Trash, MovesTheExactFileAndRecordsWhereItCameFrom) {
    EmptyTestTrash();
    CTempTree tree;
    const std::string strOdd = tree.Add("dir one/r\xE9sum\xE9 50%.txt", "latin-1 name");
    const std::string strSame1 = tree.Add("a/same.txt", "first");
    const std::string strSame2 = tree.Add("b/same.txt", "second");
    const std::string strBeside = tree.Add("dir one/r", "stays");

    std::string strTrashed;
    ASSERT_EQ(MoveToTrash(strOdd, &strTrashed), 0);
    EXPECT_FALSE(Exists(strOdd));
    EXPECT_TRUE(Exists(strBeside));
    const std::string strTrash = TestDataHome() + "/Trash";
    EXPECT_EQ(strTrashed, strTrash + "/files/r\xE9sum\xE9 50%.txt");
    EXPECT_EQ(ReadAll(strTrashed), "latin-1 name");
    const std::string strInfo = strTrash + "/info/r\xE9sum\xE9 50%.txt.trashinfo";
    EXPECT_EQ(ReadAll(strInfo).rfind("[Trash Info]\n", 0), 0u);
    // Every byte that is not plain is escaped, so the invalid UTF-8 survives the round trip.
    EXPECT_EQ(InfoPath(strInfo), EncodeTrashPath(strOdd));
    EXPECT_NE(InfoPath(strInfo).find("/dir%20one/r%E9sum%E9%2050%25.txt"), std::string::npos);
    EXPECT_NE(ReadAll(strInfo).find("\nDeletionDate=20"), std::string::npos);

    // Equal names from two folders get two entries, each recording its own origin.
    std::string strFirst, strSecond;
    ASSERT_EQ(MoveToTrash(strSame1, &strFirst), 0);
    ASSERT_EQ(MoveToTrash(strSame2, &strSecond), 0);
    EXPECT_EQ(ReadAll(strFirst), "first");
    EXPECT_EQ(strSecond, strTrash + "/files/same.2.txt");
    EXPECT_EQ(ReadAll(strSecond), "second");
    EXPECT_EQ(InfoPath(strTrash + "/info/same.2.txt.trashinfo"), EncodeTrashPath(strSame2));

    // Folders and missing files are refused and leave no entry.
    const std::string strDir = tree.AddDir("folder");
    EXPECT_EQ(MoveToTrash(strDir.substr(0, strDir.size() - 1)), EISDIR);
    EXPECT_EQ(MoveToTrash(tree.Path("missing")), ENOENT);
    EXPECT_EQ(ListDir(strTrash + "/info").size(), 3u);
}

// A file on another file system goes to that file system's own Trash, never copied home.
TEST(Trash, UsesTheTrashOfTheFilesOwnMount) {
    struct stat shm, home;
    if (stat("/dev/shm", &shm) != 0 || stat(TestDataHome().c_str(), &home) != 0 ||
        shm.st_dev == home.st_dev || access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    char szDir[] = "/dev/shm/twinex-trash-XXXXXX";
    ASSERT_NE(mkdtemp(szDir), nullptr);
    const std::string strFile = std::string(szDir) + "/on shm.bin";
    std::fclose(std::fopen(strFile.c_str(), "w"));

    const std::string strOwnTrash = "/dev/shm/.Trash-" + std::to_string(getuid());
    const bool bHadTrash = Exists(strOwnTrash);
    EmptyTestTrash();
    std::string strTrashed;
    const int nResult = MoveToTrash(strFile, &strTrashed);
    std::error_code ec;
    if (nResult == 0) {
        EXPECT_EQ(strTrashed.rfind("/dev/shm/.Trash", 0), 0u) << strTrashed;
        const std::string strName = std::filesystem::path(strTrashed).filename().string();
        const std::string strTrash = std::filesystem::path(strTrashed).parent_path().parent_path();
        const std::string strInfo = strTrash + "/info/" + strName + ".trashinfo";
        // Relative to the mount point.
        EXPECT_EQ(InfoPath(strInfo),
                  EncodeTrashPath(strFile.substr(std::string("/dev/shm/").size())));
        std::filesystem::remove(strTrashed, ec);
        std::filesystem::remove(strInfo, ec);
    } else {
        EXPECT_EQ(nResult, EXDEV);
        EXPECT_TRUE(Exists(strFile));
    }
    if (!bHadTrash) std::filesystem::remove_all(strOwnTrash, ec);
    std::filesystem::remove_all(szDir, ec);
    EXPECT_TRUE(ListDir(TestDataHome() + "/Trash/files").empty());
}

TEST(DesktopLauncher, FileUrlCarriesTheExactBytes) {
    for (const std::string strPath :
         {"/tmp/a?b#c d%20.txt", "/tmp/\xFF\xFE\x80.bin", "/tmp/caf\xC3\xA9"}) {
        const QUrl url = FileUrlOf(strPath);
        ASSERT_TRUE(url.isValid());
        EXPECT_TRUE(url.isLocalFile());
        const QByteArray encoded = url.toEncoded();
        ASSERT_TRUE(encoded.startsWith("file:///"));
        EXPECT_EQ(QByteArray::fromPercentEncoding(encoded.mid(7)).toStdString(), strPath);
    }
}
