// The row actions as the user reaches them in the main window: keys, menus, the context menu
// and activation, on real temporary files with a Trash of the test's own.
#include <unistd.h>

#include <QTest>
#include <cerrno>

#include "ActionsSupport.h"
#include "DesktopServices.h"
#include "Removal.h"
#include "ResTables.h"
#include "Resource.h"
#include "Title.h"
#include "Trash.h"

namespace {

class CFakeLauncher : public IFileLauncher {
public:
    QString FindDefaultApplication(const QStringList& mimeTypes) override {
        m_askedTypes = mimeTypes;
        return m_strApp;
    }
    bool OpenFile(const std::string& strPath) override {
        m_opened.push_back(strPath);
        return true;
    }
    QString m_strApp;
    QStringList m_askedTypes;
    std::vector<std::string> m_opened;
};

// The test's Trash, except that m_strFail fails with EACCES (root ignores permissions).
class CScriptedTrash : public CXdgTrash {
public:
    CScriptedTrash() : CXdgTrash(GetHomeTrashDir()) {}
    int Move(const std::string& strPath, std::string* pTrashedAs) override {
        return strPath == m_strFail ? EACCES : CXdgTrash::Move(strPath, pTrashedAs);
    }
    std::string m_strFail;
};

using RowActionsTest = CFrameTest;

}  // namespace

TEST_F(RowActionsTest, DeleteSendsExactSourcesToTheTrashAndRowsFollowTheSources) {
    const std::string a = File("caf\xE9.txt", "AAAA"), b = File("b.txt", "AAAA");  // not UTF-8
    const std::string c = File("sub/c", "CCC"), d = File("d", "CCC");
    const std::string gone = File("gone", "GG"), other = File("other", "GG");
    SetRows({PairRow(a, b), PairRow(b, a), PairRow(c, d), PairRow(gone, other)});
    unlink(gone.c_str());  // behind the program's back; its row is not selected
    Select({0, 2});
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);

    EXPECT_TRUE(LastAsked().strText.contains("these 2 files to the Trash"));
    EXPECT_FALSE(LastAsked().strText.contains("empty"));
    EXPECT_FALSE(Exists(a) || Exists(c));
    EXPECT_TRUE(Exists(b) && Exists(d) && Exists(other));
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"c", "caf\xE9.txt"}));
    const std::string strInfo = ReadAll(GetHomeTrashDir() + "/info/caf\xE9.txt.trashinfo");
    EXPECT_NE(strInfo.find("Path=" + EncodeTrashPath(a) + "\n"), std::string::npos);
    // Rows whose source went leave, the unselected one included; b>a stays, its target gone.
    EXPECT_EQ(Sources(), std::vector<std::string>{b});
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle(1, 42));
}

TEST_F(RowActionsTest, ShiftDeleteAndDeleteWithShiftHeldRemoveExactlyTheSourcesForGood) {
    // Names a URL or a text decoder would mangle into their neighbours' names.
    const std::string p1 = File("a?b", "P"), p2 = File("a", "P");
    const std::string q1 = File("\xFF\xFE name.txt", "QQ"), q2 = File("b", "QQ");
    SetRows({PairRow(p1, p2), PairRow(q1, q2)});

    Select({0});
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(LastAsked().strText.contains("permanently delete 'a?b'"));
    EXPECT_FALSE(Exists(p1));

    // The context menu's Delete reads Shift when it is handled.
    m_bShift = true;
    Select({0});
    m_prompt.PushAnswer(true);
    ASSERT_TRUE(RightClickItem(View().viewport(), QPoint(20, 5), "&Delete"));
    EXPECT_EQ(LastAsked().strCaption, "Delete Permanently");
    EXPECT_FALSE(Exists(q1));
    EXPECT_TRUE(Exists(p2) && Exists(q2) && TrashFiles().empty());
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle());  // no rows left
}

