#include "WizardTestHost.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <gtest/gtest.h>

#include "SearchState.h"

bool WaitFor(const std::function<bool()>& fnDone, int nTimeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!fnDone()) {
        if (timer.elapsed() > nTimeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void CScriptedPrompt::Answer(std::initializer_list<bool> answers) {
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

bool CScriptedPrompt::AskYesNo(const QString& strText, const QString& strCaption, EIcon nIcon) {
    m_asked.push_back({strText, strCaption, nIcon, true});
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << strText.toStdString();
        return false;
    }
    const bool bYes = m_answers.front();
    m_answers.pop_front();
    return bYes;
}

void CScriptedPrompt::Tell(const QString& strText, const QString& strCaption, EIcon nIcon) {
    m_asked.push_back({strText, strCaption, nIcon, false});
}

namespace {
bool OnGuiThread() { return QThread::currentThread() == qApp->thread(); }
}  // namespace

void CRecordingSink::Clear() {
    if (OnGuiThread()) ++m_nCallsOnGuiThread;
    QMetaObject::invokeMethod(this, [this] { m_rows.clear(); }, Qt::QueuedConnection);
}

void CRecordingSink::Append(std::vector<CResultRow>&& batch) {
    if (OnGuiThread()) ++m_nCallsOnGuiThread;
    QMetaObject::invokeMethod(
        this,
        [this, rows = std::move(batch)]() mutable {
            m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                          std::make_move_iterator(rows.end()));
        },
        Qt::QueuedConnection);
}

void CRecordingSink::End() {
    if (OnGuiThread()) ++m_nCallsOnGuiThread;
    QMetaObject::invokeMethod(this, [this] { ++m_nEnds; }, Qt::QueuedConnection);
}

CTestHost::CTestHost() { m_window.setWindowTitle(QStringLiteral("Twinex Version 1.0 RC1")); }

CTestHost::~CTestHost() = default;

void CTestHost::SetMessageText(int nStringId) {
    if (!OnGuiThread()) m_bStatusOffGuiThread = true;
    m_statusIds.push_back(nStringId);
}

void CTestHost::UpdateTitle() {
    m_window.setWindowTitle(MatchTitle(int(m_sink.m_rows.size()), g_nCollectedFiles));
}

QString MatchTitle(int nMatched, int nFiles) {
    return QStringLiteral("Twinex 1.0 RC1 - Matched %1 in %2 file(s)").arg(nMatched).arg(nFiles);
}
