// The wizard launched from the real main window's command: rows in its view, its title and
// status pane, and the main window closing in the middle of a search.
#include <unistd.h>

#include <QAction>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "FileDropListCtrl.h"
#include "MainFrame.h"
#include "Resource.h"
#include "ResultModel.h"
#include "TempTree.h"
#include "Title.h"
#include "TwinexView.h"
#include "WizardFixture.h"

namespace {

class MainWindowWizard : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame.SetPrompt(&m_prompt);
        m_frame.show();
        for (int i = 0; i < 3; ++i) m_tree.Add("d/copy" + std::to_string(i), "same bytes");
        m_tree.Add("d/other", "more bytes");
    }
    // Runs the Search > Duplicates command; fnUser acts in the wizard while it is open.
    void RunCommand(std::function<void(CWizardSheet&)> fnUser) {
        bool bRan = false;
        QTimer::singleShot(0, &m_frame, [&] {
            ASSERT_NE(m_frame.m_pPage1, nullptr);
            fnUser(*m_frame.m_pPage1->GetSheet());
            bRan = true;
        });
        m_frame.GetCommandAction(ID_SEARCH_DUPLICATES)->trigger();
        EXPECT_TRUE(bRan);
        EXPECT_EQ(m_frame.m_pPage1, nullptr);
        EXPECT_EQ(m_frame.m_pPage3, nullptr);
    }
    void NextTwice(CWizardSheet& sheet, const std::string& strFolder) {
        DropOnList(*m_frame.m_pPage1->m_listFolders, {QByteArray::fromStdString(strFolder)});
        sheet.button(QWizard::NextButton)->click();
        sheet.button(QWizard::NextButton)->click();
    }
    int Rows() const { return m_frame.GetActiveView()->GetModel()->GetRowCount(); }

    CTempTree m_tree;
    CMainFrame m_frame;
    CScriptedPrompt m_prompt;
};

TEST_F(MainWindowWizard, FinishedSearchFillsTheViewAndSetsTheTitle) {
    RunCommand([&](CWizardSheet& sheet) {
        NextTwice(sheet, m_tree.Path("d"));
        ASSERT_TRUE(
            WaitFor([&] { return sheet.button(QWizard::FinishButton)->isEnabled(); }, 20000));
        sheet.button(QWizard::FinishButton)->click();
    });
    // Three equal files, reflected: each stands once as a source.
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(m_frame.windowTitle(), FormatTitle(3, 4));
    EXPECT_EQ(g_nCollectedFiles, 4);
    EXPECT_TRUE(WaitFor([&] { return m_frame.GetMessagePaneText() == "Ready"; }));
}

TEST_F(MainWindowWizard, ASearchThatFindsNothingStillShowsBothCounts) {
    RunCommand([&](CWizardSheet& sheet) {
        m_tree.Add("lonely/one", "1");
        NextTwice(sheet, m_tree.Path("lonely"));
        ASSERT_TRUE(
            WaitFor([&] { return sheet.button(QWizard::FinishButton)->isEnabled(); }, 20000));
        sheet.button(QWizard::FinishButton)->click();
    });
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(m_frame.windowTitle(), FormatTitle(0, 1));
}

TEST_F(MainWindowWizard, ClosingTheMainWindowMidSearchStopsItAndKeepsTheEarlierState) {
    for (const char* name : {"big/1", "big/2"}) {
        const std::string strPath = m_tree.Add(name, "");
        ASSERT_EQ(::truncate(strPath.c_str(), off_t(16) << 30), 0);
    }
    const QString strTitle = m_frame.windowTitle();
    RunCommand([&](CWizardSheet& sheet) {
        DropOnList(*m_frame.m_pPage1->m_listFolders,
                   {QByteArray::fromStdString(m_tree.Path("big"))});
        sheet.button(QWizard::NextButton)->click();
        m_frame.m_pPage2->m_radioCriterion[MATCH_CONTENTS]->click();
        m_frame.m_pPage2->m_editPartial->setText("0");  // whole files: 16 GiB to read
        sheet.button(QWizard::NextButton)->click();
        ASSERT_TRUE(WaitFor([&] { return m_frame.m_pPage3->m_state.m_bMatching.load() == 1; }));
        m_frame.close();
        EXPECT_FALSE(sheet.isVisible());
    });
    EXPECT_FALSE(m_frame.isVisible());
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(m_frame.windowTitle(), strTitle);
    EXPECT_TRUE(WaitFor([&] { return m_frame.GetMessagePaneText() == "Ready"; }));
}

}  // namespace
