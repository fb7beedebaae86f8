#include "DeleteProgressDialog.h"

#include <QDateTime>
#include <QProgressDialog>

#include <algorithm>

#include "ResTables.h"
#include "Resource.h"

namespace {

constexpr int PROGRESS_SHOW_AFTER_MS = 500;
constexpr qint64 PROGRESS_UPDATE_MS = 50;
constexpr int CHECK_PROGRESS_STEPS = 1000;

}  // namespace

CProgressDialogProgress::~CProgressDialogProgress() { End(); }

void CProgressDialogProgress::Open(const QString& strLabel, int nMaximum) {
    End();
    m_pDialog = new QProgressDialog(strLabel, LoadResString(IDS_CANCEL), 0, nMaximum, m_pParent);
    m_pDialog->setWindowModality(Qt::WindowModal);
    m_pDialog->setMinimumDuration(PROGRESS_SHOW_AFTER_MS);
    m_pDialog->setAutoClose(false);
    m_pDialog->setAutoReset(false);
    m_pDialog->setValue(0);
    m_nLastUpdate = QDateTime::currentMSecsSinceEpoch();
}

QString CProgressDialogProgress::ActingText(bool bToTrash) const {
    if (!m_strActing.isEmpty()) return m_strActing;
    return LoadResString(bToTrash ? IDS_TRASH_PROGRESS : IDS_DELETE_PROGRESS);
}

void CProgressDialogProgress::Begin(int nTotal, bool bToTrash) {
    // The check's dialog may have been shown already: the change goes on in the same one.
    if (m_pDialog) {
        m_pDialog->setLabelText(ActingText(bToTrash));
        m_pDialog->setMaximum(nTotal);
        m_pDialog->setValue(0);
        return;
    }
    Open(ActingText(bToTrash), nTotal);
}

void CProgressDialogProgress::BeginCheck(std::uint64_t nTotalBytes) {
    m_nCheckBytes = nTotalBytes;
    Open(LoadResString(IDS_CHECK_PROGRESS), CHECK_PROGRESS_STEPS);
}

bool CProgressDialogProgress::StepCheck(std::uint64_t nDoneBytes) {
    if (!m_nCheckBytes) return Step(0);
    const double fDone = static_cast<double>(std::min(nDoneBytes, m_nCheckBytes)) /
                         static_cast<double>(m_nCheckBytes);
    return Step(static_cast<int>(fDone * CHECK_PROGRESS_STEPS));
}

bool CProgressDialogProgress::Step(int nDone) {
    if (!m_pDialog) return true;
    // Each update runs the event loop; a few per second are enough to draw and to see Cancel.
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    if (nNow - m_nLastUpdate >= PROGRESS_UPDATE_MS || nDone == m_pDialog->maximum()) {
        m_nLastUpdate = nNow;
        m_pDialog->setValue(nDone);
    }
    return !m_pDialog->wasCanceled();
}

void CProgressDialogProgress::End() {
    delete m_pDialog;
    m_pDialog = nullptr;
}
