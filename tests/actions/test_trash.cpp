// The Trash on exact path bytes: moves in, collisions, other file systems, and the way back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "FileHelpers.h"
#include "Removal.h"
#include "TempTree.h"
#include "Trash.h"
#include "TrashJournal.h"

namespace {

// The Path= line of a .trashinfo file.
std::string InfoPath(const std::string& strInfoFile) {
    const std::string strInfo = ReadAll(strInfoFile);
    const std::size_t nStart = strInfo.find("\nPath=");
    if (nStart == std::string::npos) return std::string();
    return strInfo.substr(nStart + 6, strInfo.find('\n', nStart + 1) - nStart - 6);
}

// A home Trash of the test's own, on the same file system as the test's files.
struct CHomeTrash {
    CTempTree home;
    std::string strTrash = home.Path("Trash");
    CXdgTrash trash{strTrash};
};

}  // namespace

TEST(Trash, MovesTheExactFileAndRecordsWhereItCameFrom) {
    CHomeTrash home;
    CTempTree tree;
    const std::string strOdd = tree.Add("dir one/r\xE9sum\xE9 50%.txt", "latin-1 name");
    const std::string strSame1 = tree.Add("a/same.txt", "first");
    const std::string strSame2 = tree.Add("b/same.txt", "second");
    const std::string strBeside = tree.Add("dir one/r", "stays");

    std::string strTrashed;
    ASSERT_EQ(home.trash.Move(strOdd, &strTrashed), 0);
    EXPECT_FALSE(Exists(strOdd));
    EXPECT_TRUE(Exists(strBeside));
    const std::string& strTrash = home.strTrash;
    EXPECT_EQ(strTrashed, strTrash + "/files/r\xE9sum\xE9 50%.txt");
    EXPECT_EQ(ReadAll(strTrashed), "latin-1 name");
    // Every byte that is not plain is escaped, so the invalid UTF-8 survives the round trip.
    const std::string strInfo = strTrash + "/info/r\xE9sum\xE9 50%.txt.trashinfo";
    EXPECT_NE(InfoPath(strInfo).find("/dir%20one/r%E9sum%E9%2050%25.txt"), std::string::npos);
    EXPECT_EQ(InfoPath(strInfo), EncodeTrashPath(strOdd));

    // Equal names from two folders get two entries, each recording its own origin.
    std::string strSecond;
    ASSERT_EQ(home.trash.Move(strSame1, nullptr), 0);
    ASSERT_EQ(home.trash.Move(strSame2, &strSecond), 0);
    EXPECT_EQ(ReadAll(strSecond), "second");
    EXPECT_EQ(InfoPath(strTrash + "/info/" + std::filesystem::path(strSecond).filename().string() +
                       ".trashinfo"),
              EncodeTrashPath(strSame2));

    // Folders and missing files are refused and leave no entry.
    const std::string strDir = tree.AddDir("folder");
    EXPECT_EQ(home.trash.Move(strDir.substr(0, strDir.size() - 1), nullptr), EISDIR);
    EXPECT_EQ(home.trash.Move(tree.Path("missing"), nullptr), ENOENT);
    EXPECT_EQ(ListDir(strTrash + "/info").size(), 3u);

    // A name in the Trash is taken by either half of an entry, and neither half left alone is
    // ever written over.
    std::ofstream(strTrash + "/files/dup.txt") << "file alone";
    std::ofstream(strTrash + "/info/dup.2.txt.trashinfo") << "info alone";
    ASSERT_EQ(home.trash.Move(tree.Add("dup.txt", "new"), &strTrashed), 0);
    EXPECT_EQ(strTrashed, strTrash + "/files/dup.3.txt");
    EXPECT_EQ(ReadAll(strTrash + "/files/dup.txt"), "file alone");
    EXPECT_EQ(ReadAll(strTrash + "/info/dup.2.txt.trashinfo"), "info alone");
}

