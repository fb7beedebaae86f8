#include "WizardFixture.h"

#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>

#include "SearchState.h"
#include "ThreadHandoff.h"

namespace {
bool OnGuiThread() {
    return QThread::currentThread() == qApp->thread();
}
}  // namespace

// Like the view's sink: every call is queued to the user-interface thread, in call order.
template <class F>
void CRecordingSink::Queue(F&& fn) {
    if (OnGuiThread()) ++m_nCallsOnGuiThread;
    HandoffPost(this, [this, &fn] {
        QMetaObject::invokeMethod(
            this,
            [this, fn = std::move(fn)]() mutable {
                HandoffReceive(this);
                fn();
            },
            Qt::QueuedConnection);
    });
}

void CRecordingSink::Clear() {
    Queue([this] { m_rows.clear(); });
}

void CRecordingSink::Append(std::vector<CResultRow>&& batch) {
    // The rows travel inside the call: the worker keeps nothing it could touch later.
    Queue([this, rows = std::move(batch)]() mutable {
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
    });
}

void CRecordingSink::End() {
    Queue([] {});
}

void CTestHost::SetMessageText(int nStringId) {
    if (!OnGuiThread()) m_bStatusOffGuiThread = true;
    m_statusIds.push_back(nStringId);
}

void DropOnList(CFileDropListCtrl& list, const std::vector<std::string>& paths,
                const QList<QUrl>& extraUrls) {
    QList<QUrl> urls;
    for (const std::string& strPath : paths) {
        // Every byte outside the unreserved set percent-encoded.
        const QByteArray encoded = QByteArray::fromStdString(strPath).toPercentEncoding("/");
        urls.push_back(QUrl("file://" + QString::fromLatin1(encoded), QUrl::StrictMode));
    }
    urls += extraUrls;
    QMimeData mime;
    mime.setUrls(urls);
    QWidget* pTarget = list.viewport();
    const QPoint pos = pTarget->rect().center();
    const auto actions = Qt::CopyAction | Qt::LinkAction;
    QDragEnterEvent enter(pos, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(pos), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &drop);
}

void CWizardTest::SetUp() {
    m_services.fnBrowseFolder = [](QWidget*, const QString&, const QString&) {
        ADD_FAILURE() << "folder browser opened";
        return QString();
    };
    m_services.fnOpenUrl = [](const QUrl&) {
        ADD_FAILURE() << "file manager started";
        return false;
    };
}

void CWizardTest::TearDown() {
    m_pWizard.reset();
    EXPECT_EQ(m_host.m_pPage1, nullptr);
    EXPECT_EQ(m_host.m_pPage2, nullptr);
    EXPECT_EQ(m_host.m_pPage3, nullptr);
    EXPECT_TRUE(m_host.m_prompt.m_answers.empty()) << "scripted answers left unused";
    EXPECT_EQ(m_host.m_prompt.m_nUnexpected, 0) << "questions nobody expected";
    EXPECT_FALSE(m_host.m_bStatusOffGuiThread);
    EXPECT_EQ(m_host.m_sink.m_nCallsOnGuiThread, 0) << "rows written on the GUI thread";
}

void CWizardTest::OpenWizard() {
    m_pWizard = std::make_unique<CSearchWizard>(m_host, m_services);
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

std::vector<std::string> CWizardTest::ListedFolders() const {
    std::vector<std::string> folders;
    for (const CFolderRow& row : Page1().GetFolderRows()) folders.push_back(row.strFolder);
    return folders;
}

void CWizardTest::StartSearch(const std::string& strFolder) {
    DropPaths({strFolder});
    Click({QWizard::NextButton, QWizard::NextButton});
    ASSERT_EQ(Sheet().currentPage(), &Page3());
}

bool CWizardTest::WaitSearchEnd(int nTimeoutMs) {
    return WaitFor([this] { return !Page3().IsSearching() && Usable(QWizard::BackButton); },
                   nTimeoutMs);
}
