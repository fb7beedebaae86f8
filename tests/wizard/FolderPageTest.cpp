// The folder page: rows from drops and the browser, masks and subfolders per row, the
// questions of Clear List and Cancel, the refusal of an empty list.
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "FileDropListCtrl.h"
#include "TempTree.h"
#include "WizardFixture.h"

namespace {

QByteArray Bytes(const std::string& str) {
    return QByteArray::fromStdString(str);
}

class FolderPage : public CWizardTest {
protected:
    CTempTree m_tree;
};

TEST_F(FolderPage, EveryRunStartsFromTheDefaultsWhateverTheLastRunLeft) {
    for (int nRun = 0; nRun < 2; ++nRun) {
        SCOPED_TRACE(nRun);
        OpenWizard();
        EXPECT_EQ(Sheet().windowTitle(), "Search Duplicates Wizard - Step 1 of 3");
        EXPECT_TRUE(Page1().m_btnRecurse->isChecked());
        EXPECT_EQ(Page1().m_editMask->text(), "*.*");
        EXPECT_EQ(Page1().m_listFolders->topLevelItemCount(), 0);
        QTreeWidgetItem* pHeader = Page1().m_listFolders->headerItem();
        EXPECT_EQ(pHeader->text(0), "File / Folder");
        EXPECT_EQ(pHeader->text(1), "File Masks");
        EXPECT_EQ(pHeader->text(2), "Subdir");
        EXPECT_FALSE(Usable(QWizard::BackButton));
        EXPECT_TRUE(Usable(QWizard::NextButton));
        EXPECT_EQ(g_bFolderListChanged, 0);

        // Leave every setting changed, then close.
        Page1().m_editMask->setText("*.jpg");
        Page1().m_btnRecurse->setChecked(false);
        DropPaths({Bytes(m_tree.AddDir("one"))});
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
        EXPECT_EQ(m_host.m_pPage2, nullptr);
    }
}

TEST_F(FolderPage, DropsAddFoldersOnlyNewestFirstEachWithTheMasksOfItsMoment) {
    OpenWizard();
    const std::string strA = m_tree.AddDir("a"), strB = m_tree.AddDir("b"),
                      strC = m_tree.AddDir("c");
    const std::string strFile = m_tree.Add("file.txt", "x");
    const std::string strLink = m_tree.Path("link");
    ASSERT_EQ(::symlink(strA.c_str(), strLink.c_str()), 0);
    // A folder dropped without its trailing slash, a file, a link to a folder, a web address.
    QByteArray strNoSlash = Bytes(strA);
    strNoSlash.chop(1);
    DropPaths({strNoSlash, Bytes(strFile), Bytes(strLink)},
              {QUrl(QStringLiteral("https://example.org/folder/"))});
    EXPECT_EQ(ListedFolders(), std::vector<std::string>{strA});
    EXPECT_EQ(g_bFolderListChanged, 1);

    DropPaths({Bytes(strB)});
    Page1().m_editMask->setText("*.txt;*.doc");
    Page1().m_btnRecurse->click();
    DropPaths({Bytes(strC)});
    const auto rows = Page1().GetFolderRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].strFolder, strC);
    EXPECT_EQ(rows[0].strMasks, "*.txt;*.doc");
    EXPECT_EQ(rows[0].strSubdir, "No");
    EXPECT_EQ(rows[1].strFolder, strB);
    EXPECT_EQ(rows[1].strMasks, "*.*");
    EXPECT_EQ(rows[1].strSubdir, "Yes");
    EXPECT_EQ(rows[2].strFolder, strA);
    EXPECT_EQ(Page1().m_listFolders->topLevelItem(2)->text(0), QString::fromStdString(strA));

    // Step 2 and back: rows, mask field and box as they were left.
    Click(QWizard::NextButton);
    Click(QWizard::BackButton);
    EXPECT_EQ(Sheet().currentPage(), &Page1());
    EXPECT_EQ(Page1().GetFolderRows().size(), 3u);
    EXPECT_EQ(Page1().m_editMask->text(), "*.txt;*.doc");
    EXPECT_FALSE(Page1().m_btnRecurse->isChecked());
}

TEST_F(FolderPage, AFolderIsListedOnceButFoldersDifferingInCaseAreTwo) {
    OpenWizard();
    const std::string strPhotos = m_tree.AddDir("Photos");
    QByteArray strNoSlash = Bytes(strPhotos);
    strNoSlash.chop(1);
    DropPaths({strNoSlash});
    Page1().m_editMask->setText("*.png");
    DropPaths({Bytes(strPhotos)});
    auto rows = Page1().GetFolderRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].strFolder, strPhotos);
    EXPECT_EQ(rows[0].strMasks, "*.*");  // the row keeps its own masks

    // On a case-sensitive file system "photos" is another folder with other files.
    const std::string strLower = m_tree.AddDir("photos");
    DropPaths({Bytes(strLower)});
    EXPECT_EQ(Page1().GetFolderRows().size(), 2u);
}

