#include "WizardFixture.h"

#include <QDropEvent>
#include <QMimeData>

#include "FileDropListCtrl.h"

void CWizardTest::SetUp() {
    m_fnSavedCollect = g_fnCollectFiles;
    m_fnSavedMatch = g_fnMatchFiles;
    m_fnSavedBrowse = g_fnBrowseFolder;
    m_fnSavedOpenUrl = g_fnOpenUrl;
    g_fnBrowseFolder = [](QWidget*, const QString&, const QString&) {
        ADD_FAILURE() << "folder browser opened";
        return QString();
    };
    g_fnOpenUrl = [](const QUrl&) {
        ADD_FAILURE() << "file manager started";
        return false;
    };
}

void CWizardTest::TearDown() {
    m_pWizard.reset();
    EXPECT_EQ(m_host.m_pPage1, nullptr);
    EXPECT_EQ(m_host.m_pPage3, nullptr);
    EXPECT_TRUE(m_host.m_prompt.m_answers.empty()) << "scripted answers left unused";
    EXPECT_EQ(m_host.m_prompt.m_nUnexpected, 0) << "questions nobody expected";
    EXPECT_FALSE(m_host.m_bStatusOffGuiThread);
    EXPECT_EQ(m_host.m_sink.m_nCallsOnGuiThread, 0) << "rows written on the GUI thread";
    g_fnCollectFiles = m_fnSavedCollect;
    g_fnMatchFiles = m_fnSavedMatch;
    g_fnBrowseFolder = m_fnSavedBrowse;
    g_fnOpenUrl = m_fnSavedOpenUrl;
}

void CWizardTest::OpenWizard() {
    m_pWizard = std::make_unique<CSearchWizard>(m_host);
    Sheet().show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void CWizardTest::Click(QWizard::WizardButton nWhich) {
    Button(nWhich)->click();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

bool CWizardTest::Usable(QWizard::WizardButton nWhich) const {
    QAbstractButton* pButton = Button(nWhich);
    return pButton && pButton->isVisible() && pButton->isEnabled();
}

void CWizardTest::DropPaths(const QList<QByteArray>& paths, const QList<QUrl>& extraUrls) {
    DropOnList(*Page1().m_listFolders, paths, extraUrls);
}

void DropOnList(CFileDropListCtrl& list, const QList<QByteArray>& paths,
                const QList<QUrl>& extraUrls) {
    QList<QUrl> urls;
    for (const QByteArray& strPath : paths) {
        // Every byte outside the unreserved set percent-encoded.
        urls.push_back(
            QUrl(QStringLiteral("file://") + QString::fromLatin1(strPath.toPercentEncoding("/")),
                 QUrl::StrictMode));
    }
    urls += extraUrls;
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* pTarget = list.viewport();
    const QPoint pos = pTarget->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &drop);
}

std::vector<std::string> CWizardTest::ListedFolders() const {
    std::vector<std::string> folders;
    for (const CFolderRow& row : Page1().GetFolderRows()) folders.push_back(row.strFolder);
    return folders;
}

void CWizardTest::StartSearch(const QByteArray& strFolder) {
    DropPaths({strFolder});
    Click(QWizard::NextButton);
    Click(QWizard::NextButton);
    ASSERT_EQ(Sheet().currentPage(), &Page3());
}

bool CWizardTest::WaitSearchEnd(int nTimeoutMs) {
    return WaitFor([this] { return !Page3().IsSearching() && Usable(QWizard::BackButton); },
                   nTimeoutMs);
}
