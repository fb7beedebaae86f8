// Deleting through the main window never removes a file whose contents do not exist, byte for
// byte, in a file that stays, whatever changed on disk since, nor a file under a reference
// folder (the keep-one helpers: test_selection_helpers.cpp). Every case looks at the files on
// disk afterwards.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "ActionsSupport.h"
#include "ResTables.h"
#include "Resource.h"

namespace {

using DeleteCheckTest = CFrameTest;
using ReferenceFilesTest = CFrameTest;

}  // namespace

// The check's verdicts are the engine's; here, how they are told and that kept rows stay.
TEST_F(DeleteCheckTest, SelectAllOverTrueAndFalsePairsRemovesOnlyTrueCopies) {
    const std::string x1 = File("x1", "xxxx"), x2 = File("x2", "xxxx"), x3 = File("x3", "xxxx");
    const std::string y1 = File("y1", "yyyy"), y2 = File("y2", "YYYY");
    const std::string z1 = File("z1", "zzzz"), z2 = File("z2", "Zzzz"), z3 = File("z3", "zzzz");
    // w2 and w3 are copies of each other but not of w1, which stays: w2 stays too, w3 may go.
    const std::string w1 = File("w1", "wwww"), w2 = File("w2", "WWWW"), w3 = File("w3", "WWWW");
    SetRows(ReflectedRows({{x1, x2, x3}, {y1, y2}, {z1, z2, z3}, {w1, w2, w3}}));
    Key(Qt::Key_A, Qt::ControlModifier);
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);

    EXPECT_TRUE(m_prompt.m_asked[0].strText.contains("4 file(s) will be kept"));
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"w3", "x2", "x3", "z3"}));
    for (const std::string& strPath : {x1, y1, y2, z1, z2, w1, w2})
        EXPECT_TRUE(Exists(strPath)) << strPath;
    EXPECT_TRUE(LastAsked().strText.contains("3 file(s) were kept"));
    EXPECT_TRUE(LastAsked().strText.contains(QString::fromStdString(z2) + ": not an exact copy of " +
                                             QString::fromStdString(z1)));
    EXPECT_EQ(Sources(), (std::vector<std::string>{x1, y1, y2, z1, z2, z2, w1, w2, w2}));
}

// Root reads every file, so this one runs as an unprivileged user (see CMakeLists.txt).
TEST_F(DeleteCheckTest, UnprivilegedCopyThatStaysUnreadableKeepsTheFile) {
    if (geteuid() == 0) GTEST_SKIP() << "run by twinex_row_actions_unprivileged as another user";
    const std::string a = File("a", "same"), b = File("b", "same");
    ASSERT_EQ(chmod(b.c_str(), 0), 0);
    SetRows({PairRow(a, b)});
    DeleteRows({0}, ID_EDIT_DELETE);
    EXPECT_TRUE(Exists(a) && Exists(b));
    EXPECT_TRUE(TrashFiles().empty());
    EXPECT_TRUE(LastAsked().strText.contains(QString::fromStdString(a) + ": the copy that stays, " +
                                             QString::fromStdString(b) +
                                             ", could not be read: Permission denied"));
}

TEST_F(ReferenceFilesTest, ReferenceFilesAreMarkedAndStayThroughSelectAllAndDel) {
    const std::string r1 = File("ref/r1", "AAAA"), a1 = File("a/1", "AAAA"),
                      a2 = File("a/2", "AAAA");
    const std::string r2 = File("ref/r2", "BB"), b1 = File("b/1", "BB");
    SetRows(ReflectedRows({{a1, r1, a2}, {r2, b1}}, {r1, r2}));

    // The list marks them with a tip on either name.
    const QString strTip = LoadResString(IDS_REFERENCE_TIP);
    for (int i = 0; i < Model().GetRowCount(); ++i) {
        const CResultItem& item = Model().GetItem(i);
        EXPECT_EQ(Model().index(i, COL_SOURCE).data(Qt::ToolTipRole).toString() == strTip,
                  item.m_bSourceReference);
        EXPECT_EQ(Model().index(i, COL_TARGET).data(Qt::ToolTipRole).isValid(),
                  item.m_bTargetReference);
    }

    // Select All and Del: every other copy goes, the reference files stay for them.
    Key(Qt::Key_A, Qt::ControlModifier);
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);
    EXPECT_TRUE(LastAsked().strText.contains("these 3 files to the Trash"));
    EXPECT_TRUE(LastAsked().strText.contains(LoadResString(IDS_REFERENCE_KEPT).arg(2)));
    EXPECT_TRUE(Exists(r1) && Exists(r2));
    EXPECT_FALSE(Exists(a1) || Exists(a2) || Exists(b1));
    EXPECT_EQ(TrashFiles().size(), 3u);
}

TEST_F(ReferenceFilesTest, ASelectionOfReferenceFilesAloneIsToldItIsProtected) {
    const std::string r1 = File("ref/r1", "AAAA"), r2 = File("ref2/r1", "AAAA"),
                      a1 = File("a/1", "AAAA");
    std::vector<CResultRow> rows = ReflectedRows({{r1, r2, a1}}, {r1});
    rows.front().m_bTargetReference = true;  // r1>r2: r2, marked as a target once, is protected too
    SetRows(std::move(rows));
    for (int i = 0; i < Model().GetRowCount(); ++i)
        Model().SetSelected(i, Model().GetSourcePath(i) != a1);
    const std::vector<std::string> sources = Sources();
    for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        m_prompt.m_asked.clear();
        Key(Qt::Key_Delete, modifiers);
        ASSERT_EQ(m_prompt.m_asked.size(), 1u);
        EXPECT_FALSE(LastAsked().bQuestion);
        EXPECT_EQ(LastAsked().strCaption, LoadResString(IDS_REFERENCE_CAPTION));
        EXPECT_EQ(LastAsked().strText, LoadResString(IDS_REFERENCE_PROTECTED).arg(2));
        EXPECT_TRUE(Exists(r1) && Exists(r2) && Exists(a1));
        EXPECT_EQ(Sources(), sources);
    }
    EXPECT_TRUE(TrashFiles().empty());

    // A file changed since the search stays too, and it is that which is told, alone or beside
    // reference files.
    std::ofstream(a1, std::ios::app) << "more";
    for (const bool bAll : {false, true}) {
        for (int i = 0; i < Model().GetRowCount(); ++i)
            Model().SetSelected(i, bAll || Model().GetSourcePath(i) == a1);
        m_prompt.m_asked.clear();
        Key(Qt::Key_Delete);
        ASSERT_EQ(m_prompt.m_asked.size(), 1u) << bAll;
        EXPECT_FALSE(LastAsked().bQuestion);
        EXPECT_TRUE(LastAsked().strText.contains(LoadResString(IDS_SKIPPED_CHANGED).arg(1)))
            << LastAsked().strText.toStdString();
        EXPECT_TRUE(Exists(a1));
    }
}
