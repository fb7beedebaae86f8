// The folder page: each run starts from the defaults, drops list folders only and each once,
// Clear List asks first, Next refuses an empty list, and each button has an Alt key of its own.
#include <unistd.h>

#include <QDir>
#include <QTest>

#include "WizardFixture.h"

namespace {

using FolderPage = CWizardTest;

TEST_F(FolderPage, EveryRunStartsFromTheDefaultsWhateverTheLastRunLeft) {
    for (int nRun = 0; nRun < 2; ++nRun) {
        SCOPED_TRACE(nRun);
        OpenWizard();
        EXPECT_TRUE(Page1().m_btnRecurse->isChecked());
        EXPECT_EQ(Page1().m_editMask->text(), "*.*");
        EXPECT_TRUE(ListedFolders().empty());
        EXPECT_EQ(g_bFolderListChanged, 0);

        // Leave every setting changed, then close.
        Page1().m_editMask->setText("*.jpg");
        Page1().m_btnRecurse->setChecked(false);
        DropPaths({m_tree.AddDir("one")});
        Click(QWizard::NextButton);
        ASSERT_EQ(Sheet().currentPage(), &Page2());
        EXPECT_TRUE(Page2().m_radioCriterion[MATCH_CRC32]->isChecked());
        EXPECT_TRUE(Page2().m_btnReflect->isChecked());
        EXPECT_EQ(Page2().m_editPartial->text(), "64");
        Page2().m_radioCriterion[MATCH_SIZE]->click();
        Page2().m_btnReflect->setChecked(false);
        Page2().m_editPartial->setText("7");
        m_host.Answer({true});
        Click(QWizard::CancelButton);
        EXPECT_FALSE(Sheet().isVisible());
        CloseWizard();
    }
}

TEST_F(FolderPage, DropsListEachFolderOnceNewestFirstWithTheMasksOfItsMoment) {
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

    Page1().m_editMask->setText("*.txt;*.doc");
    Page1().m_btnRecurse->click();
    DropPaths({strOdd, strA});  // the folder listed already keeps its row
    const auto rows = Page1().GetFolderRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].strFolder, strOdd);
    EXPECT_EQ(rows[0].strMasks, "*.txt;*.doc");
    EXPECT_EQ(rows[0].strSubdir, "No");
    EXPECT_EQ(rows[1].strFolder, strA);
    EXPECT_EQ(rows[1].strMasks, "*.*");
    EXPECT_EQ(rows[1].strSubdir, "Yes");
}

TEST_F(FolderPage, ClearListAsksFirstAndNextRefusesAnEmptyList) {
    const QString strEmpty =
        "Empty List: Folders list is empty.\nPlease select at least one folder before continuing.";
    OpenWizard();
    Click(QWizard::NextButton);
    EXPECT_EQ(m_host.LastAsked(), strEmpty);
    EXPECT_EQ(Sheet().currentPage(), &Page1());

    DropPaths({m_tree.AddDir("a"), m_tree.AddDir("b")});
    m_host.Answer({false});
    Page1().m_btnClear->click();
    EXPECT_EQ(m_host.LastAsked(), "Clear List: Clear folders list.\nAre you sure?");
    EXPECT_EQ(ListedFolders().size(), 2u);

    m_host.Answer({true});
    Page1().m_btnClear->click();
    EXPECT_TRUE(ListedFolders().empty());
    Click(QWizard::NextButton);
    EXPECT_EQ(m_host.m_prompt.m_asked.size(), 4u);
    EXPECT_EQ(m_host.LastAsked(), strEmpty);
    EXPECT_EQ(Sheet().currentPage(), &Page1());
}

// Each button has a key of its own: Alt+F browses, Alt+M starts the file manager. Two
// buttons claiming one key would make Qt only move the focus between them.
TEST_F(FolderPage, AltFBrowsesAndAltMStartsTheFileManager) {
    int nBrowsed = 0;
    m_services.fnBrowseFolder = [&](QWidget*, const QString&, const QString&) {
        ++nBrowsed;
        return QString();  // cancelled
    };
    std::vector<QUrl> opened;
    m_services.fnOpenUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    OpenWizard();
    Sheet().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Sheet()));
    // A mnemonic clicks its button a moment later, as a mouse click would look.
    QTest::keyClick(&Page1(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return nBrowsed == 1; }));
    EXPECT_TRUE(opened.empty());
    QTest::keyClick(&Page1(), Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return !opened.empty(); }));
    EXPECT_EQ(nBrowsed, 1);
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl::fromLocalFile(QDir::homePath())});
}

}  // namespace
