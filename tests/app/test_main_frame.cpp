// The main window as the user meets it: start-up, the frame's commands, status bar and title.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <cerrno>
#include <thread>

#include "KeyboardLocks.h"
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
    EXPECT_EQ(pFrame->centralWidget(), pFrame->GetActiveView());
    EXPECT_EQ(pFrame->GetActiveView()->GetModel()->GetRowCount(), 0);
    EXPECT_EQ(pFrame->GetMessagePaneText(), QStringLiteral("Ready"));
    EXPECT_EQ(g_nCollectedFiles, 0);

    // The columns were laid out once, at the first show, to fill the client area less a
    // scroll bar (up to the pixels lost by truncation).
    CTwinexView* pView = pFrame->GetActiveView();
    int nTotal = 0;
    for (int i = 0; i < COL_COUNT; ++i) nTotal += pView->columnWidth(i);
    const int nScrollBar =
        pView->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pView->verticalScrollBar());
    EXPECT_NEAR(nTotal, pView->viewport()->width() - nScrollBar, 2);
    EXPECT_EQ(pView->columnWidth(COL_SOURCE), 150);
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
    EXPECT_EQ(m_prompt.m_asked[0].strText, QStringLiteral("Are you sure?"));
    EXPECT_EQ(m_prompt.m_asked[0].strCaption, QStringLiteral("Clear Search Results"));
    EXPECT_EQ(m_prompt.m_asked[0].nIcon, IPrompt::ICON_WARNING);
    EXPECT_EQ(Model().GetRowCount(), 3);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1 - Matched 3 in 9 file(s)"));

    g_nCollectedFiles = 9;
    m_prompt.PushAnswer(true);
    Command(ID_SEARCH_CLEARRESULTS);
    EXPECT_EQ(Model().GetRowCount(), 0);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1"));
    EXPECT_EQ(g_nCollectedFiles, 9);

    // An empty list still asks; Yes sets the base title.
    m_pFrame->setWindowTitle(QStringLiteral("x"));
    m_prompt.PushAnswer(true);
    Command(ID_SEARCH_CLEARRESULTS);
    EXPECT_EQ(m_prompt.m_asked.size(), 3u);
    EXPECT_EQ(m_pFrame->windowTitle(), QStringLiteral("Twinex 1.0 RC1"));
}

// The title tells the last finished search, then the rows a delete left; a cancel changes nothing.
TEST_F(MainFrameTest, TitleTellsTheLastFinishedSearchThenTheRowsLeft) {
    CSearchOutcome outcome;
    outcome.nMatches = 0;
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

TEST_F(MainFrameTest, GridLinesAndStatusBarToggleWithTheirCheckMarks) {
    QAction* pGrid = m_pFrame->GetCommandAction(ID_VIEW_GRIDLINES);
    QAction* pBar = m_pFrame->GetCommandAction(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(pGrid->isChecked());
    EXPECT_TRUE(pBar->isChecked());

    Command(ID_VIEW_GRIDLINES);
    EXPECT_TRUE(m_pFrame->GetActiveView()->GetGridLines());
    EXPECT_TRUE(pGrid->isChecked());
    Command(ID_VIEW_GRIDLINES);
    EXPECT_FALSE(m_pFrame->GetActiveView()->GetGridLines());
    EXPECT_FALSE(pGrid->isChecked());

    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(m_pFrame->statusBar()->isVisible());
    EXPECT_FALSE(pBar->isChecked());
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(m_pFrame->statusBar()->isVisible());
    EXPECT_TRUE(pBar->isChecked());
}

TEST_F(MainFrameTest, EveryMenuCommandIsEnabledAndHarmlessOnAnEmptyList) {
    // Undo Delete alone waits for a delete to the Trash.
    QAction* pUndo = m_pFrame->GetCommandAction(ID_EDIT_UNDODELETE);
    for (QAction* pTop : m_pFrame->menuBar()->actions())
        for (QAction* pItem : pTop->menu()->actions())
            if (!pItem->isSeparator()) {
                EXPECT_EQ(pItem->isEnabled(), pItem != pUndo) << pItem->text().toStdString();
            }
    const QString strTitle = m_pFrame->windowTitle();
    for (int nId : {ID_EDIT_SELECTALL, ID_EDIT_DELETE, ID_EDIT_SHIFTDELETE}) Command(nId);
    EXPECT_EQ(m_pFrame->windowTitle(), strTitle);
    EXPECT_TRUE(m_prompt.m_asked.empty());
}

TEST_F(MainFrameTest, StatusBarShowsPromptsMessagesAndLocks) {
    // A highlighted menu item shows its prompt; the message pane comes back afterwards.
    m_pFrame->GetCommandAction(ID_SEARCH_DUPLICATES)->showStatusText(m_pFrame.get());
    EXPECT_EQ(m_pFrame->statusBar()->currentMessage(),
              QStringLiteral("Execute Search Duplicate Wizard to search for duplicate files"));
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(m_pFrame.get(), &leave);
    EXPECT_TRUE(m_pFrame->statusBar()->currentMessage().isEmpty());

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

    m_pFrame->UpdateIndicators(LOCK_CAPS | LOCK_SCROLL);
    EXPECT_EQ(m_pFrame->GetIndicatorText(ID_INDICATOR_CAPS), QStringLiteral("CAP"));
    EXPECT_EQ(m_pFrame->GetIndicatorText(ID_INDICATOR_NUM), QString());
    EXPECT_EQ(m_pFrame->GetIndicatorText(ID_INDICATOR_SCRL), QStringLiteral("SCRL"));
    m_pFrame->UpdateIndicators(LOCK_NUM);
    EXPECT_EQ(m_pFrame->GetIndicatorText(ID_INDICATOR_CAPS), QString());
    EXPECT_EQ(m_pFrame->GetIndicatorText(ID_INDICATOR_NUM), QStringLiteral("NUM"));
}

TEST_F(MainFrameTest, AboutBoxAndExit) {
    QString strCaption;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QWidget* pBox = QApplication::activeModalWidget();
        if (!pBox) return;
        strCaption = pBox->windowTitle();
        for (QLabel* pLabel : pBox->findChildren<QLabel*>()) texts << pLabel->text();
        pBox->close();
    });
    Command(ID_APP_ABOUT);
    EXPECT_EQ(strCaption, QStringLiteral("About Twinex"));
    EXPECT_TRUE(texts.contains(QStringLiteral("Twinex Version 1.0 RC1")));
    EXPECT_TRUE(texts.contains(QStringLiteral(
        "Please refer to README.md for more information regarding features of Twinex and list of "
        "beta testers.")));

    Command(ID_APP_EXIT);
    EXPECT_FALSE(m_pFrame->isVisible());
}
