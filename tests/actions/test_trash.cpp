// The Trash on exact path bytes, and the file: URL that hands exact bytes to the desktop.
#include <gtest/gtest.h>

#include <QUrl>
#include <cerrno>
#include <filesystem>

#include "ActionsSupport.h"
#include "RowActions.h"
#include "Trash.h"

namespace {

// The Path= line of a .trashinfo file.
std::string InfoPath(const std::string& strInfoFile) {
    const std::string strInfo = ReadAll(strInfoFile);
    const std::size_t nStart = strInfo.find("\nPath=");
    if (nStart == std::string::npos) return std::string();
    return strInfo.substr(nStart + 6, strInfo.find('\n', nStart + 1) - nStart - 6);
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
    // Every byte that is not plain is escaped, so the invalid UTF-8 survives the round trip.
    const std::string strInfo = strTrash + "/info/r\xE9sum\xE9 50%.txt.trashinfo";
    EXPECT_NE(InfoPath(strInfo).find("/dir%20one/r%E9sum%E9%2050%25.txt"), std::string::npos);
    EXPECT_EQ(InfoPath(strInfo), EncodeTrashPath(strOdd));

    // Equal names from two folders get two entries, each recording its own origin.
    std::string strSecond;
    ASSERT_EQ(MoveToTrash(strSame1), 0);
    ASSERT_EQ(MoveToTrash(strSame2, &strSecond), 0);
    EXPECT_EQ(ReadAll(strSecond), "second");
    EXPECT_EQ(InfoPath(strTrash + "/info/" + std::filesystem::path(strSecond).filename().string() +
                       ".trashinfo"),
              EncodeTrashPath(strSame2));

    // Folders and missing files are refused and leave no entry.
    const std::string strDir = tree.AddDir("folder");
    EXPECT_EQ(MoveToTrash(strDir.substr(0, strDir.size() - 1)), EISDIR);
    EXPECT_EQ(MoveToTrash(tree.Path("missing")), ENOENT);
    EXPECT_EQ(ListDir(strTrash + "/info").size(), 3u);
}

TEST(DesktopLauncher, FileUrlCarriesTheExactBytes) {
    for (const std::string strPath : {"/tmp/a?b#c d%20.txt", "/tmp/\xFF\xFE\x80.bin"}) {
        const QByteArray encoded = FileUrlOf(strPath).toEncoded();
        ASSERT_TRUE(encoded.startsWith("file:///"));
        EXPECT_EQ(QByteArray::fromPercentEncoding(encoded.mid(7)).toStdString(), strPath);
    }
}