TEST_F(RowActionsTest, NothingSelectedDeclinedOrLastCopyDeletesNothing) {
    const std::string a = File("a", "A"), b = File("b", "A");
    SetRows({PairRow(a, b), PairRow(b, a)});
    Key(Qt::Key_Delete);
    Command(ID_EDIT_SHIFTDELETE);
    EXPECT_TRUE(m_prompt.m_asked.empty());

    Select({0, 1});
    m_prompt.PushAnswer(false);
    Key(Qt::Key_Delete);
    EXPECT_TRUE(Exists(a) && Exists(b));
    EXPECT_EQ(Model().GetRowCount(), 2);

    // Empty files free nothing: the question says so before anything goes.
    const std::string e1 = File("e1", ""), e2 = File("e2", "");
    SetRows({PairRow(e1, e2), PairRow(e2, e1), PairRow(a, b), PairRow(b, a)});
    Select({0});
    m_prompt.PushAnswer(false);
    Key(Qt::Key_Delete);
    EXPECT_TRUE(LastAsked().strText.contains("These files are empty: removing them frees no space"));
    EXPECT_TRUE(Exists(e1));
    SetRows({PairRow(a, b), PairRow(b, a)});
    m_prompt.m_asked.clear();

    // With b gone behind the program's back, a is the last copy: no question, only a note.
    unlink(b.c_str());
    Select({0});
    Key(Qt::Key_Delete);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_FALSE(LastAsked().bQuestion);
    EXPECT_TRUE(Exists(a));
}

TEST_F(RowActionsTest, FailuresAreReportedAndTheirRowsStay) {
    std::vector<std::string> files;
    std::vector<CResultRow> rows;
    for (const std::string strName : {"f0", "f1", "f2", "f3"}) {
        files.push_back(File(strName, strName));
        rows.push_back(PairRow(files.back(), File(strName + "-copy", strName)));
    }
    SetRows(rows);
    CScriptedTrash trash;
    trash.m_strFail = files[1];
    View().Services().pTrash = &trash;

    DeleteRows({0, 1, 2}, ID_EDIT_DELETE);
    EXPECT_EQ(LastAsked().nIcon, IPrompt::ICON_ERROR);
    EXPECT_TRUE(LastAsked().strText.contains(QString::fromStdString(files[1]) + ": Permission denied"));
    EXPECT_EQ(Sources(), (std::vector<std::string>{files[1], files[3]}));
}

TEST_F(RowActionsTest, ActivationOpensTheSourceOrSaysThereIsNoApplication) {
    CFakeLauncher launcher;
    View().Services().pLauncher = &launcher;
    const std::string src = File("r\xE9port.txt", "plain text\n"), dst = File("copy.txt", "plain text\n");
    SetRows({PairRow(src, dst), PairRow(dst, src)});

    View().setCurrentIndex(Model().index(0, COL_SIZE));
    Key(Qt::Key_Return);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_EQ(launcher.m_askedTypes.value(0), "text/plain");
    EXPECT_TRUE(launcher.m_opened.empty());

    // A double click on the Target cell opens the row's source; as the platform sends it: a
    // click, then the second press as a double click.
    launcher.m_strApp = "editor.desktop";
    const QPoint pt = View().visualRect(Model().index(0, COL_TARGET)).center();
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    EXPECT_EQ(launcher.m_opened, std::vector<std::string>{src});

    // A file removed behind the program's back: nothing opens, nothing is said.
    unlink(src.c_str());
    Key(Qt::Key_Return);
    EXPECT_EQ(launcher.m_opened.size(), 1u);
    EXPECT_EQ(m_prompt.m_asked.size(), 1u);
}

TEST(DesktopLauncher, FileUrlCarriesTheExactBytes) {
    for (const std::string strPath : {"/tmp/a?b#c d%20.txt", "/tmp/\xFF\xFE\x80.bin"}) {
        const QByteArray encoded = FileUrlOf(strPath).toEncoded();
        ASSERT_TRUE(encoded.startsWith("file:///"));
        EXPECT_EQ(QByteArray::fromPercentEncoding(encoded.mid(7)).toStdString(), strPath);
    }
}
