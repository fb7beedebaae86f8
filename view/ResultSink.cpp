#include "ResultSink.h"

#include <QMetaObject>

#include <memory>

#include "ResultModel.h"

void CResultSink::Clear() {
    CResultModel* pModel = m_pModel;
    QMetaObject::invokeMethod(pModel, [pModel] { pModel->BeginFill(); }, Qt::QueuedConnection);
}

void CResultSink::Append(std::vector<CResultRow>&& batch) {
    if (batch.empty()) return;
    // The rows become the model's items here, on the caller's thread: the user-interface
    // thread only appends.
    auto pItems = std::make_shared<std::vector<CResultItem>>();
    pItems->reserve(batch.size());
    for (CResultRow& row : batch) pItems->push_back(CResultModel::MakeItem(std::move(row)));
    batch = {};
    CResultModel* pModel = m_pModel;
    QMetaObject::invokeMethod(
        pModel, [pModel, pItems] { pModel->AppendItems(std::move(*pItems)); },
        Qt::QueuedConnection);
}

void CResultSink::End() {
    CResultModel* pModel = m_pModel;
    QMetaObject::invokeMethod(pModel, [pModel] { pModel->EndRows(); }, Qt::QueuedConnection);
}
