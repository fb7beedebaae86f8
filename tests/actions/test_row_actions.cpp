// The row actions as the user reaches them in the main window: keys, menus, the context menu
// and activation, on real temporary files with a Trash of the test's own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "ActionsSupport.h"
#include "MainFrame.h"
#include "QtTestSupport.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "RowActions.h"
#include "SearchState.h"
#include "TempTree.h"
#include "Title.h"
#include "Trash.h"
#include "TwinexDoc.h"
#include "TwinexView.h"

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

// Removes for good, except that the paths listed fail with EACCES (root ignores permissions);
// asks to stop once m_nStopAt files are through.
class CScriptedRemoval : public IFileRemover, public IDeleteProgress {
public:
    int Remove(const std::string& strPath, bool) override {
        if (std::find(m_fail.begin(), m_fail.end(), strPath) != m_fail.end()) return EACCES;
        return unlink(strPath.c_str()) == 0 ? 0 : errno;
    }
    void Begin(int nTotal, bool) override { m_nTotal = nTotal; }
    bool Step(int nDone) override { return nDone < m_nStopAt; }
    void End() override { m_bEnded = true; }
    std::vector<std::string> m_fail;
    int m_nStopAt = 1 << 30, m_nTotal = -1;
    bool m_bEnded = false;
};

class RowActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EmptyTestTrash();
        m_pFrame = std::make_unique<CMainFrame>(&m_doc);
        m_pFrame->SetPrompt(&m_prompt);
        RowActionServices().pLauncher = &m_launcher;
        RowActionServices().fnIsShiftDown = [this] { return m_bShift; };
        m_pFrame->resize(1000, 600);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
        m_pFrame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
        g_nCollectedFiles = 42;
    }
    void TearDown() override {
        if (QWidget* pPopup = QApplication::activePopupWidget()) pPopup->close();
        RowActionServices() = {};
        m_pFrame.reset();
    }

    CTwinexView& View() { return *m_pFrame->GetActiveView(); }
    CResultModel& Model() { return *View().GetModel(); }
    std::string F(const std::string& strName, const std::string& strBytes) {
        return m_tree.Add(strName, strBytes);
    }
    void SetRows(std::vector<CResultRow> rows) {
        Model().Clear();
        Model().AppendRows(std::move(rows));
    }
    void Select(std::initializer_list<int> rows) {
        Model().GetSelectionModel()->clearSelection();
        for (int nRow : rows) Model().SetSelected(nRow, true);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        View().setFocus();
        QTest::keyClick(&View(), key, modifiers);
    }
    // Selects the rows and presses Del (with the modifiers given), answering Yes.
    void Delete(std::initializer_list<int> rows, Qt::KeyboardModifiers modifiers = {}) {
        Select(rows);
        m_prompt.PushAnswer(true);
        Key(Qt::Key_Delete, modifiers);
    }
    std::vector<std::string> Sources() {
        std::vector<std::string> sources;
        for (int i = 0; i < Model().GetRowCount(); ++i) sources.push_back(Model().GetSourcePath(i));
        return sources;
    }
    // Right click at a point of a widget, then the item of the menu that opened (or none).
    void RightClick(QWidget* pWidget, QPoint pt, const char* pszItem = "") {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pt, pWidget->mapToGlobal(pt));
        QApplication::sendEvent(pWidget, &event);
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(pMenu, nullptr);
        for (QAction* pAction : pMenu->actions())
            if (pAction->text() == QLatin1String(pszItem)) pAction->trigger();
        pMenu->close();
    }
    std::vector<std::string> TrashFiles() { return ListDir(GetHomeTrashDir() + "/files"); }
    const CScriptedPrompt::CAsked& LastAsked() { return m_prompt.m_asked.back(); }

    CTempTree m_tree;
    CTwinexDoc m_doc;
    CScriptedPrompt m_prompt;
    CFakeLauncher m_launcher;
    bool m_bShift = false;
    std::unique_ptr<CMainFrame> m_pFrame;
};

}  // namespace

