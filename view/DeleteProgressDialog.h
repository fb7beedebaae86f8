// The progress of a delete as a dialog.
#pragma once

#include <QtGlobal>

#include <cstdint>

#include "Removal.h"

class QProgressDialog;
class QString;
class QWidget;

// A window-modal progress dialog with a Cancel button that shows only when the delete takes
// longer than half a second.
class CProgressDialogProgress : public IDeleteProgress {
public:
    explicit CProgressDialogProgress(QWidget* pParent) : m_pParent(pParent) {}
    ~CProgressDialogProgress() override;
    void Begin(int nTotal, bool bToTrash) override;
    bool Step(int nDone) override;
    void End() override;
    void BeginCheck(std::uint64_t nTotalBytes) override;
    bool StepCheck(std::uint64_t nDoneBytes) override;

private:
    void Open(const QString& strLabel, int nMaximum);

    QWidget* m_pParent;
    std::uint64_t m_nCheckBytes = 0;
    QProgressDialog* m_pDialog = nullptr;
    qint64 m_nLastUpdate = 0;
};
