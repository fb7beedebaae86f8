// Deleting through the main window never removes a file whose contents do not exist, byte for
// byte, in a file that stays: whatever the search criterion let through, and whatever changed
// on disk since. Every case looks at the files on disk afterwards.
#include <sys/stat.h>
#include <unistd.h>

#include "ActionsSupport.h"
#include "Resource.h"

namespace {

using DeleteCheckTest = CFrameTest;

}  // namespace

// The check's verdicts are the engine's; here, how they are told and that kept rows stay.
TEST_F(DeleteCheckTest, SelectAllOverTrueAndFalsePairsRemovesOnlyTrueCopies) {
    const std::string x1 = File("x1", "xxxx"), x2 = File("x2", "xxxx"), x3 = File("x3", "xxxx");
    const std::string y1 = File("y1", "yyyy"), y2 = File("y2", "YYYY");
    const std::string z1 = File("z1", "zzzz"), z2 = File("z2", "Zzzz"), z3 = File("z3", "zzzz");
    // w2 and w3 are copies of each other but not of w1, which stays: w2 stays too, w3 may go.
    const std::string w1 = File("w1", "wwww"), w2 = File("w2", "WWWW"), w3 = File("w3", "WWWW");
    std::vector<CResultRow> rows;
    for (const auto& set : {std::vector{x1, x2, x3}, std::vector{y1, y2}, std::vector{z1, z2, z3},
                            std::vector{w1, w2, w3}})
        for (CResultRow& row : ReflectedSetRows(set)) rows.push_back(row);
    SetRows(std::move(rows));
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
