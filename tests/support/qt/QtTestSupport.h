// Helpers for the offscreen GUI suites: a prompt with scripted answers and WaitFor.
#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <vector>

#include "Prompt.h"

// Answers questions from a queue of preset answers and records every question and message.
// A question with no answer left is answered No, and counted in m_nUnexpected.
class CScriptedPrompt : public IPrompt {
public:
    struct CAsked {
        QString strText;
        QString strCaption;
        EIcon nIcon;
        bool bQuestion;  // false: a Tell
    };

    void PushAnswer(bool bYes) { m_answers.push_back(bYes); }
    bool AskYesNo(const QString& strText, const QString& strCaption, EIcon nIcon) override;
    void Tell(const QString& strText, const QString& strCaption, EIcon nIcon) override;

    std::vector<CAsked> m_asked;
    std::deque<bool> m_answers;
    int m_nUnexpected = 0;
};

// Runs the event loop until pred is true or nTimeoutMs passed; returns pred's last value.
bool WaitFor(const std::function<bool()>& pred, int nTimeoutMs = 5000);
