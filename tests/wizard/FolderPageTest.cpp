// The folder page: rows from drops and the browser, masks and subfolders per row, the
// questions of Clear List and Cancel, the refusal of an empty list.
#include <unistd.h>

#include <QDir>
#include <QTreeWidget>

#include "WizardFixture.h"

namespace {

using FolderPage = CWizardTest;

std::string NoSlash(std::string strPath) {
    strPath.pop_back();
    return strPath;
}

TEST_F(FolderPage, EveryRunStartsFromTheDefaultsWhateverTheLastRunLeft) {
    for (int nRun = 0; nRun < 2; ++nRun) {
        SCOPED_TRACE(nRun);
        OpenWizard();
        EXPECT_EQ(Sheet().windowTitle(), "Search Duplicates Wizard - Step 1 of 3");
        EXPECT_TRUE(Page1().m_btnRecurse->isChecked());
        EXPECT_EQ(Page1().m_editMask->text(), "*.*");
        EXPECT_EQ(Page1().m_listFolders->topLevelItemCount(), 0);
        QTreeWidgetItem* pHeader = Page1().m_listFolders->headerItem();
        EXPECT_EQ(pHeader->text(0) + "|" + pHeader->text(1) + "|" + pHeader->text(2),
                  "File / Folder|File Masks|Subdir");
        EXPECT_FALSE(Usable(QWizard::BackButton));
        EXPECT_TRUE(Usable(QWizard::NextButton));
        EXPECT_EQ(g_bFolderListChanged, 0);

        // Leave every setting changed, then close.
        Page1().m_editMask->setText("*.jpg");
        Page1().m_btnRecurse->setChecked(false);
        DropPaths({m_tree.AddDir("one")});
        Click(QWizard::NextButton);
        ASSERT_EQ(Sheet().currentPage(), &Page2());
        EXPECT_EQ(Sheet().windowTitle(), "Search Duplicates Wizard - Step 2 of 3");
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
    const std::string strA = m_tree.AddDir("a"), strUpper = m_tree.AddDir("A");
    const std::string strOdd = m_tree.AddDir("caf\xe9 %41 #1");  // Latin-1 byte, not UTF-8
    const std::string strFile = m_tree.Add("file.txt", "x"), strLink = m_tree.Path("link");
    ASSERT_EQ(::symlink(strA.c_str(), strLink.c_str()), 0);
    // A folder without its trailing slash, a file, a link to a folder, a web address.
    DropPaths({NoSlash(strA), strFile, strLink}, {QUrl("https://example.org/folder/")});
    EXPECT_EQ(ListedFolders(), std::vector<std::string>{strA});
    EXPECT_EQ(g_bFolderListChanged, 1);

    const QString strLong = QString("*.a;").repeated(80);  // cut to 256 characters
    Page1().m_editMask->setText(strLong);
    Page1().m_btnRecurse->click();
    DropPaths({strOdd});
    // A folder listed already keeps its row; one differing in case is another folder.
    Page1().m_editMask->setText("*.txt;*.doc");
    DropPaths({strA, strUpper});
    const auto rows = Page1().GetFolderRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].strFolder, strUpper);
    EXPECT_EQ(rows[0].strMasks, "*.txt;*.doc");
    EXPECT_EQ(rows[1].strFolder, strOdd);
    EXPECT_EQ(QString::fromStdString(rows[1].strMasks), strLong.left(256));
    EXPECT_EQ(rows[1].strSubdir, "No");
    EXPECT_EQ(rows[2].strFolder, strA);
    EXPECT_EQ(rows[2].strMasks, "*.*");
    EXPECT_EQ(rows[2].strSubdir, "Yes");
    EXPECT_EQ(Page1().m_listFolders->topLevelItem(2)->text(0), QString::fromStdString(strA));

    // Step 2 and back: rows, mask field and box as they were left.
    Click({QWizard::NextButton, QWizard::BackButton});
    EXPECT_EQ(Sheet().currentPage(), &Page1());
    EXPECT_EQ(Page1().GetFolderRows().size(), 3u);
    EXPECT_EQ(Page1().m_editMask->text(), "*.txt;*.doc");
    EXPECT_FALSE(Page1().m_btnRecurse->isChecked());
}

TEST_F(FolderPage, ClearListAndCancelAskFirstAndNextRefusesAnEmptyList) {
    const QString strEmpty =
        "Empty List: Folders list is empty.\nPlease select at least one folder before continuing.";
    const QString strQuit = "Quit Wizard: Quit Search Duplicates Wizard.\nAre you sure?";
    OpenWizard();
    Click(QWizard::NextButton);
    EXPECT_EQ(m_host.LastAsked(), strEmpty);
    EXPECT_EQ(Sheet().currentPage(), &Page1());

    DropPaths({m_tree.AddDir("a"), m_tree.AddDir("b")});
    m_host.Answer({false, false});
    Page1().m_btnClear->click();
    EXPECT_EQ(m_host.LastAsked(), "Clear List: Clear folders list.\nAre you sure?");
    Click(QWizard::CancelButton);
    EXPECT_EQ(m_host.LastAsked(), strQuit);
    EXPECT_TRUE(Sheet().isVisible());
    EXPECT_EQ(Page1().GetFolderRows().size(), 2u);

    Click(QWizard::NextButton);
    m_host.Answer({false});
    Sheet().close();  // the window's close box asks the same
    EXPECT_EQ(m_host.m_prompt.m_asked.size(), 4u);
    EXPECT_EQ(m_host.LastAsked(), strQuit);
    EXPECT_TRUE(Sheet().isVisible());
    EXPECT_EQ(Sheet().currentPage(), &Page2());

    Click(QWizard::BackButton);
    m_host.Answer({true});
    Page1().m_btnClear->click();
    EXPECT_EQ(Page1().GetFolderRows().size(), 0u);
    EXPECT_EQ(g_bFolderListChanged, 1);  // clearing does not touch it
    Click(QWizard::NextButton);
    EXPECT_EQ(m_host.LastAsked(), strEmpty);
    EXPECT_EQ(Sheet().currentPage(), &Page1());
}

TEST_F(FolderPage, BrowseAddsTheChosenFolderOnlyAndFileManagerOpensHome) {
    OpenWizard();
    const std::string strChosen = m_tree.AddDir("chosen"), strLink = m_tree.Path("link");
    ASSERT_EQ(::symlink(strChosen.c_str(), strLink.c_str()), 0);
    QString strAnswer, strAsked;
    g_fnBrowseFolder = [&](QWidget*, const QString& strCaption, const QString& strPrompt) {
        strAsked = strCaption + ": " + strPrompt;
        return strAnswer;
    };
    Page1().m_btnBrowse->click();  // cancelled
    EXPECT_EQ(strAsked, "Browse Folder: Select folder to add to search list");
    strAnswer = QString::fromStdString(strLink);  // a link is never followed
    Page1().m_btnBrowse->click();
    EXPECT_TRUE(ListedFolders().empty());
    strAnswer = QString::fromStdString(NoSlash(strChosen));
    Page1().m_btnBrowse->click();
    Page1().m_btnBrowse->click();
    EXPECT_EQ(ListedFolders(), std::vector<std::string>{strChosen});

    QList<QUrl> opened;
    g_fnOpenUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    Page1().m_btnFileManager->click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QDir::homePath())});
}

}  // namespace
