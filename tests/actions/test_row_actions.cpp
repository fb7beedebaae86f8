// The row actions as the user reaches them in the main window: keys, menus, the context menu
// and activation, on real temporary files with a Trash of the test's own.
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

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

// Removes for good, except that the paths listed fail with EACCES (root ignores permissions).
class CFailingRemover : public IFileRemover {
public:
    int Remove(const std::string& strPath, bool) override {
        for (const std::string& strFail : m_fail)
            if (strFail == strPath) return EACCES;
        return unlink(strPath.c_str()) == 0 ? 0 : errno;
    }
    std::vector<std::string> m_fail;
};

// Asks to stop once nStopAt files are through.
class CCancellingProgress : public IDeleteProgress {
public:
    explicit CCancellingProgress(int nStopAt) : m_nStopAt(nStopAt) {}
    void Begin(int nTotal, bool) override { m_nTotal = nTotal; }
    bool Step(int nDone) override { return nDone < m_nStopAt; }
    void End() override { m_bEnded = true; }
    int m_nStopAt, m_nTotal = -1;
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
        CRowActionServices& services = RowActionServices();
        services.pLauncher = nullptr;
        services.pRemover = nullptr;
        services.pProgress = nullptr;
        services.fnIsShiftDown = nullptr;
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
    std::vector<std::string> Sources() {
        std::vector<std::string> sources;
        for (int i = 0; i < Model().GetRowCount(); ++i) sources.push_back(Model().GetSourcePath(i));
        return sources;
    }
    // Right click at a point of a widget; the menu that opened.
    QMenu* RightClick(QWidget* pWidget, QPoint pt) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pt, pWidget->mapToGlobal(pt));
        QApplication::sendEvent(pWidget, &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static QAction* Item(QMenu* pMenu, const char* pszText) {
        for (QAction* pAction : pMenu->actions())
            if (pAction->text() == QLatin1String(pszText)) return pAction;
        return nullptr;
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

TEST_F(RowActionsTest, DelSendsSourcesToTheTrashAndRowsFollowTheSources) {
    const std::string a = F("a.txt", "AAAA"), b = F("b.txt", "AAAA");
    const std::string c = F("sub/c", "CCC"), d = F("d", "CCC");
    const std::string gone = F("gone", "GG"), other = F("other", "GG");
    SetRows({PairRow(a, b), PairRow(b, a), PairRow(c, d), PairRow(gone, other)});
    unlink(gone.c_str());  // behind the program's back; its row is not selected
    Select({0, 2});
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);

    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_TRUE(LastAsked().bQuestion);
    EXPECT_EQ(LastAsked().strCaption, QStringLiteral("Move to Trash"));
    EXPECT_TRUE(LastAsked().strText.contains(QStringLiteral("these 2 files to the Trash")));
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(c));
    EXPECT_TRUE(Exists(b) && Exists(d) && Exists(other));
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"a.txt", "c"}));
    const std::string strInfo = ReadAll(GetHomeTrashDir() + "/info/a.txt.trashinfo");
    EXPECT_NE(strInfo.find("Path=" + EncodeTrashPath(a) + "\n"), std::string::npos);

    // Rows whose source went leave, the unselected one included; b>a stays, its target gone.
    EXPECT_EQ(Sources(), std::vector<std::string>{b});
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 1 in 42 file(s)"));
}