TEST_F(RowActionsTest, DeleteSendsExactSourcesToTheTrashAndRowsFollowTheSources) {
    const std::string a = F("caf\xE9.txt", "AAAA"), b = F("b.txt", "AAAA");  // not UTF-8
    const std::string c = F("sub/c", "CCC"), d = F("d", "CCC");
    const std::string gone = F("gone", "GG"), other = F("other", "GG");
    SetRows({PairRow(a, b), PairRow(b, a), PairRow(c, d), PairRow(gone, other)});
    unlink(gone.c_str());  // behind the program's back; its row is not selected
    Delete({0, 2});

    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_TRUE(LastAsked().bQuestion);
    EXPECT_EQ(LastAsked().strCaption, "Move to Trash");
    EXPECT_TRUE(LastAsked().strText.contains("these 2 files to the Trash"));
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
    const std::string p1 = F("a?b", "P"), p2 = F("a", "P");
    const std::string q1 = F("\xFF\xFE name.txt", "QQ"), q2 = F("b", "QQ");
    const std::string r1 = F("r1", "RRR"), r2 = F("r2", "RRR");
    SetRows({PairRow(p1, p2), PairRow(q1, q2), PairRow(r1, r2)});

    Delete({0}, Qt::ShiftModifier);
    EXPECT_EQ(LastAsked().strCaption, "Delete Permanently");
    EXPECT_TRUE(LastAsked().strText.contains("permanently delete 'a?b'"));
    EXPECT_FALSE(Exists(p1));

    // Edit > Delete reads Shift when it is handled; so does the context menu's Delete.
    m_bShift = true;
    Select({0});
    m_prompt.PushAnswer(true);
    m_pFrame->GetCommandAction(ID_EDIT_DELETE)->trigger();
    EXPECT_EQ(LastAsked().strCaption, "Delete Permanently");
    EXPECT_FALSE(Exists(q1));
    Select({0});
    m_prompt.PushAnswer(true);
    RightClick(View().viewport(), QPoint(20, 5), "&Delete");
    EXPECT_EQ(LastAsked().strCaption, "Delete Permanently");
    EXPECT_FALSE(Exists(r1));

    EXPECT_TRUE(Exists(p2) && Exists(q2) && Exists(r2));
    EXPECT_TRUE(TrashFiles().empty());
    EXPECT_EQ(Model().GetRowCount(), 0);
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle());
    EXPECT_EQ(m_prompt.m_nUnexpected, 0);
}

TEST_F(RowActionsTest, NothingSelectedDeclinedOrLastCopyDeletesNothing) {
    const std::string a = F("a", "A"), b = F("b", "A");
    SetRows({PairRow(a, b), PairRow(b, a)});
    m_pFrame->setWindowTitle("before");

    Key(Qt::Key_Delete);
    m_pFrame->GetCommandAction(ID_EDIT_SHIFTDELETE)->trigger();
    EXPECT_TRUE(m_prompt.m_asked.empty());

    Select({0, 1});
    m_prompt.PushAnswer(false);
    Key(Qt::Key_Delete);
    EXPECT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_TRUE(Exists(a) && Exists(b));
    EXPECT_EQ(Model().GetRowCount(), 2);
    EXPECT_TRUE(TrashFiles().empty());
    EXPECT_EQ(m_pFrame->windowTitle(), "before");

    // With b gone behind the program's back, a is the last copy: no question, only a note.
    unlink(b.c_str());
    Select({0});
    Key(Qt::Key_Delete);
    ASSERT_EQ(m_prompt.m_asked.size(), 2u);
    EXPECT_FALSE(LastAsked().bQuestion);
    EXPECT_TRUE(LastAsked().strText.contains("other copies are gone"));
    EXPECT_TRUE(LastAsked().strText.contains("No file will be deleted."));
    EXPECT_TRUE(Exists(a));
    EXPECT_EQ(Sources(), std::vector<std::string>{a});
}

TEST_F(RowActionsTest, SelectAllThenDeleteKeepsOneCopyOfEverySet) {
    std::vector<CResultRow> rows = ReflectedSetRows({F("x1", "xx"), F("x2", "xx"), F("x3", "xx")});
    for (CResultRow& row : ReflectedSetRows({F("y1", "y"), F("y2", "y")})) rows.push_back(row);
    SetRows(std::move(rows));

    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Model().GetSelectedRows().size(), 6u);
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_TRUE(LastAsked().strText.contains("these 3 files"));
    EXPECT_TRUE(LastAsked().strText.contains(
        "2 file(s) will be kept, because deleting them would remove every copy"));
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"x2", "x3", "y2"}));
    EXPECT_EQ(Sources(), (std::vector<std::string>{m_tree.Path("x1"), m_tree.Path("y1")}));
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle(2, 42));
}

