#include "ResultSink.h"

#include <QMetaObject>

#include <memory>

#include "ResultModel.h"

void CResultSink::Clear() {
    CResultModel* pModel = m_pModel;
    QMetaObject::invokeMethod(pModel, [pModel] { pModel->Clear(); }, Qt::QueuedConnection);
}

void CResultSink::Append(std::vector<CResultRow>&& batch) {
    if (batch.empty()) return;
    // The queued call must be copyable; the batch itself is moved, never copied.
    auto pBatch = std::make_shared<std::vector<CResultRow>>(std::move(batch));
    CResultModel* pModel = m_pModel;
    QMetaObject::invokeMethod(
        pModel, [pModel, pBatch] { pModel->AppendRows(std::move(*pBatch)); },
        Qt::QueuedConnection);
}

void CResultSink::End() {
    CResultModel* pModel = m_pModel;
    QMetaObject::invokeMethod(pModel, [pModel] { pModel->EndRows(); }, Qt::QueuedConnection);
}
