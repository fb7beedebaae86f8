#include "SelectionHelpers.h"

#include <QItemSelectionModel>
#include <algorithm>

#include "ResultModel.h"

namespace {

CSetRow SetRowOf(const CResultModel& model, const CResultItem& item) {
    return {item.m_strSourcePath,
            item.m_strTargetPath,
            item.m_tSource,
            item.m_tTarget,
            item.m_nSize == 0,
            item.m_bSourceReference,
            item.m_bTargetReference,
            model.FindLink(item.m_strSourcePath) != nullptr,
            model.FindLink(item.m_strTargetPath) != nullptr};
}

}  // namespace

int SelectFlaggedRows(CResultModel& model, const std::vector<char>& flags) {
    const int nRows = std::min(model.GetRowCount(), static_cast<int>(flags.size()));
    QItemSelection selection;
    int nSelected = 0;
    for (int i = 0; i < nRows;) {
        if (!flags[static_cast<std::size_t>(i)]) {
            ++i;
            continue;
        }
        const int nFirst = i;
        while (i < nRows && flags[static_cast<std::size_t>(i)]) ++i;
        selection.append(
            QItemSelectionRange(model.index(nFirst, 0), model.index(i - 1, COL_COUNT - 1)));
        nSelected += i - nFirst;
    }
    QItemSelectionModel* pSelection = model.GetSelectionModel();
    // Clearing first keeps Qt from comparing the old ranges with the new ones, which costs the
    // product of their numbers.
    pSelection->clearSelection();
    if (!selection.isEmpty()) pSelection->select(selection, QItemSelectionModel::Select);
    return nSelected;
}

int SelectExtraCopies(CResultModel& model, EKeepRule nKeep) {
    const std::vector<char> extra = FindExtraCopies(
        static_cast<std::size_t>(model.GetRowCount()),
        [&model](std::size_t i) { return SetRowOf(model, model.GetItem(static_cast<int>(i))); },
        nKeep);
    return SelectFlaggedRows(model, extra);
}

int SelectRowsInFolder(CResultModel& model, int nRow) {
    if (nRow < 0 || nRow >= model.GetRowCount()) return 0;
    const std::string_view strFolder = model.GetItem(nRow).GetSourceFolder();
    std::vector<char> flags(static_cast<std::size_t>(model.GetRowCount()));
    for (int i = 0; i < model.GetRowCount(); ++i)
        flags[static_cast<std::size_t>(i)] = model.GetItem(i).GetSourceFolder() == strFolder;
    return SelectFlaggedRows(model, flags);
}

int InvertSelection(CResultModel& model) {
    std::vector<char> flags(static_cast<std::size_t>(model.GetRowCount()), 1);
    for (int nRow : model.GetSelectedRows()) flags[static_cast<std::size_t>(nRow)] = 0;
    return SelectFlaggedRows(model, flags);
}
