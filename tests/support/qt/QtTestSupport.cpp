#include "QtTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

bool CScriptedPrompt::AskYesNo(const QString& strText, const QString& strCaption, EIcon nIcon) {
    m_asked.push_back({strText, strCaption, nIcon, true});
    if (m_answers.empty()) {
        ++m_nUnexpected;
        return false;
    }
    const bool bYes = m_answers.front();
    m_answers.pop_front();
    return bYes;
}

void CScriptedPrompt::Tell(const QString& strText, const QString& strCaption, EIcon nIcon) {
    m_asked.push_back({strText, strCaption, nIcon, false});
}

bool WaitFor(const std::function<bool()>& pred, int nTimeoutMs) {
    QDeadlineTimer deadline(nTimeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents();
        if (!pred()) QThread::msleep(1);
    }
    return true;
}