// The move itself never replaces what stands at its target, a dangling link included.
TEST(Trash, MoveNoReplaceLeavesWhatStands) {
    CTempTree tree;

    const std::string strFrom = tree.Add("from", "moving"), strFile = tree.Add("file", "standing");
    ASSERT_EQ(symlink(tree.Path("nowhere").c_str(), tree.Path("link").c_str()), 0);
    tree.AddDir("folder");
    for (const char* pszTo : {"file", "link", "folder"}) {
        EXPECT_EQ(MoveNoReplace(strFrom, tree.Path(pszTo)), EEXIST) << pszTo;
        EXPECT_EQ(ReadAll(strFrom), "moving") << pszTo;
    }
    struct stat st {};
    EXPECT_TRUE(lstat(tree.Path("link").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadAll(strFile), "standing");
    EXPECT_EQ(MoveNoReplace(strFrom, tree.Path("free")), 0);
    EXPECT_EQ(ReadAll(tree.Path("free")), "moving");
    EXPECT_FALSE(Exists(strFrom));
}

// A file of another file system goes to the Trash at the top of its mount (a temporary folder
// stands in for it), which records where it was relative to that top.
TEST(Trash, AnotherFileSystemUsesTheTrashAtTheTopOfItsMount) {
    const std::string strOwn = ".Trash-" + std::to_string(getuid());
    const std::string strShared = ".Trash/" + std::to_string(getuid());
    const auto sticky = [](const std::string& strDir) {
        ASSERT_EQ(mkdir(strDir.c_str(), 0777), 0);
        ASSERT_EQ(chmod(strDir.c_str(), 01777), 0);
    };
    const auto givenAway = [](const std::string& strDir) {
        ASSERT_EQ(mkdir(strDir.c_str(), 0700), 0);
        ASSERT_EQ(chown(strDir.c_str(), 65534, 65534), 0);
    };
    struct CCase {
        const char* pszName;
        std::function<void(const std::string& strTop)> fnPrepare;
        std::string strTrash;  // below the top; "" when the move must fail with EXDEV
        bool bRootOnly;        // only root can give a folder to another user
    } cases[] = {
        {"no Trash yet", [](const std::string&) {}, strOwn, false},
        {"a shared sticky .Trash", [&](const std::string& t) { sticky(t + "/.Trash"); }, strShared,
         false},
        {"a shared .Trash that is not sticky",
         [](const std::string& t) { mkdir((t + "/.Trash").c_str(), 0777); }, strOwn, false},
        {"a shared .Trash that is a link to a sticky folder",
         [&](const std::string& t) {
             sticky(t + "/elsewhere");
             ASSERT_EQ(symlink("elsewhere", (t + "/.Trash").c_str()), 0);
         },
         strOwn, false},
        {"the user's folder in the shared .Trash belongs to another",
         [&](const std::string& t) {
             sticky(t + "/.Trash");
             givenAway(t + "/" + strShared);
         },
         strOwn, true},
        {"the user's own Trash belongs to another",
         [&](const std::string& t) { givenAway(t + "/" + strOwn); }, "", true},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        if (c.bRootOnly && geteuid() != 0) continue;
        CTempTree top;
        const std::string strTop = top.Root().substr(0, top.Root().size() - 1);
        c.fnPrepare(strTop);
        const std::string strFile = top.Add("dir/n\xE9 1.txt", "bytes");
        std::string strTrashed;
        const int nError = MoveToTopdirTrash(strFile, strTop, &strTrashed);
        if (c.strTrash.empty()) {
            EXPECT_EQ(nError, EXDEV);
            EXPECT_TRUE(Exists(strFile));
            continue;
        }
        ASSERT_EQ(nError, 0);
        const std::string strTrash = strTop + "/" + c.strTrash;
        EXPECT_EQ(strTrashed, strTrash + "/files/n\xE9 1.txt");
        EXPECT_EQ(ReadAll(strTrashed), "bytes");
        EXPECT_FALSE(Exists(strFile));
        EXPECT_EQ(InfoPath(strTrash + "/info/n\xE9 1.txt.trashinfo"), "dir/n%E9%201.txt");
        struct stat st {};
        EXPECT_TRUE(lstat(strTrash.c_str(), &st) == 0 && (st.st_mode & 07777) == 0700);
    }
    // The root file system's top: the path without its leading '/'.
    EXPECT_EQ(PathBelowTop("/srv/a/f", "/"), "srv/a/f");
}

// Root writes everywhere, so this runs as an unprivileged user (see CMakeLists.txt).
TEST(Trash, UnprivilegedTrashThatCannotBeWrittenLeavesTheFileAndNoEntry) {
    if (geteuid() == 0) GTEST_SKIP() << "run by twinex_actions_unprivileged as another user";
    CHomeTrash home;
    CTempTree tree;
    const std::string& strTrash = home.strTrash;
    ASSERT_EQ(home.trash.Move(tree.Add("first", "1"), nullptr), 0);
    // The info file is written first, and goes again when the file cannot follow.
    ASSERT_EQ(chmod((strTrash + "/files").c_str(), 0500), 0);
    const std::string strFile = tree.Add("second", "2");
    EXPECT_EQ(home.trash.Move(strFile, nullptr), EACCES);
    EXPECT_EQ(ReadAll(strFile), "2");
    EXPECT_EQ(ListDir(strTrash + "/info"), std::vector<std::string>{"first.trashinfo"});
    chmod((strTrash + "/files").c_str(), 0700);

    // Another file system whose top cannot be written and has no Trash: the file stays.
    CTempTree top;
    const std::string strOther = top.Add("f", "3");
    ASSERT_EQ(chmod(top.Root().c_str(), 0555), 0);
    EXPECT_EQ(MoveToTopdirTrash(strOther, top.Root().substr(0, top.Root().size() - 1)), EXDEV);
    EXPECT_EQ(ReadAll(strOther), "3");
}

// The journal brings back only the files it recorded, as they were recorded: never over a file
// that now stands in the original place, never another file that took the name in the Trash.
TEST(TrashJournal, BringsBackOnlyWhatItMovedAndNeverReplaces) {
    CHomeTrash home;
    CTempTree tree;
    const std::string a = tree.Add("sub/a", "A"), b = tree.Add("b", "B"), c = tree.Add("c", "C");
    std::vector<std::pair<std::string, std::string>> moved;
    for (const std::string& strPath : {a, b, c}) {
        std::string strTrashed;
        ASSERT_EQ(home.trash.Move(strPath, &strTrashed), 0);
        moved.emplace_back(strPath, strTrashed);
    }
    moved.emplace_back(tree.Path("unknown"), "");  // where it went is not known: left out
    CTrashJournal journal;
    ASSERT_TRUE(journal.Record(moved));
    ASSERT_EQ(journal.GetFiles().size(), 3u);
    // A later delete that moved nothing known leaves the record as it is.
    EXPECT_FALSE(journal.Record({{tree.Path("x"), ""}, {tree.Path("y"), tree.Path("none")}}));
    ASSERT_EQ(journal.GetFiles().size(), 3u);

    ASSERT_EQ(rmdir(tree.Path("sub").c_str()), 0);  // made again
    std::ofstream(b) << "new b";
    ASSERT_EQ(unlink(moved[2].second.c_str()), 0);
    std::ofstream(moved[2].second) << "not c";

    const CTrashJournal::COutcome outcome = journal.Restore(home.trash);
    EXPECT_EQ(outcome.restored, std::vector<std::string>{a});
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].strPath, b);
    EXPECT_EQ(outcome.failures[0].nError, EEXIST);
    EXPECT_EQ(outcome.failures[1].strPath, c);
    EXPECT_EQ(outcome.failures[1].nError, ENOENT);
    EXPECT_EQ(ReadAll(a), "A");
    EXPECT_EQ(ReadAll(b), "new b");
    EXPECT_EQ(ReadAll(moved[2].second), "not c");
    EXPECT_EQ(ListDir(home.strTrash + "/info"), (std::vector<std::string>{"b.trashinfo", "c.trashinfo"}));
    EXPECT_TRUE(journal.IsEmpty());
}
