#include "Page1Dlg.h"

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "DirDialog.h"
#include "FileDropListCtrl.h"
#include "Prompt.h"
#include "WizardArt.h"
#include "WizardHost.h"

namespace {

constexpr int kMaxMaskLength = 256;

QByteArray WithoutTrailingSlash(QByteArray strPath) {
    while (strPath.size() > 1 && strPath.endsWith('/')) strPath.chop(1);
    return strPath;
}

// Two texts name the same folder when they are equal up to a trailing slash. Texts that
// differ only in letter case name the same folder only when the file system says so
// (a case-insensitive mount): on an ordinary Linux file system /a/Photos and /a/photos
// are two folders, and refusing the second would leave its files unsearched.
bool IsSameFolder(const QByteArray& strA, const QByteArray& strB) {
    const QByteArray a = WithoutTrailingSlash(strA);
    const QByteArray b = WithoutTrailingSlash(strB);
    if (a == b) return true;
    if (QFile::decodeName(a).compare(QFile::decodeName(b), Qt::CaseInsensitive) != 0) return false;
    struct stat stA, stB;
    if (::stat(a.constData(), &stA) != 0 || ::stat(b.constData(), &stB) != 0) return false;
    return stA.st_dev == stB.st_dev && stA.st_ino == stB.st_ino;
}

}  // namespace

bool AddFolderRow(CFileDropListCtrl& list, QByteArray strPath, const QString& strMask,
                  int bRecurse, int bReference) {
    if (!strPath.isEmpty() && !strPath.endsWith('/')) strPath += '/';
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (IsSameFolder(list.GetItemPath(i), strPath)) return false;

    auto* pItem = new QTreeWidgetItem;
    pItem->setText(0, QFile::decodeName(strPath));
    pItem->setData(0, CFileDropListCtrl::PathRole, strPath);
    pItem->setIcon(0, list.style()->standardIcon(QStyle::SP_DirIcon));
    pItem->setText(1, strMask);
    pItem->setText(2, bRecurse ? QStringLiteral("Yes") : QStringLiteral("No"));
    pItem->setTextAlignment(2, Qt::AlignCenter);
    pItem->setText(3, bReference ? QStringLiteral("Yes") : QStringLiteral("No"));
    pItem->setTextAlignment(3, Qt::AlignCenter);
    list.insertTopLevelItem(0, pItem);
    g_bFolderListChanged = 1;
    return true;
}

int FolderDropCallback(CFileDropListCtrl* pList, const QByteArray& strPath,
                       const std::uint32_t& nType) {
    if (nType != DL_TYPE_FOLDER || !pList) return 0;
    // The masks and subfolders flag of the next row are the page's.
    if (auto* pPage = qobject_cast<CPage1Dlg*>(pList->parentWidget())) pPage->AddFolder(strPath);
    return 0;
}

CPage1Dlg::CPage1Dlg(IWizardHost& host, const CWizardServices& services, QWidget* pParent)
    : CWizardPage(host, QStringLiteral("Search Duplicates Wizard - Step 1 of 3"), pParent),
      m_fnBrowseFolder(services.fnBrowseFolder),
      m_fnOpenUrl(services.fnOpenUrl) {
    g_bFolderListChanged = 0;
    setPixmap(QWizard::WatermarkPixmap, DrawSidePicture(ESidePicture::Folders));

    auto* pHeading = new QLabel(QStringLiteral("Folders selection:"), this);
    m_btnRecurse = new QCheckBox(QStringLiteral("Recurse subfolders for next drop"), this);
    m_btnReference =
        new QCheckBox(QStringLiteral("&Reference folder (never delete its files)"), this);
    auto* pHint = new QLabel(QStringLiteral("Drag and drop folders from your file manager.\n"
                                            "Wizard will collect files from these folders to "
                                            "search for duplicates."),
                             this);
    pHint->setWordWrap(true);
    m_listFolders = new CFileDropListCtrl(this);
    auto* pMaskLabel = new QLabel(QStringLiteral("File mask for next drop:"), this);
    m_editMask = new QLineEdit(this);
    m_editMask->setFixedWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 16);
    pMaskLabel->setBuddy(m_editMask);
    auto* pMaskExample = new QLabel(QStringLiteral("(e.g. *.txt;*.doc)"), this);
    m_btnBrowse = new QPushButton(QStringLiteral("Browse &Folder..."), this);
    m_btnFileManager = new QPushButton(QStringLiteral("File &Manager..."), this);
    m_btnClear = new QPushButton(QStringLiteral("&Clear List"), this);
    for (QPushButton* pButton : {m_btnBrowse, m_btnFileManager, m_btnClear})
        pButton->setAutoDefault(false);

    auto* pTop = new QHBoxLayout;
    pTop->addWidget(pHeading);
    pTop->addStretch(1);
    pTop->addWidget(m_btnRecurse);
    pTop->addWidget(m_btnReference);
    auto* pMaskRow = new QHBoxLayout;
    pMaskRow->addWidget(pMaskLabel);
    pMaskRow->addWidget(m_editMask);
    pMaskRow->addWidget(pMaskExample);
    pMaskRow->addStretch(1);
    auto* pButtons = new QHBoxLayout;
    for (QPushButton* pButton : {m_btnBrowse, m_btnFileManager, m_btnClear})
        pButtons->addWidget(pButton, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(pHint);
    pLayout->addWidget(m_listFolders, 1);
    pLayout->addLayout(pMaskRow);
    pLayout->addLayout(pButtons);

    // Tab starts at the folder list, the page's main control, then goes to what applies to the
    // next drop (recurse and reference boxes, mask) and the buttons; the boxes stand above the
    // list.
    setTabOrder(m_listFolders, m_btnRecurse);
    setTabOrder(m_btnRecurse, m_btnReference);
    setTabOrder(m_btnReference, m_editMask);
    setTabOrder(m_editMask, m_btnBrowse);
    setTabOrder(m_btnBrowse, m_btnFileManager);
    setTabOrder(m_btnFileManager, m_btnClear);

    connect(m_btnRecurse, &QCheckBox::toggled, this,
            [this](bool bChecked) { m_bRecurse = bChecked ? 1 : 0; });
    connect(m_btnReference, &QCheckBox::toggled, this,
            [this](bool bChecked) { m_bReference = bChecked ? 1 : 0; });
    connect(m_editMask, &QLineEdit::textChanged, this,
            [this](const QString& strText) { m_strMask = strText.left(kMaxMaskLength); });
    connect(m_btnBrowse, &QPushButton::clicked, this, &CPage1Dlg::OnBrowseFolder);
    connect(m_btnFileManager, &QPushButton::clicked, this, &CPage1Dlg::OnFileManager);
    connect(m_btnClear, &QPushButton::clicked, this, &CPage1Dlg::OnClearList);
}

