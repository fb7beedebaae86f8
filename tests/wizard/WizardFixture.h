// A wizard run driven as a user would (shown offscreen, buttons clicked, folders dropped) for
// a stand-in main window that records status texts, answers questions from a script and
// receives rows queued to the user-interface thread, as the real view does.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <memory>

#include "FileDropListCtrl.h"
#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "Page3Dlg.h"
#include "QtTestSupport.h"
#include "SearchWizard.h"
#include "TempTree.h"
#include "ThreadHandoff.h"
#include "WizardHost.h"

inline bool OnGuiThread() {
    return QThread::currentThread() == qApp->thread();
}

// Like the view's sink: every call is queued to the user-interface thread, in call order, and
// the rows travel inside the call so the worker keeps nothing it could touch later.
class CRecordingSink : public QObject, public IResultSink {
public:
    void Clear() override {
        Queue([this] { m_rows.clear(); });
    }
    void Append(std::vector<CResultRow>&& batch) override {
        Queue([this, rows = std::move(batch)] {
            m_rows.insert(m_rows.end(), rows.begin(), rows.end());
        });
    }
    void End() override {
        Queue([] {});
    }

    std::vector<CResultRow> m_rows;  // user-interface thread only
    std::atomic<int> m_nCallsOnGuiThread{0};

private:
    template <class F>
    void Queue(F&& fn) {
        if (OnGuiThread()) ++m_nCallsOnGuiThread;
        HandoffPost(this, [this, &fn] {
            QMetaObject::invokeMethod(
                this,
                [this, fn = std::move(fn)] {
                    HandoffReceive(this);
                    fn();
                },
                Qt::QueuedConnection);
        });
    }
};

class CTestHost : public IWizardHost {
public:
    QWidget* GetHostWindow() override { return &m_window; }
    void SetMessageText(int nStringId) override {
        if (!OnGuiThread()) m_bStatusOffGuiThread = true;
        m_statusIds.push_back(nStringId);
    }
    IResultSink& GetResultSink() override { return m_sink; }
    IPrompt& GetPrompt() override { return m_prompt; }
    void OnSearchEnded(const CSearchOutcome& outcome) override { m_outcomes.push_back(outcome); }

    // Answers for the next questions, in order.
    void Answer(std::initializer_list<bool> answers) {
        for (bool bYes : answers) m_prompt.PushAnswer(bYes);
    }
    // The last question or message as "caption: text".
    QString LastAsked() const {
        return m_prompt.m_asked.back().strCaption + ": " + m_prompt.m_asked.back().strText;
    }

    QWidget m_window;
    CRecordingSink m_sink;
    CScriptedPrompt m_prompt;
    std::vector<int> m_statusIds;
    std::vector<CSearchOutcome> m_outcomes;  // every search that reached the matching phase
    bool m_bStatusOffGuiThread = false;
};

// Drops local paths (every byte outside the unreserved set percent-encoded, as a file manager
// does) and other URLs.
inline void DropOnList(CFileDropListCtrl& list, const std::vector<std::string>& paths,
                       const QList<QUrl>& extraUrls = {}) {
    QList<QUrl> urls;
    for (const std::string& strPath : paths) {
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

class CWizardTest : public ::testing::Test {
protected:
    // No folder browser or file manager unless a test hands its own.
    void SetUp() override {
        m_services.fnBrowseFolder = [](QWidget*, const QString&, const QString&) {
            ADD_FAILURE() << "folder browser opened";
            return QString();
        };
        m_services.fnOpenUrl = [](const QUrl&) {
            return ADD_FAILURE() << "file manager started", false;
        };
    }
    void TearDown() override {
        m_pWizard.reset();
        EXPECT_TRUE(!m_host.m_pPage1 && !m_host.m_pPage2 && !m_host.m_pPage3);
        EXPECT_TRUE(m_host.m_prompt.m_answers.empty()) << "scripted answers left unused";
        EXPECT_EQ(m_host.m_prompt.m_nUnexpected, 0) << "questions nobody expected";
        EXPECT_FALSE(m_host.m_bStatusOffGuiThread);
        EXPECT_EQ(m_host.m_sink.m_nCallsOnGuiThread, 0) << "rows written on the GUI thread";
    }

    // Opens a fresh wizard run on page 1.
    void OpenWizard() {
        m_pWizard = std::make_unique<CSearchWizard>(m_host, m_services);
        Sheet().show();
        Settle();
    }
    void CloseWizard() { m_pWizard.reset(); }
    static void Settle() { QCoreApplication::processEvents(), QCoreApplication::processEvents(); }

    CWizardSheet& Sheet() const { return m_pWizard->GetSheet(); }
    CPage1Dlg& Page1() const { return *m_host.m_pPage1; }
    CPage2Dlg& Page2() const { return *m_host.m_pPage2; }
    CPage3Dlg& Page3() const { return *m_host.m_pPage3; }

    void Click(std::initializer_list<QWizard::WizardButton> buttons) {
        for (auto nWhich : buttons) Sheet().button(nWhich)->click(), Settle();
    }
    void Click(QWizard::WizardButton nWhich) { Click({nWhich}); }
    void DropPaths(const std::vector<std::string>& paths, const QList<QUrl>& extraUrls = {}) {
        DropOnList(*Page1().m_listFolders, paths, extraUrls);
    }
    std::vector<std::string> ListedFolders() const {
        std::vector<std::string> folders;
        for (const CFolderRow& row : Page1().GetFolderRows()) folders.push_back(row.strFolder);
        return folders;
    }
    // Drops one folder and goes on to the progress page; the search starts.
    void StartSearch(const std::string& strFolder) {
        DropPaths({strFolder});
        Click({QWizard::NextButton, QWizard::NextButton});
        ASSERT_EQ(Sheet().currentPage(), &Page3());
    }
    // Waits until the current search has ended (Back offered again).
    bool WaitSearchEnd() {
        QAbstractButton* pBack = Sheet().button(QWizard::BackButton);
        return WaitFor(
            [&] { return !Page3().IsSearching() && pBack->isVisible() && pBack->isEnabled(); },
            20000);
    }

    CTempTree m_tree;
    CTestHost m_host;
    CWizardServices m_services;  // handed to the next OpenWizard
    std::unique_ptr<CSearchWizard> m_pWizard;
};
