#include "WizardTestHost.h"

#include <QMetaObject>
#include <gtest/gtest.h>

#include "SearchState.h"

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