TEST_F(RowActionsTest, ShiftDeleteAndDeleteWithShiftHeldAreForGood) {
    const std::string p1 = F("p1", "P"), p2 = F("p2", "P"), q1 = F("q1", "QQ"), q2 = F("q2", "QQ");
    const std::string r1 = F("r1", "RRR"), r2 = F("r2", "RRR");
    SetRows({PairRow(p1, p2), PairRow(q1, q2), PairRow(r1, r2)});

    Select({0});
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(LastAsked().strCaption, QStringLiteral("Delete Permanently"));
    EXPECT_TRUE(LastAsked().strText.contains(QStringLiteral("permanently delete 'p1'")));
    EXPECT_FALSE(Exists(p1));

    // Edit > Delete reads Shift when it is handled.
    m_bShift = true;
    Select({0});
    m_prompt.PushAnswer(true);
    m_pFrame->GetCommandAction(ID_EDIT_DELETE)->trigger();
    EXPECT_EQ(LastAsked().strCaption, QStringLiteral("Delete Permanently"));
    EXPECT_FALSE(Exists(q1));

    // So does the context menu's Delete.
    Select({0});
    m_prompt.PushAnswer(true);
    QMenu* pMenu = RightClick(View().viewport(), QPoint(20, 5));
    ASSERT_NE(pMenu, nullptr);
    Item(pMenu, "&Delete")->trigger();
    pMenu->close();
    EXPECT_EQ(LastAsked().strCaption, QStringLiteral("Delete Permanently"));
    EXPECT_FALSE(Exists(r1));

    EXPECT_TRUE(Exists(p2) && Exists(q2) && Exists(r2));
    EXPECT_TRUE(TrashFiles().empty());
    EXPECT_EQ(Model().GetRowCount(), 0);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1"));
    EXPECT_EQ(m_prompt.m_nUnexpected, 0);
}

TEST_F(RowActionsTest, NothingSelectedDeclinedOrLastCopyDeletesNothing) {
    const std::string a = F("a", "A"), b = F("b", "A");
    SetRows({PairRow(a, b), PairRow(b, a)});
    m_pFrame->setWindowTitle(QStringLiteral("before"));

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
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("before"));

    // With b gone behind the program's back, a is the last copy: no question, only a note.
    unlink(b.c_str());
    Select({0});
    Key(Qt::Key_Delete);
    ASSERT_EQ(m_prompt.m_asked.size(), 2u);
    EXPECT_FALSE(LastAsked().bQuestion);
    EXPECT_TRUE(LastAsked().strText.contains(QStringLiteral("other copies are gone")));
    EXPECT_TRUE(LastAsked().strText.contains(QStringLiteral("No file will be deleted.")));
    EXPECT_TRUE(Exists(a));
    EXPECT_EQ(Sources(), std::vector<std::string>{a});
}

TEST_F(RowActionsTest, NamesDeleteExactlyThemselves) {
    const std::string q = F("a?b", "Q"), qCopy = F("q-copy", "Q");
    const std::string a = F("a", "A"), aCopy = F("a-copy", "A"), b = F("b", "B"), bCopy = F("b-copy", "B");
    const std::string bad = F("\xFF\xFE name.txt", "X"), badCopy = F("x-copy", "X");
    const std::string bad2 = F("caf\xE9.txt", "Y"), bad2Copy = F("y-copy", "Y");
    SetRows({PairRow(q, qCopy), PairRow(a, aCopy), PairRow(b, bCopy), PairRow(bad, badCopy),
             PairRow(bad2, bad2Copy)});

    Select({0, 3});
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_FALSE(Exists(q));
    EXPECT_FALSE(Exists(bad));
    for (const std::string& s : {qCopy, a, aCopy, b, bCopy, badCopy, bad2}) EXPECT_TRUE(Exists(s)) << s;

    Select({2});  // rows left: a, b, café
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);
    EXPECT_FALSE(Exists(bad2));
    EXPECT_EQ(TrashFiles(), std::vector<std::string>{"caf\xE9.txt"});
    EXPECT_NE(ReadAll(GetHomeTrashDir() + "/info/caf\xE9.txt.trashinfo").find("/caf%E9.txt\n"),
              std::string::npos);
    EXPECT_EQ(Sources(), (std::vector<std::string>{a, b}));
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
    EXPECT_TRUE(LastAsked().strText.contains(QStringLiteral("these 3 files")));
    EXPECT_TRUE(LastAsked().strText.contains(
        QStringLiteral("2 file(s) will be kept, because deleting them would remove every copy")));
    EXPECT_TRUE(Exists(m_tree.Path("x1")) && Exists(m_tree.Path("y1")));
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"x2", "x3", "y2"}));
    EXPECT_EQ(Sources(), (std::vector<std::string>{m_tree.Path("x1"), m_tree.Path("y1")}));
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 2 in 42 file(s)"));
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
    CFailingRemover remover;
    remover.m_fail = {files[1]};
    RowActionServices().pRemover = &remover;

    Select({0, 1, 2});
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);
    ASSERT_EQ(m_prompt.m_asked.size(), 2u);
    EXPECT_EQ(LastAsked().nIcon, IPrompt::ICON_ERROR);
    EXPECT_TRUE(LastAsked().strText.contains(QStringLiteral("1 file(s) could not be deleted")));
    EXPECT_TRUE(LastAsked().strText.contains(QString::fromStdString(files[1]) +
                                             QStringLiteral(": Permission denied")));
    EXPECT_EQ(Sources(), (std::vector<std::string>{files[1], files[3], files[4]}));

    CCancellingProgress progress(1);
    RowActionServices().pProgress = &progress;
    Select({0, 1, 2});
    m_prompt.PushAnswer(true);
    remover.m_fail.clear();
    Key(Qt::Key_Delete);
    EXPECT_EQ(progress.m_nTotal, 3);
    EXPECT_TRUE(progress.m_bEnded);
    EXPECT_EQ(m_prompt.m_asked.size(), 3u);  // no failure summary for a cancel
    EXPECT_EQ(Sources(), (std::vector<std::string>{files[3], files[4]}));
}

