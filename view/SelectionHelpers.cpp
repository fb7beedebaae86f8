#include "SelectionHelpers.h"

#include <QItemSelectionModel>
#include <algorithm>

#include "DuplicateSets.h"
#include "ResultModel.h"

namespace {

// Whether file a is kept rather than file b.
bool KeepsBefore(std::int64_t tA, std::string_view strA, std::int64_t tB, std::string_view strB,
                 EKeepRule nKeep) {
    if (tA != tB) return nKeep == KEEP_NEWEST ? tA > tB : tA < tB;
    return strA < strB;  // unsigned bytes: the same order whatever the locale
}

CSetRow SetRowOf(const CResultItem& item) {
    return {item.m_strSourcePath, item.m_strTargetPath, item.m_tSource, item.m_tTarget};
}

}  // namespace

std::vector<char> FindExtraCopies(std::size_t nRows,
                                  const std::function<CSetRow(std::size_t)>& fnRow,
                                  EKeepRule nKeep) {
    CDuplicateSets sets(nRows);
    std::vector<std::uint32_t> sourceOf(nRows);
    std::vector<std::int64_t> timeOf;  // by file id
    timeOf.reserve(nRows);
    auto note = [&](std::uint32_t nId, std::int64_t t) {
        if (nId == timeOf.size()) timeOf.push_back(t);
    };
    for (std::size_t i = 0; i < nRows; ++i) {
        const CSetRow row = fnRow(i);
        std::uint32_t nTarget;
        const std::uint32_t nSource = sets.AddPair(row.strSource, row.strTarget, nTarget);
        // Ids count up from 0, so a new source comes before a new target.
        note(nSource, row.tSource);
        note(nTarget, row.tTarget);
        sourceOf[i] = nSource;
    }

    const std::uint32_t nFiles = static_cast<std::uint32_t>(sets.GetFileCount());
    std::vector<std::uint32_t> kept(nFiles, CDuplicateSets::NONE);  // by set
    for (std::uint32_t nId = 0; nId < nFiles; ++nId) {
        std::uint32_t& nKept = kept[sets.Find(nId)];
        if (nKept == CDuplicateSets::NONE ||
            KeepsBefore(timeOf[nId], sets.GetPath(nId), timeOf[nKept], sets.GetPath(nKept), nKeep))
            nKept = nId;
    }

    std::vector<char> extra(nRows);
    for (std::size_t i = 0; i < nRows; ++i) extra[i] = kept[sets.Find(sourceOf[i])] != sourceOf[i];
    return extra;
}

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
        [&model](std::size_t i) { return SetRowOf(model.GetItem(static_cast<int>(i))); }, nKeep);
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
