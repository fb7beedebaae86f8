// Hands rows from the matching worker to the result model on the user-interface thread.
#pragma once

#include "ResultRow.h"

class CResultModel;

// Callable from any thread. Each call is queued to the model's thread in call order, so a
// batch becomes one insert there. The model must outlive the worker that calls this (the
// wizard joins its workers before it closes, and the model lives as long as the main window).
class CResultSink : public IResultSink {
public:
    explicit CResultSink(CResultModel* pModel) : m_pModel(pModel) {}
    void Clear() override;
    void Append(std::vector<CResultRow>&& batch) override;
    void End() override;

private:
    CResultModel* m_pModel;
};