TEST_F(RowActionsTest, ActivationOpensTheSourceOrSaysThereIsNoApplication) {
    const std::string src = F("r\xE9port.txt", "plain text\n"), dst = F("copy.txt", "plain text\n");
    SetRows({PairRow(src, dst), PairRow(dst, src)});

    // A double click on the Target cell opens the row's source.
    const QRect cell = View().visualRect(Model().index(0, COL_TARGET));
    // As the platform sends it: a click, then the second press as a double click.
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_EQ(LastAsked().strText,
              QStringLiteral("There is no application associated with the given file name extension."));
    EXPECT_EQ(LastAsked().strCaption, QStringLiteral("Twinex Version 1.0 RC1"));
    EXPECT_EQ(LastAsked().nIcon, IPrompt::ICON_ERROR);
    ASSERT_FALSE(m_launcher.m_askedTypes.isEmpty());
    EXPECT_EQ(m_launcher.m_askedTypes.first(), QStringLiteral("text/plain"));
    EXPECT_TRUE(m_launcher.m_opened.empty());

    m_launcher.m_strApp = QStringLiteral("editor.desktop");
    View().setCurrentIndex(Model().index(0, COL_SIZE));
    Key(Qt::Key_Return);
    EXPECT_EQ(m_launcher.m_opened, std::vector<std::string>{src});
    EXPECT_EQ(m_prompt.m_asked.size(), 1u);

    // A file removed behind the program's back: nothing opens, nothing is said.
    unlink(src.c_str());
    Key(Qt::Key_Return);
    EXPECT_EQ(m_launcher.m_opened.size(), 1u);
    EXPECT_EQ(m_prompt.m_asked.size(), 1u);
}

TEST_F(RowActionsTest, ContextMenuOnRowsAndHeaders) {
    const std::string a = F("a", "A"), b = F("b", "A"), c = F("c", "C"), d = F("d", "C");
    SetRows({PairRow(a, b), PairRow(c, d)});
    Select({1});

    QMenu* pMenu = RightClick(View().viewport(), QPoint(30, 300));  // below the rows
    ASSERT_NE(pMenu, nullptr);
    const QList<QAction*> items = pMenu->actions();
    ASSERT_EQ(items.size(), 7);  // the selection helpers follow
    EXPECT_EQ(items[0]->text(), QStringLiteral("&Delete"));
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), QStringLiteral("Select &All"));
    EXPECT_EQ(Model().GetSelectedRows(), std::vector<int>{1});  // the menu selects nothing
    items[2]->trigger();
    pMenu->close();
    EXPECT_EQ(Model().GetSelectedRows(), (std::vector<int>{0, 1}));

    QHeaderView* pHeader = View().horizontalHeader();
    pMenu = RightClick(pHeader->viewport(), QPoint(pHeader->sectionPosition(COL_TARGET) + 5, 5));
    ASSERT_NE(pMenu, nullptr);
    m_prompt.PushAnswer(true);
    Item(pMenu, "&Delete")->trigger();
    pMenu->close();
    EXPECT_EQ(LastAsked().strCaption, QStringLiteral("Move to Trash"));
    EXPECT_EQ(TrashFiles(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(Model().GetRowCount(), 0);
}