TEST_F(FolderPage, PathsKeepTheirExactBytes) {
    OpenWizard();
    const std::string strOdd = m_tree.AddDir("caf\xe9 %41 #1");  // Latin-1 byte, not UTF-8
    DropPaths({Bytes(strOdd)});
    EXPECT_EQ(ListedFolders(), std::vector<std::string>{strOdd});
}

TEST_F(FolderPage, MasksBeyond256CharactersAreCutForTheNextRow) {
    OpenWizard();
    const QString strLong = QString("*.a;").repeated(80);  // 320 characters
    Page1().m_editMask->setText(strLong);
    DropPaths({Bytes(m_tree.AddDir("x"))});
    EXPECT_EQ(QString::fromStdString(Page1().GetFolderRows()[0].strMasks), strLong.left(256));
}

TEST_F(FolderPage, ClearListAsksAndNextRefusesAnEmptyList) {
    OpenWizard();
    Click(QWizard::NextButton);
    ASSERT_EQ(m_host.m_prompt.m_asked.size(), 1u);
    EXPECT_EQ(m_host.m_prompt.m_asked[0].strCaption, "Empty List");
    EXPECT_EQ(m_host.m_prompt.m_asked[0].strText,
              "Folders list is empty.\nPlease select at least one folder before continuing.");
    EXPECT_EQ(Sheet().currentPage(), &Page1());

    DropPaths({Bytes(m_tree.AddDir("a")), Bytes(m_tree.AddDir("b"))});
    m_host.Answer({false});
    Page1().m_btnClear->click();
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strText, "Clear folders list.\nAre you sure?");
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strCaption, "Clear List");
    EXPECT_EQ(Page1().GetFolderRows().size(), 2u);

    m_host.Answer({true});
    Page1().m_btnClear->click();
    EXPECT_EQ(Page1().GetFolderRows().size(), 0u);
    EXPECT_EQ(g_bFolderListChanged, 1);  // clearing does not touch it
    Click(QWizard::NextButton);
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strCaption, "Empty List");
    EXPECT_EQ(Sheet().currentPage(), &Page1());
}

TEST_F(FolderPage, CancelAnsweredNoKeepsTheWizardAndItsRows) {
    OpenWizard();
    DropPaths({Bytes(m_tree.AddDir("a"))});
    m_host.Answer({false});
    Click(QWizard::CancelButton);
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strText,
              "Quit Search Duplicates Wizard.\nAre you sure?");
    EXPECT_EQ(m_host.m_prompt.m_asked.back().strCaption, "Quit Wizard");
    EXPECT_TRUE(Sheet().isVisible());
    EXPECT_EQ(Sheet().currentPage(), &Page1());
    EXPECT_EQ(Page1().GetFolderRows().size(), 1u);

    Click(QWizard::NextButton);
    m_host.Answer({false});
    Sheet().close();  // the window's close box asks the same
    EXPECT_TRUE(Sheet().isVisible());
    EXPECT_EQ(Sheet().currentPage(), &Page2());
}

TEST_F(FolderPage, BrowseAddsTheChosenFolderAndNothingElse) {
    OpenWizard();
    const std::string strChosen = m_tree.AddDir("chosen");
    const std::string strLink = m_tree.Path("link");
    ASSERT_EQ(::symlink(strChosen.c_str(), strLink.c_str()), 0);
    QString strAnswer;
    QString strCaption, strPrompt;
    g_fnBrowseFolder = [&](QWidget*, const QString& caption, const QString& prompt) {
        strCaption = caption;
        strPrompt = prompt;
        return strAnswer;
    };
    Page1().m_btnBrowse->click();  // cancelled
    EXPECT_EQ(strCaption, "Browse Folder");
    EXPECT_EQ(strPrompt, "Select folder to add to search list");
    strAnswer = QString::fromStdString(strLink);  // a link is never followed
    Page1().m_btnBrowse->click();
    EXPECT_TRUE(ListedFolders().empty());

    strAnswer = QString::fromStdString(strChosen).chopped(1);
    Page1().m_btnBrowse->click();
    Page1().m_btnBrowse->click();
    EXPECT_EQ(ListedFolders(), std::vector<std::string>{strChosen});
}

TEST_F(FolderPage, FileManagerOpensTheHomeFolder) {
    OpenWizard();
    QList<QUrl> opened;
    g_fnOpenUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    Page1().m_btnFileManager->click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(QDir::homePath())});
}

}  // namespace
