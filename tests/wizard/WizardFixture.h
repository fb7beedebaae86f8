// A wizard run driven as a user would (shown offscreen, buttons clicked, folders dropped) for
// a stand-in main window that records status texts, answers questions from a script and
// receives rows queued to the user-interface thread, as the real view does.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <memory>

#include "DirDialog.h"
#include "FileDropListCtrl.h"
#include "Page1Dlg.h"
#include "Page2Dlg.h"
#include "Page3Dlg.h"
#include "QtTestSupport.h"
#include "SearchWizard.h"
#include "TempTree.h"
#include "WizardHost.h"

class CRecordingSink : public QObject, public IResultSink {
public:
    void Clear() override;
    void Append(std::vector<CResultRow>&& batch) override;
    void End() override;

    std::vector<CResultRow> m_rows;  // user-interface thread only
    std::atomic<int> m_nCallsOnGuiThread{0};

private:
    template <class F>
    void Queue(F&& fn);
};

class CTestHost : public IWizardHost {
public:
    QWidget* GetHostWindow() override { return &m_window; }
    void SetMessageText(int nStringId) override;
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

// Drops local paths (exact bytes, percent-encoded as a file manager does) and other URLs.
void DropOnList(CFileDropListCtrl& list, const std::vector<std::string>& paths,
                const QList<QUrl>& extraUrls = {});

class CWizardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a fresh wizard run on page 1.
    void OpenWizard();
    void CloseWizard() { m_pWizard.reset(); }

    CWizardSheet& Sheet() const { return m_pWizard->GetSheet(); }
    CPage1Dlg& Page1() const { return *m_host.m_pPage1; }
    CPage2Dlg& Page2() const { return *m_host.m_pPage2; }
    CPage3Dlg& Page3() const { return *m_host.m_pPage3; }
    QAbstractButton* Button(QWizard::WizardButton nWhich) const { return Sheet().button(nWhich); }

    // Clicks a wizard button and lets the queued button states land.
    void Click(QWizard::WizardButton nWhich);
    void Click(std::initializer_list<QWizard::WizardButton> buttons) {
        for (auto nWhich : buttons) Click(nWhich);
    }
    // True when the button is shown and can be clicked.
    bool Usable(QWizard::WizardButton nWhich) const;
    void DropPaths(const std::vector<std::string>& paths, const QList<QUrl>& extraUrls = {}) {
        DropOnList(*Page1().m_listFolders, paths, extraUrls);
    }
    std::vector<std::string> ListedFolders() const;
    // Drops one folder and goes on to the progress page; the search starts.
    void StartSearch(const std::string& strFolder);
    // Waits until the current search has ended (Back and Finish offered).
    bool WaitSearchEnd(int nTimeoutMs = 20000);

    CTempTree m_tree;
    CTestHost m_host;
    // Handed to the next OpenWizard: no folder browser or file manager unless a test says so,
    // the engine's workers.
    CWizardServices m_services;
    std::unique_ptr<CSearchWizard> m_pWizard;
};
