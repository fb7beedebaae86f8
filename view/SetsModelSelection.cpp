// The sets model's check boxes: the selection of the rows whose source each file is, kept in
// step with the result model's selection model both ways.
#include <QItemSelectionModel>
#include <algorithm>

#include "ResultModel.h"
#include "SetsModel.h"

namespace {

// Beyond this many sets whose boxes change at once, the views are told to look at all of them.
constexpr std::size_t MAX_CHANGED_SETS = 64;

}  // namespace

void CSetsModel::OnRowsReordered(const std::vector<int>& newRow) {
    if (!m_bBuilt) return;
    m_table.Renumber(newRow);
    std::vector<char> rowSelected(m_rowSelected.size());
    for (std::size_t i = 0; i < newRow.size(); ++i)
        rowSelected[static_cast<std::size_t>(newRow[i])] = m_rowSelected[i];
    m_rowSelected.swap(rowSelected);
}

void CSetsModel::OnSelectionChanged(const QItemSelection& selected,
                                    const QItemSelection& deselected) {
    if (!m_bBuilt) return;
    std::vector<std::uint32_t> touched;  // sets whose files' boxes may have changed
    bool bMany = false;
    auto apply = [&](const QItemSelection& ranges, char bSelected) {
        for (const QItemSelectionRange& range : ranges) {
            if (range.left() > 0) continue;  // rows are selected whole; column 0 decides
            const auto nFirst = static_cast<std::size_t>(range.top());
            const auto nLast = std::min<std::size_t>(static_cast<std::size_t>(range.bottom()) + 1,
                                                     m_rowSelected.size());
            std::fill(m_rowSelected.begin() + nFirst, m_rowSelected.begin() + nLast, bSelected);
            bMany = bMany || touched.size() + (nLast - nFirst) > MAX_CHANGED_SETS * 16;
            for (auto nRow = nFirst; nRow < nLast && !bMany; ++nRow)
                touched.push_back(m_table.GetFileSet(m_table.GetRowFile(nRow)));
        }
    };
    apply(selected, 1);
    apply(deselected, 0);
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    if (bMany || touched.size() > MAX_CHANGED_SETS) {
        // A tree view finds a closed set's files by a search through all it shows, once per
        // change: past a few sets, asking it to look at everything again is far cheaper.
        emit layoutAboutToBeChanged();
        emit layoutChanged();
        return;
    }
    for (std::uint32_t nSet : touched) {
        if (m_position[nSet] == CSetTable::NONE) continue;  // one file left: not shown
        const QModelIndex parent = index(static_cast<int>(m_position[nSet]), 0);
        emit dataChanged(
            index(0, COL_NAME, parent),
            index(static_cast<int>(m_table.GetSetFiles(nSet).size()) - 1, COL_NAME, parent),
            {Qt::CheckStateRole});
    }
}

CSelectionSpace CSetsModel::GetSelectionSpace() {
    EnsureBuilt();
    CSelectionSpace space;
    std::vector<char> counted(m_table.GetFileCount());
    for (std::size_t nRow = 0; nRow < m_rowSelected.size(); ++nRow) {
        if (!m_rowSelected[nRow]) continue;
        const std::uint32_t nFile = m_table.GetRowFile(nRow);
        if (counted[nFile]) continue;  // rows that share a source count it once
        counted[nFile] = 1;
        ++space.nFiles;
        // A link shares its blocks with the copy it was made from: removing it frees nothing.
        if (!m_table.IsFileLinked(nFile)) space.nBytes += m_table.GetSetSize(m_table.GetFileSet(nFile));
    }
    return space;
}

Qt::CheckState CSetsModel::FileCheckState(std::uint32_t nFile) const {
    const auto rows = m_table.GetFileRows(nFile);
    const auto nSelected = std::count_if(
        rows.begin(), rows.end(), [this](std::uint32_t nRow) { return m_rowSelected[nRow] != 0; });
    if (nSelected == 0) return Qt::Unchecked;
    return nSelected == static_cast<std::ptrdiff_t>(rows.size()) ? Qt::Checked
                                                                 : Qt::PartiallyChecked;
}

bool CSetsModel::setData(const QModelIndex& index, const QVariant& value, int nRole) {
    const std::uint32_t nFile = FileAt(index);
    if (nRole != Qt::CheckStateRole || nFile == CSetTable::NONE) return false;
    const auto rows = m_table.GetFileRows(nFile);
    if (rows.empty()) return false;
    // One change of the shared selection, over runs of neighbouring rows.
    QItemSelection selection;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && rows[j] == rows[j - 1] + 1) ++j;
        selection.append(QItemSelectionRange(m_pRows->index(static_cast<int>(rows[i]), 0),
                                             m_pRows->index(static_cast<int>(rows[j - 1]), 0)));
        i = j;
    }
    const bool bCheck = value.toInt() == Qt::Checked;
    m_pRows->GetSelectionModel()->select(
        selection, (bCheck ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                       QItemSelectionModel::Rows);
    return true;
}
