// The first two pages: each run starts from the defaults, drops list folders only and each
// once, Clear List asks first, and Next refuses an empty list.
#include <unistd.h>

#include <QSpinBox>

#include "WizardFixture.h"

namespace {

using WizardPages = CWizardTest;

TEST_F(WizardPages, EveryRunStartsFromTheDefaults) {
    for (int nRun = 0; nRun < 2; ++nRun) {
        SCOPED_TRACE(nRun);
        OpenWizard();
        EXPECT_TRUE(Page1().m_btnRecurse->isChecked());
        EXPECT_FALSE(Page1().m_btnReference->isChecked());
        EXPECT_EQ(Page1().m_editMask->text(), "*.*");
        EXPECT_TRUE(ListedFolders().empty());
        EXPECT_EQ(g_bFolderListChanged, 0);

        // Leave every setting changed, then cancel.
        Page1().m_editMask->setText("*.jpg");
        Page1().m_btnRecurse->setChecked(false);
        Page1().m_btnReference->setChecked(true);
        DropPaths({m_tree.AddDir("one")});
        Click(QWizard::NextButton);
        EXPECT_TRUE(Page2().m_radioCriterion[MATCH_CRC32]->isChecked());
        EXPECT_TRUE(Page2().m_btnReflect->isChecked());
        QLineEdit& partial = *Page2().m_editPartial;
        EXPECT_EQ(partial.text(), "64");
        EXPECT_EQ(Page2().GetMinSizeBytes(), 0u);
        Page2().m_spinMinSize->setValue(7);
        Page2().m_radioCriterion[MATCH_SIZE]->click();
        Page2().m_btnReflect->setChecked(false);
        partial.setText("12");
        m_host.Answer({true});
        Click(QWizard::CancelButton);
        EXPECT_FALSE(Sheet().isVisible());
        CloseWizard();
    }
}

TEST_F(WizardPages, DropsListEachFolderOnceNewestFirstAndClearListAsksFirst) {
    OpenWizard();
    const std::string strA = m_tree.AddDir("a");
    const std::string strOdd = m_tree.AddDir("caf\xe9 %41 #1");  // Latin-1 byte, not UTF-8
    const std::string strFile = m_tree.Add("file.txt", "x"), strLink = m_tree.Path("link");
    ASSERT_EQ(::symlink(strA.c_str(), strLink.c_str()), 0);
    // A folder without its trailing slash, a file, a link to a folder, a web address.
    DropPaths({strA.substr(0, strA.size() - 1), strFile, strLink},
              {QUrl("https://example.org/folder/")});
    EXPECT_EQ(ListedFolders(), std::vector<std::string>{strA});
    EXPECT_EQ(g_bFolderListChanged, 1);

    // The masks, subfolders flag and reference mark of its moment for each row; a folder
    // listed keeps its row.
    Page1().m_editMask->setText("*.txt;*.doc");
    Page1().m_btnRecurse->click();
    Page1().m_btnReference->click();
    DropPaths({strOdd, strA});
    const auto rows = Page1().GetFolderRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].strFolder + rows[0].strMasks + rows[0].strSubdir, strOdd + "*.txt;*.docNo");
    EXPECT_EQ(rows[1].strFolder + rows[1].strMasks + rows[1].strSubdir, strA + "*.*Yes");
    EXPECT_TRUE(rows[0].bReference);
    EXPECT_FALSE(rows[1].bReference);

    m_host.Answer({false, true});
    Page1().m_btnClear->click();
    EXPECT_EQ(m_host.LastAsked(), "Clear List: Clear folders list.\nAre you sure?");
    EXPECT_EQ(ListedFolders().size(), 2u);
    Page1().m_btnClear->click();
    EXPECT_TRUE(ListedFolders().empty());
    Click(QWizard::NextButton);
    EXPECT_EQ(m_host.m_prompt.m_asked.size(), 3u);
    EXPECT_EQ(m_host.LastAsked(),
              "Empty List: Folders list is empty.\nPlease select at least "
              "one folder before continuing.");
    EXPECT_EQ(Sheet().currentPage(), &Page1());
}

}  // namespace
