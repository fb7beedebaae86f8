// The main window as the user meets it: start-up, the frame's commands, status bar and title.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <thread>
#include <tuple>

#include <unistd.h>

#include "HashCache.h"
#include "MainFrame.h"
#include "QtTestSupport.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "SearchState.h"
#include "TwinexApp.h"
#include "TwinexDoc.h"
#include "TwinexView.h"

namespace {

CMainFrame* AppFrame() { return qobject_cast<CTwinexApp*>(qApp)->GetMainFrame(); }

}  // namespace

// Runs first: the window that InitInstance opened, untouched.
TEST(StartUp, ShowsTheEmptyMainWindow) {
    CMainFrame* pFrame = AppFrame();
    ASSERT_NE(pFrame, nullptr);
    EXPECT_TRUE(pFrame->isVisible());
    EXPECT_EQ(pFrame->windowTitle(), QStringLiteral("Twinex Version 1.0 RC1"));
    EXPECT_EQ(pFrame->GetActiveView()->GetModel()->GetRowCount(), 0);
    EXPECT_EQ(pFrame->GetMessagePaneText(), QStringLiteral("Ready"));
    EXPECT_EQ(g_nCollectedFiles, 0);
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pFrame = std::make_unique<CMainFrame>(&m_doc);
        m_pFrame->SetPrompt(&m_prompt);
        m_pFrame->resize(1000, 600);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
    }

    CResultModel& Model() { return *m_pFrame->GetActiveView()->GetModel(); }
    void AddRows(int n) {
        std::vector<CResultRow> rows(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) rows[static_cast<std::size_t>(i)].m_strSourcePath = "/r/" + std::to_string(i);
        Model().AppendRows(std::move(rows));
    }
    void Command(int nId) { m_pFrame->GetCommandAction(nId)->trigger(); }

    CTwinexDoc m_doc;
    CScriptedPrompt m_prompt;
    std::unique_ptr<CMainFrame> m_pFrame;
};

TEST_F(MainFrameTest, ClearResultsAsksAndOnlyYesClears) {
    AddRows(3);
    m_pFrame->setWindowTitle(QStringLiteral("Twinex 1.0 RC1 - Matched 3 in 9 file(s)"));
    m_prompt.PushAnswer(false);
    Command(ID_SEARCH_CLEARRESULTS);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_EQ(std::tie(m_prompt.m_asked[0].strText, m_prompt.m_asked[0].strCaption, m_prompt.m_asked[0].nIcon),
              std::make_tuple(QStringLiteral("Are you sure?"), QStringLiteral("Clear Search Results"),
                              IPrompt::ICON_WARNING));
    EXPECT_EQ(Model().GetRowCount(), 3);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 3 in 9 file(s)"));

    g_nCollectedFiles = 9;
    m_prompt.PushAnswer(true);
    Command(ID_SEARCH_CLEARRESULTS);
    EXPECT_EQ(Model().GetRowCount(), 0);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1"));
    EXPECT_EQ(g_nCollectedFiles, 9);

    m_prompt.PushAnswer(false);  // an empty list still asks
    Command(ID_SEARCH_CLEARRESULTS);
    EXPECT_EQ(m_prompt.m_asked.size(), 3u);
}

TEST_F(MainFrameTest, ClearChecksumCacheRemovesTheCacheOnlyAfterYes) {
    // The suite's own cache folder (XDG_CACHE_HOME is set by its main).
    const std::string strCache = CHashCache::DefaultPath();
    std::string strProblem;
    ASSERT_NE(CHashCache::Open(strCache, strProblem), nullptr) << strProblem;
    m_prompt.PushAnswer(false);
    Command(ID_FILE_CLEARCACHE);
    EXPECT_EQ(access(strCache.c_str(), F_OK), 0);
    m_prompt.PushAnswer(true);
    Command(ID_FILE_CLEARCACHE);
    EXPECT_NE(access(strCache.c_str(), F_OK), 0);
    EXPECT_EQ(m_prompt.m_asked.size(), 2u);

    // A search that ran without its cache says so in the status bar.
    CSearchOutcome outcome;
    outcome.strCacheProblem = "it is locked by another search";
    m_pFrame->OnSearchEnded(outcome);
    bool bShown = false;
    for (QLabel* pLabel : m_pFrame->findChildren<QLabel*>())
        bShown |= pLabel->text().contains(QStringLiteral("it is locked by another search"));
    EXPECT_TRUE(bShown);
}

// The title tells the last finished search, then the rows a delete left; a cancel changes nothing.
TEST_F(MainFrameTest, TitleTellsTheLastFinishedSearchThenTheRowsLeft) {
    CSearchOutcome outcome;
    outcome.nFiles = 57;
    m_pFrame->OnSearchEnded(outcome);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 0 in 57 file(s)"));
    outcome.bCancelled = true;
    outcome.nMatches = 5;
    m_pFrame->OnSearchEnded(outcome);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 0 in 57 file(s)"));

    // What a delete or Undo calls, by name, as the view does.
    g_nCollectedFiles = 120;
    AddRows(7);
    ASSERT_TRUE(QMetaObject::invokeMethod(m_pFrame.get(), "UpdateTitle"));
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 7 in 120 file(s)"));
    Model().Clear();
    m_pFrame->UpdateTitle();
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1"));
}

TEST_F(MainFrameTest, EveryMenuCommandIsEnabledAndHarmlessOnAnEmptyListAndExitCloses) {
    // Undo Delete alone waits for a delete to the Trash.
    QAction* pUndo = m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE);
    for (QAction* pTop : m_pFrame->menuBar()->actions())
        for (QAction* pItem : pTop->menu()->actions())
            EXPECT_TRUE(pItem->isSeparator() || pItem->isEnabled() == (pItem != pUndo))
                << pItem->text().toStdString();
    const QString strTitle = m_pFrame->windowTitle();
    for (int nId : {ID_EDIT_SELECTALL, ID_EDIT_DELETE, ID_EDIT_SHIFTDELETE}) Command(nId);
    EXPECT_EQ(m_pFrame->windowTitle(), strTitle);
    EXPECT_TRUE(m_prompt.m_asked.empty());
    Command(ID_APP_EXIT);
    EXPECT_FALSE(m_pFrame->isVisible());
}

TEST_F(MainFrameTest, StatusBarShowsMessagesAndTheUnreadableFiles) {
    // A worker's request is carried out on the user-interface thread.
    std::thread worker([this] { m_pFrame->SetMessageText(IDS_MATCHING_FILES); });
    worker.join();
    EXPECT_TRUE(WaitFor([this] {
        return m_pFrame->GetMessagePaneText() == QStringLiteral("Matching files with specified criteria");
    }));

    // After a search that could not read some files: their number, and the list on request.
    CSearchOutcome outcome;
    outcome.unreadable = {{"/x/a", EACCES}, {"/x/b", 0}};
    m_pFrame->OnSearchEnded(outcome);
    EXPECT_EQ(m_pFrame->GetMessagePaneText(), QStringLiteral("2 file(s) could not be read"));
    Command(ID_SEARCH_UNREADABLE);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_TRUE(m_prompt.m_asked[0].strText.contains("/x/a: Permission denied\n/x/b: it changed since"));
    m_pFrame->SetUnreadableFiles({});
    Command(ID_SEARCH_UNREADABLE);
    ASSERT_EQ(m_prompt.m_asked.size(), 2u);
    EXPECT_EQ(m_prompt.m_asked[1].strText, QStringLiteral("The last search read every file it compared."));

}
