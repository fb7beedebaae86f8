// The wizard launched from the real main window's command: rows in its view, its title and
// status pane, and the main window closing in the middle of a search.
#include <unistd.h>

#include <QAction>
#include <QTimer>

#include "MainFrame.h"
#include "Resource.h"
#include "ResultModel.h"
#include "TwinexView.h"
#include "WizardFixture.h"

namespace {

class MainWindowWizard : public ::testing::Test {
protected:
    void SetUp() override {
        m_frame.SetPrompt(&m_prompt);
        m_frame.show();
    }
    // Runs the Search > Duplicates command: drops the folder, picks the criterion and goes on
    // to the search; fnUser acts in the wizard while it searches.
    void RunCommand(const char* strFolder, int nCriterion, const QString& strPartial,
                    const std::function<void(CWizardSheet&)>& fnUser) {
        bool bRan = false;
        QTimer::singleShot(0, &m_frame, [&] {
            CWizardSheet& sheet = *m_frame.m_pPage1->GetSheet();
            DropOnList(*m_frame.m_pPage1->m_listFolders, {m_tree.Path(strFolder)});
            sheet.button(QWizard::NextButton)->click();
            m_frame.m_pPage2->m_radioCriterion[nCriterion]->click();
            m_frame.m_pPage2->m_editPartial->setText(strPartial);
            sheet.button(QWizard::NextButton)->click();
            fnUser(sheet);
            bRan = true;
        });
        m_frame.GetCommandAction(ID_SEARCH_DUPLICATES)->trigger();
        EXPECT_TRUE(bRan);
        EXPECT_TRUE(!m_frame.m_pPage1 && !m_frame.m_pPage3);
        EXPECT_TRUE(WaitFor([&] { return m_frame.GetMessagePaneText() == "Ready"; }));
    }
    int Rows() const { return m_frame.GetActiveView()->GetModel()->GetRowCount(); }

    CTempTree m_tree;
    CMainFrame m_frame;
    CScriptedPrompt m_prompt;
};

TEST_F(MainWindowWizard, FinishedSearchFillsTheViewAndSetsTheTitleWithBothCounts) {
    // Three equal files, reflected: each stands once as a source.
    for (int i = 0; i < 3; ++i) m_tree.Add("d/copy" + std::to_string(i), "same bytes");
    m_tree.Add("d/other", "more bytes");
    RunCommand("d", MATCH_CRC32, "64", [](CWizardSheet& sheet) {
        QAbstractButton* pFinish = sheet.button(QWizard::FinishButton);
        ASSERT_TRUE(WaitFor([&] { return pFinish->isEnabled(); }, 20000));
        pFinish->click();
    });
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(m_frame.windowTitle(), "Twinex 1.0 RC1 - Matched 3 in 4 file(s)");
}

TEST_F(MainWindowWizard, ClosingTheMainWindowMidSearchStopsItAndKeepsTheEarlierState) {
    for (const char* name : {"big/1", "big/2"})
        ASSERT_EQ(::truncate(m_tree.Add(name, "").c_str(), off_t(16) << 30), 0);
    const QString strTitle = m_frame.windowTitle();
    RunCommand("big", MATCH_CONTENTS, "0", [&](CWizardSheet& sheet) {  // 16 GiB to read
        ASSERT_TRUE(WaitFor([&] { return m_frame.m_pPage3->GetSearchState().m_bMatching == 1; }));
        m_frame.close();
        EXPECT_FALSE(sheet.isVisible());
    });
    EXPECT_FALSE(m_frame.isVisible());
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(m_frame.windowTitle(), strTitle);
}

}  // namespace
