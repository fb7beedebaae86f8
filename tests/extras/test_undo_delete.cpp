// Undo Delete: the last delete to the Trash comes back, files and rows, but never over a file
// that now stands in a place; a delete for good ends it.
#include <unistd.h>

#include <fstream>

#include "ExtrasFixture.h"
#include "Resource.h"
#include "Title.h"
#include "Trash.h"
#include "UndoDelete.h"

namespace {

std::vector<std::string> TrashFiles() {
    return ListDir(GetHomeTrashDir() + "/files");
}

}  // namespace

TEST_F(ExtrasTest, UndoBringsTheFilesAndTheirRowsBack) {
    const std::string a1 = File("a1", "AAAA", 100), a2 = File("a2", "AAAA", 200),
                      a3 = File("sub/a\xe9", "AAAA", 300);
    const std::string b1 = File("b1", "BB", 1), b2 = File("b2", "BB", 2);
    std::vector<CResultRow> rows = ReflectedSetRows({a1, a2, a3});
    rows.push_back(PairRow(b1, b2));
    SetRows(std::move(rows));  // a1>a2, a2>a1, a2>a3, a3>a2, b1>b2
    QAction* pUndo = m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE);
    EXPECT_FALSE(pUndo->isEnabled());

    Select({1, 3});
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);
    ASSERT_EQ(TrashFiles().size(), 2u);
    ASSERT_EQ(Model().GetRowCount(), 2);
    EXPECT_TRUE(pUndo->isEnabled());
    // The folder of one of them goes too: it is made again.
    ASSERT_EQ(rmdir(m_tree.Path("sub").c_str()), 0);

    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    View().setFocus();
    QTest::keyClick(&View(), Qt::Key_Z, Qt::ControlModifier);

    EXPECT_EQ(ReadAll(a2), "AAAA");
    EXPECT_EQ(ReadAll(a3), "AAAA");
    struct stat st {};
    EXPECT_TRUE(lstat(a3.c_str(), &st) == 0 && st.st_mtime == 300);
    EXPECT_TRUE(TrashFiles().empty());
    EXPECT_TRUE(ListDir(GetHomeTrashDir() + "/info").empty());
    // The rows come back at the end, selected.
    EXPECT_EQ(Sources(), (std::vector<std::string>{a1, b1, a2, a2, a3}));
    EXPECT_EQ(Selected(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Model().GetTargetPath(4), a2);
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle(5, 42));
    EXPECT_EQ(m_pFrame->GetMessagePaneText(), QStringLiteral("Restored 2 file(s) from the Trash."));
    EXPECT_FALSE(pUndo->isEnabled());
    EXPECT_EQ(m_prompt.m_asked.size(), 1u);  // the delete's question only
}

TEST_F(ExtrasTest, UndoNeverReplacesAFileAndEndsWithADeleteForGood) {
    const std::string x1 = File("x1", "XXXX", 1), x2 = File("x2", "XXXX", 2),
                      x3 = File("x3", "XXXX", 3), x4 = File("x4", "XXXX", 4);
    const std::string y1 = File("y1", "YY", 1), y2 = File("y2", "YY", 2);
    std::vector<CResultRow> rows = ReflectedSetRows({x1, x2, x3, x4});
    rows.push_back(PairRow(y1, y2));
    rows.push_back(PairRow(y2, y1));
    SetRows(std::move(rows));  // x1>x2, x2>x1, x2>x3, x3>x2, x3>x4, x4>x3, y1>y2, y2>y1

    Select({0, 1, 3});
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);
    CDeleteJournal& journal = DeleteJournalOf(Model());
    ASSERT_EQ(journal.GetFiles().size(), 3u);
    // x1's place is taken; x2's entry in the Trash is now another file of the same name.
    File("x1", "new contents", 5);
    const std::string strTrashedX2 = journal.GetFiles()[1].strTrashed;
    ASSERT_EQ(journal.GetFiles()[1].strOriginal, x2);
    ASSERT_EQ(unlink(strTrashedX2.c_str()), 0);
    std::ofstream(strTrashedX2, std::ios::binary) << "not x2";

    m_prompt.m_asked.clear();
    Command(ID_EDIT_UNDODELETE);
    EXPECT_EQ(ReadAll(x1), "new contents");
    EXPECT_FALSE(Exists(x2));
    EXPECT_EQ(ReadAll(x3), "XXXX");
    EXPECT_EQ(ReadAll(strTrashedX2), "not x2");
    EXPECT_EQ(TrashFiles().size(), 2u);  // x1's and the stranger
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    const CScriptedPrompt::CAsked& told = m_prompt.m_asked[0];
    EXPECT_EQ(told.strCaption, QStringLiteral("Undo Delete"));
    EXPECT_TRUE(told.strText.startsWith(QStringLiteral("2 file(s) were not restored:")));
    EXPECT_TRUE(told.strText.contains(QString::fromStdString(x1) +
                                      QStringLiteral(": another file now stands at its place")));
    EXPECT_TRUE(told.strText.contains(QString::fromStdString(x2) +
                                      QStringLiteral(": it is no longer in the Trash")));
    // Only x3's rows come back.
    EXPECT_EQ(Sources(), (std::vector<std::string>{x4, y1, y2, x3, x3}));
    EXPECT_FALSE(m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE)->isEnabled());

    // A delete to the Trash can be undone until a delete for good follows.
    Select({4});
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);
    EXPECT_TRUE(m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE)->isEnabled());
    Select({1});
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_SHIFTDELETE);
    EXPECT_FALSE(Exists(y1));
    EXPECT_FALSE(m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE)->isEnabled());
    Command(ID_EDIT_UNDODELETE);
    EXPECT_FALSE(Exists(x3));
}