TEST_F(RowActionsTest, FailuresAreSummarizedOnceAndCancelStops) {
    std::vector<std::string> files;
    std::vector<CResultRow> rows;
    for (int i = 0; i < 5; ++i) {
        const std::string strName = "f" + std::to_string(i);
        files.push_back(F(strName, strName));
        rows.push_back(PairRow(files.back(), F(strName + "-copy", strName)));
    }
    SetRows(rows);
    CScriptedRemoval removal;
    removal.m_fail = {files[1]};
    RowActionServices().pRemover = &removal;

    Delete({0, 1, 2});
    ASSERT_EQ(m_prompt.m_asked.size(), 2u);
    EXPECT_EQ(LastAsked().nIcon, IPrompt::ICON_ERROR);
    EXPECT_TRUE(LastAsked().strText.contains("1 file(s) could not be deleted"));
    EXPECT_TRUE(
        LastAsked().strText.contains(QString::fromStdString(files[1]) + ": Permission denied"));
    EXPECT_EQ(Sources(), (std::vector<std::string>{files[1], files[3], files[4]}));

    removal.m_fail.clear();
    removal.m_nStopAt = 1;
    RowActionServices().pProgress = &removal;
    Delete({0, 1, 2});
    EXPECT_EQ(removal.m_nTotal, 3);
    EXPECT_TRUE(removal.m_bEnded);
    EXPECT_EQ(m_prompt.m_asked.size(), 3u);  // no failure summary for a cancel
    EXPECT_EQ(Sources(), (std::vector<std::string>{files[3], files[4]}));
}

TEST_F(RowActionsTest, ActivationOpensTheSourceOrSaysThereIsNoApplication) {
    const std::string src = F("r\xE9port.txt", "plain text\n"), dst = F("copy.txt", "plain text\n");
    SetRows({PairRow(src, dst), PairRow(dst, src)});

    // A double click on the Target cell opens the row's source; as the platform sends it: a
    // click, then the second press as a double click.
    const QPoint pt = View().visualRect(Model().index(0, COL_TARGET)).center();
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_EQ(LastAsked().strText,
              "There is no application associated with the given file name extension.");
    EXPECT_EQ(LastAsked().strCaption, "Twinex Version 1.0 RC1");
    EXPECT_EQ(LastAsked().nIcon, IPrompt::ICON_ERROR);
    ASSERT_FALSE(m_launcher.m_askedTypes.isEmpty());
    EXPECT_EQ(m_launcher.m_askedTypes.first(), "text/plain");
    EXPECT_TRUE(m_launcher.m_opened.empty());

    m_launcher.m_strApp = "editor.desktop";
    View().setCurrentIndex(Model().index(0, COL_SIZE));
    Key(Qt::Key_Return);
    EXPECT_EQ(m_launcher.m_opened, std::vector<std::string>{src});

    // A file removed behind the program's back: nothing opens, nothing is said.
    unlink(src.c_str());
    Key(Qt::Key_Return);
    EXPECT_EQ(m_launcher.m_opened.size(), 1u);
    EXPECT_EQ(m_prompt.m_asked.size(), 1u);
}

TEST_F(RowActionsTest, ContextMenusBelowTheRowsAndOnTheHeaderActOnTheSelection) {
    const std::string a = F("a", "A"), b = F("b", "A"), c = F("c", "C"), d = F("d", "C");
    SetRows({PairRow(a, b), PairRow(c, d)});
    Select({1});
    RightClick(View().viewport(), QPoint(30, 300));  // the click selects nothing
    EXPECT_EQ(Model().GetSelectedRows(), std::vector<int>{1});
    RightClick(View().viewport(), QPoint(30, 300), "Select &All");
    EXPECT_EQ(Model().GetSelectedRows(), (std::vector<int>{0, 1}));

    QHeaderView* pHeader = View().horizontalHeader();
    m_prompt.PushAnswer(true);
    RightClick(pHeader->viewport(), QPoint(pHeader->sectionPosition(COL_TARGET) + 5, 5), "&Delete");
    EXPECT_EQ(LastAsked().strCaption, "Move to Trash");
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(Model().GetRowCount(), 0);
}
