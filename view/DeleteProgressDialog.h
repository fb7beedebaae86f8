// The progress of a delete, or of another change of the planned files, as a dialog.
#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>

#include "Removal.h"

class QProgressDialog;
class QWidget;

// A window-modal progress dialog with a Cancel button that shows only when the change takes
// longer than half a second. strActing says what is done after the check ("" for a delete:
// the dialog then says whether files go to the Trash).
class CProgressDialogProgress : public IDeleteProgress {
public:
    explicit CProgressDialogProgress(QWidget* pParent, QString strActing = QString())
        : m_pParent(pParent), m_strActing(std::move(strActing)) {}
    ~CProgressDialogProgress() override;
    void Begin(int nTotal, bool bToTrash) override;
    bool Step(int nDone) override;
    void End() override;
    void BeginCheck(std::uint64_t nTotalBytes) override;
    bool StepCheck(std::uint64_t nDoneBytes) override;

private:
    void Open(const QString& strLabel, int nMaximum);

    QString ActingText(bool bToTrash) const;

    QWidget* m_pParent;
    QString m_strActing;
    std::uint64_t m_nCheckBytes = 0;
    QProgressDialog* m_pDialog = nullptr;
    qint64 m_nLastUpdate = 0;
};
