// Step 1: the folders to search, each with its own masks and subfolders flag.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "SearchState.h"
#include "WizardServices.h"
#include "WizardSheet.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QUrl;
class CFileDropListCtrl;

// Adds the folder to the list with the given masks, subfolders flag and reference mark, unless
// it is listed already; false when it was not added.
bool AddFolderRow(CFileDropListCtrl& list, QByteArray strPath, const QString& strMask,
                  int bRecurse, int bReference = 0);
// Hands dropped folders to the folder page that owns the list and ignores every other item;
// always 0.
int FolderDropCallback(CFileDropListCtrl* pList, const QByteArray& strPath,
                       const std::uint32_t& nType);

class CPage1Dlg : public CWizardPage {
    Q_OBJECT
public:
    CPage1Dlg(IWizardHost& host, const CWizardServices& services, QWidget* pParent = nullptr);
    ~CPage1Dlg() override;

    void OnSetActive() override;
    bool OnQueryCancel() override;
    bool validatePage() override;  // leaving by Next

    // The rows as the collection worker reads them, row 0 (the newest) first.
    std::vector<CFolderRow> GetFolderRows() const;
    // Adds the folder with the masks, subfolders flag and reference mark now in force, unless
    // it is listed.
    bool AddFolder(const QByteArray& strPath);

    void OnBrowseFolder();
    void OnFileManager();
    void OnClearList();

    QLineEdit* m_editMask = nullptr;
    QCheckBox* m_btnRecurse = nullptr;
    QCheckBox* m_btnReference = nullptr;
    CFileDropListCtrl* m_listFolders = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    QPushButton* m_btnFileManager = nullptr;
    QPushButton* m_btnClear = nullptr;

    // Masks, subfolders flag and reference mark for the next row added; reset at the first
    // activation.
    QString m_strMask = QStringLiteral("*.*");
    int m_bRecurse = 1;
    int m_bReference = 0;

private:
    bool m_bFirstActive = true;
    FBrowseFolder m_fnBrowseFolder;
    FOpenUrl m_fnOpenUrl;
};
