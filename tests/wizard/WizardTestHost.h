// A stand-in for the main window: records status texts, answers questions from a script,
// and receives rows the way the real view does (queued to the user-interface thread).
#pragma once

#include <QApplication>
#include <QString>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Prompt.h"
#include "QtTestSupport.h"
#include "ResultRow.h"
#include "WizardHost.h"

class CRecordingSink : public QObject, public IResultSink {
public:
    void Clear() override;
    void Append(std::vector<CResultRow>&& batch) override;
    void End() override;

    std::vector<CResultRow> m_rows;  // user-interface thread only
    int m_nEnds = 0;
    std::atomic<int> m_nCallsOnGuiThread{0};

private:
    template <class F>
    void Queue(F&& fn);
};

class CTestHost : public IWizardHost {
public:
    CTestHost();
    ~CTestHost() override;
    QWidget* GetHostWindow() override { return &m_window; }
    void SetMessageText(int nStringId) override;
    void UpdateTitle() override;
    IResultSink& GetResultSink() override { return m_sink; }
    IPrompt& GetPrompt() override { return m_prompt; }

    QString Title() const { return m_window.windowTitle(); }
    // Answers for the next questions, in order.
    void Answer(std::initializer_list<bool> answers) {
        for (bool bYes : answers) m_prompt.PushAnswer(bYes);
    }

    QWidget m_window;
    CRecordingSink m_sink;
    CScriptedPrompt m_prompt;
    std::vector<int> m_statusIds;
    bool m_bStatusOffGuiThread = false;
};

// The title a finished search leaves, as the main window forms it.
QString MatchTitle(int nMatched, int nFiles);
