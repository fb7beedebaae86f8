// Step 1: the folders to search, each with its own masks and subfolders flag.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "SearchState.h"
#include "WizardSheet.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QUrl;
class CFileDropListCtrl;

// Masks and subfolders flag for the next row added, shared by every folder page.
extern QString g_strMask;
extern int g_bRecurse;

// Opens a URL in the desktop's default handler; tests replace it so that nothing starts.
extern std::function<bool(const QUrl&)> g_fnOpenUrl;

// Adds the folder to the list unless it is listed already; false when it was not added.
bool AddFolderRow(CFileDropListCtrl& list, QByteArray strPath);
// Hands dropped folders to AddFolderRow and ignores every other item; always 0.
int FolderDropCallback(CFileDropListCtrl* pList, const QByteArray& strPath,
                       const std::uint32_t& nType);

class CPage1Dlg : public CWizardPage {
    Q_OBJECT
public:
    explicit CPage1Dlg(IWizardHost& host, QWidget* pParent = nullptr);
    ~CPage1Dlg() override;

    void OnSetActive() override;
    bool OnQueryCancel() override;
    bool validatePage() override;  // leaving by Next

    // The rows as the collection worker reads them, row 0 (the newest) first.
    std::vector<CFolderRow> GetFolderRows() const;

    void OnBrowseFolder();
    void OnFileManager();
    void OnClearList();

    QLineEdit* m_editMask = nullptr;
    QCheckBox* m_btnRecurse = nullptr;
    CFileDropListCtrl* m_listFolders = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    QPushButton* m_btnFileManager = nullptr;
    QPushButton* m_btnClear = nullptr;

private:
    bool m_bFirstActive = true;
};
