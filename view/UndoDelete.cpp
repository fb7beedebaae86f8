#include "UndoDelete.h"

#include <QItemSelectionModel>
#include <unordered_set>

void CDeleteJournal::RecordTrashDelete(
    const CResultModel& model, const std::vector<std::pair<std::string, std::string>>& moved) {
    if (!m_trashed.Record(moved)) return;
    std::unordered_set<std::string_view> originals;
    for (const CTrashedFile& file : m_trashed.GetFiles()) originals.insert(file.strOriginal);

    std::vector<CResultItem> rows;
    for (int i = 0; i < model.GetRowCount(); ++i) {
        const CResultItem& item = model.GetItem(i);
        if (originals.count(item.m_strSourcePath)) rows.push_back(item);
    }
    m_rows = std::move(rows);
    emit Changed();
}

void CDeleteJournal::Forget() {
    if (m_trashed.IsEmpty() && m_rows.empty()) return;
    m_trashed.Clear();
    m_rows.clear();
    emit Changed();
}

CDeleteJournal::COutcome CDeleteJournal::Undo(CResultModel& model, ITrash& trash) {
    CTrashJournal::COutcome restore = m_trashed.Restore(trash);
    COutcome outcome;
    outcome.nRestored = static_cast<int>(restore.restored.size());
    outcome.failures = std::move(restore.failures);
    const std::unordered_set<std::string_view> restored(restore.restored.begin(),
                                                         restore.restored.end());

    std::vector<CResultItem> back;
    for (CResultItem& item : m_rows)
        if (restored.count(item.m_strSourcePath)) back.push_back(std::move(item));
    outcome.nRowsBack = static_cast<int>(back.size());
    if (!back.empty()) {
        const int nFirst = model.GetRowCount();
        model.AppendItems(std::move(back));
        QItemSelectionModel* pSelection = model.GetSelectionModel();
        pSelection->clearSelection();
        pSelection->select(QItemSelection(model.index(nFirst, 0),
                                          model.index(model.GetRowCount() - 1, COL_COUNT - 1)),
                           QItemSelectionModel::Select);
    }

    m_rows.clear();
    emit Changed();
    return outcome;
}

CDeleteJournal& DeleteJournalOf(CResultModel& model) {
    auto* pJournal = model.findChild<CDeleteJournal*>(QString(), Qt::FindDirectChildrenOnly);
    if (!pJournal) pJournal = new CDeleteJournal(&model);
    return *pJournal;
}