CPage1Dlg::~CPage1Dlg() = default;

void CPage1Dlg::OnSetActive() {
    SetWizardButtons(PSWIZB_NEXT);
    if (!m_bFirstActive) return;
    m_bFirstActive = false;

    m_btnRecurse->setChecked(true);
    m_bRecurse = 1;
    m_btnReference->setChecked(false);
    m_bReference = 0;
    m_editMask->setText(QStringLiteral("*.*"));
    m_strMask = QStringLiteral("*.*");

    m_listFolders->setColumnCount(4);
    m_listFolders->setHeaderLabels({QStringLiteral("File / Folder"), QStringLiteral("File Masks"),
                                    QStringLiteral("Subdir"), QStringLiteral("Reference")});
    m_listFolders->headerItem()->setTextAlignment(2, Qt::AlignCenter);
    m_listFolders->headerItem()->setTextAlignment(3, Qt::AlignCenter);
    QHeaderView* pHeader = m_listFolders->header();
    pHeader->setSectionsClickable(false);
    pHeader->setStretchLastSection(false);
    // The folder takes the room the others leave; long paths lose their middle, not the end.
    pHeader->setSectionResizeMode(0, QHeaderView::Stretch);
    m_listFolders->setTextElideMode(Qt::ElideMiddle);
    const double dScale = std::max(1.0, fontMetrics().averageCharWidth() / 6.0);
    m_listFolders->setColumnWidth(1, int(100 * dScale));
    for (const auto& [nColumn, strHeading] :
         {std::pair{2, QStringLiteral("Subdir")}, std::pair{3, QStringLiteral("Reference")}})
        m_listFolders->setColumnWidth(
            nColumn, std::max(int(40 * dScale), fontMetrics().horizontalAdvance(strHeading) +
                                                    4 * int(dScale) * 6));
    m_listFolders->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listFolders->setAllColumnsShowFocus(true);

    CFileDropListCtrl::DROPLISTMODE mode;
    mode.iMask = CFileDropListCtrl::DROPLISTMODE::DL_ACCEPT_FILES |
                 CFileDropListCtrl::DROPLISTMODE::DL_ACCEPT_FOLDERS |
                 CFileDropListCtrl::DROPLISTMODE::DL_USE_CALLBACK;
    mode.pfnCallback = FolderDropCallback;
    m_listFolders->SetDropMode(mode);
}

bool CPage1Dlg::OnQueryCancel() {
    return QueryQuitWizard(m_host.GetPrompt());
}

bool CPage1Dlg::validatePage() {
    if (m_listFolders->topLevelItemCount() > 0) return true;
    m_host.GetPrompt().Tell(QStringLiteral("Folders list is empty.\nPlease select at least one "
                                           "folder before continuing."),
                            QStringLiteral("Empty List"), IPrompt::ICON_ERROR);
    return false;
}

std::vector<CFolderRow> CPage1Dlg::GetFolderRows() const {
    std::vector<CFolderRow> rows;
    for (int i = 0; i < m_listFolders->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* pItem = m_listFolders->topLevelItem(i);
        CFolderRow row;
        row.strFolder = m_listFolders->GetItemPath(i).toStdString();
        row.strMasks = QFile::encodeName(pItem->text(1)).toStdString();
        row.strSubdir = pItem->text(2).toStdString();
        row.bReference = pItem->text(3) == QLatin1String("Yes");
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CPage1Dlg::AddFolder(const QByteArray& strPath) {
    return AddFolderRow(*m_listFolders, strPath, m_strMask, m_bRecurse, m_bReference);
}

void CPage1Dlg::OnBrowseFolder() {
    CDirDialog dlg(m_fnBrowseFolder);
    dlg.m_strTitle = QStringLiteral("Select folder to add to search list");
    dlg.m_strWindowTitle = QStringLiteral("Browse Folder");
    if (dlg.DoBrowse(this) != 1) return;
    // A name the file system would not know again (a symbolic link, a text that did not
    // survive the dialog's decoding) is never listed.
    if (GetDropItemType(dlg.m_strSelDir) != DL_TYPE_FOLDER) return;
    AddFolder(dlg.m_strSelDir);
}

void CPage1Dlg::OnFileManager() {
    if (m_fnOpenUrl) m_fnOpenUrl(QUrl::fromLocalFile(QDir::homePath()));
}

void CPage1Dlg::OnClearList() {
    if (m_host.GetPrompt().AskYesNo(QStringLiteral("Clear folders list.\nAre you sure?"),
                                    QStringLiteral("Clear List"), IPrompt::ICON_WARNING))
        m_listFolders->clear();
}
