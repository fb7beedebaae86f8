// Undo Delete: the last delete to the Trash comes back, files and rows, but never over a file
// that now stands in a place; a delete for good ends it.
#include <sys/stat.h>
#include <unistd.h>

#include "ActionsSupport.h"
#include "Resource.h"
#include "Trash.h"
#include "UndoDelete.h"

TEST_F(CFrameTest, UndoBringsTheFilesAndTheirRowsBack) {
    const std::string a1 = File("a1", "AAAA", 100), a2 = File("a2", "AAAA", 200),
                      a3 = File("sub/a\xe9", "AAAA", 300);
    std::vector<CResultRow> rows = ReflectedSetRows({a1, a2, a3});
    rows.push_back(PairRow(File("b1", "BB", 1), File("b2", "Bb", 2)));
    SetRows(std::move(rows));  // a1>a2, a2>a1, a2>a3, a3>a2, b1>b2
    DeleteRows({1, 3}, ID_EDIT_DELETE);
    ASSERT_EQ(TrashFiles().size(), 2u);
    ASSERT_EQ(Model().GetRowCount(), 2);
    ASSERT_EQ(rmdir(m_tree.Path("sub").c_str()), 0);  // its folder is made again
    // A delete that moved nothing (b1 is no copy of b2) leaves the last one to undo.
    DeleteRows({1}, ID_EDIT_DELETE);
    ASSERT_TRUE(Exists(m_tree.Path("b1")));

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadAll(a2), "AAAA");
    struct stat st {};
    EXPECT_TRUE(lstat(a3.c_str(), &st) == 0 && st.st_mtime == 300);
    EXPECT_TRUE(TrashFiles().empty());
    EXPECT_TRUE(ListDir(GetHomeTrashDir() + "/info").empty());
    // The rows come back at the end, selected.
    EXPECT_EQ(Sources(), (std::vector<std::string>{a1, m_tree.Path("b1"), a2, a2, a3}));
    EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4}));
    EXPECT_FALSE(m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE)->isEnabled());
}

// What may come back is the journal's to decide (see the actions suite); here, what the user
// sees when some files cannot: one message, and only the rows of the files restored.
TEST_F(CFrameTest, UndoTellsWhatStayedInTheTrashAndEndsWithADeleteForGood) {
    const std::string x1 = File("x1", "XXXX"), x2 = File("x2", "XXXX"), x3 = File("x3", "XXXX"),
                      y1 = File("y1", "YY"), y2 = File("y2", "YY");
    // x1>x2, x2>x1, x2>x3, x3>x2, y1>y2, y2>y1
    SetRows(ReflectedRows({{x1, x2, x3}, {y1, y2}}));
    DeleteRows({0, 1}, ID_EDIT_DELETE);
    ASSERT_EQ(DeleteJournalOf(Model()).GetFiles().size(), 2u);
    File("x1", "new contents", 5);  // x1's place is taken

    m_prompt.m_asked.clear();
    Command(ID_EDIT_UNDODELETE);
    EXPECT_EQ(ReadAll(x1), "new contents");
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_TRUE(LastAsked().strText.startsWith("1 file(s) were not restored:"));
    EXPECT_EQ(Sources(), (std::vector<std::string>{x3, y1, y2, x2, x2}));  // only x2's rows

    // A delete to the Trash can be undone until a delete for good follows.
    DeleteRows({3}, ID_EDIT_DELETE);
    DeleteRows({1}, ID_EDIT_SHIFTDELETE);
    EXPECT_FALSE(Exists(y1));
    Command(ID_EDIT_UNDODELETE);
    EXPECT_FALSE(Exists(x2));
}

// Root writes everywhere, so this runs as an unprivileged user (see CMakeLists.txt).
TEST_F(CFrameTest, UnprivilegedUndoIntoAFolderThatCannotBeWrittenLeavesTheFileInTheTrash) {
    if (geteuid() == 0) GTEST_SKIP() << "run by twinex_extras_unprivileged as another user";
    const std::string a1 = File("a1", "AA"), a2 = File("sub/a2", "AA");
    SetRows({PairRow(a1, a2), PairRow(a2, a1)});
    DeleteRows({1}, ID_EDIT_DELETE);
    ASSERT_EQ(TrashFiles(), std::vector<std::string>{"a2"});
    ASSERT_EQ(chmod(m_tree.Path("sub").c_str(), 0555), 0);

    Command(ID_EDIT_UNDODELETE);
    EXPECT_FALSE(Exists(a2));
    EXPECT_EQ(TrashFiles(), std::vector<std::string>{"a2"});
    EXPECT_EQ(ListDir(GetHomeTrashDir() + "/info"), std::vector<std::string>{"a2.trashinfo"});
    EXPECT_TRUE(LastAsked().strText.contains(QString::fromStdString(a2) + ": Permission denied"));
    EXPECT_EQ(Sources(), std::vector<std::string>{a1});
}
