#include "WizardTestHost.h"

#include <gtest/gtest.h>

#include <QMetaObject>

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
    Queue([this] { ++m_nEnds; });
}

CTestHost::CTestHost() {
    m_window.setWindowTitle(QStringLiteral("Twinex Version 1.0 RC1"));
}

CTestHost::~CTestHost() = default;

void CTestHost::SetMessageText(int nStringId) {
    if (!OnGuiThread()) m_bStatusOffGuiThread = true;
    m_statusIds.push_back(nStringId);
}

void CTestHost::UpdateTitle() {
    ADD_FAILURE() << "the wizard sets the title itself";
}

QString MatchTitle(int nMatched, int nFiles) {
    return QStringLiteral("Twinex 1.0 RC1 - Matched %1 in %2 file(s)").arg(nMatched).arg(nFiles);
}
