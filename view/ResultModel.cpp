#include "ResultModel.h"

#include <QItemSelectionModel>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "Format.h"
#include "PathText.h"
#include "ResTables.h"
#include "ResultSort.h"

namespace {

// Above this many separate runs of removed rows, one model reset is cheaper than one removal
// per run (each of which moves the tail of the row array).
constexpr std::size_t MAX_REMOVAL_RUNS = 32;

}  // namespace

QVariant LinkTip(const CLinkMark* pMark) {
    if (!pMark) return QVariant();
    return LoadResString(pMark->nKind == LINK_HARD ? IDS_LINKED_HARD_TIP : IDS_LINKED_CLONE_TIP)
        .arg(DisplayPath(pMark->strTo));
}

CResultModel::CResultModel(QObject* pParent)
    : QAbstractTableModel(pParent),
      m_pSelection(new QItemSelectionModel(this, this)) {}

CResultModel::~CResultModel() = default;

int CResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : GetRowCount();
}

int CResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : COL_COUNT;
}

std::string CResultModel::GetCellText(int nRow, int nColumn) const {
    const CResultItem& item = GetItem(nRow);
    switch (nColumn) {
    case COL_SOURCE_MODIFIED: return FormatFileTime(item.m_tSource);
    case COL_TARGET_MODIFIED: return FormatFileTime(item.m_tTarget);
    case COL_SIZE: return FormatFileSize(item.m_nSize);
    default: return std::string(item.GetPathCell(nColumn));
    }
}

QVariant CResultModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || index.row() >= GetRowCount()) return QVariant();
    const int nColumn = index.column();
    const CResultItem& item = GetItem(index.row());
    switch (nRole) {
    case Qt::DisplayRole:
        switch (nColumn) {
        case COL_SOURCE_MODIFIED:
        case COL_TARGET_MODIFIED:
        case COL_SIZE: return QString::fromLocal8Bit(GetCellText(index.row(), nColumn));
        default: return CellText(item.GetPathCell(nColumn));
        }
    case Qt::DecorationRole:
        if (nColumn == COL_TARGET) {
            if (item.m_bTargetReference) return m_icons.GetReferenceMark();
            if (FindLink(item.m_strTargetPath)) return m_icons.GetLinkMark();
            return QVariant();
        }
        if (nColumn != COL_SOURCE) return QVariant();
        if (item.m_nIcon < 0) item.m_nIcon = m_icons.GetIndex(item.m_strSourcePath);
        if (item.m_bSourceReference) return m_icons.GetReferenceIcon(item.m_nIcon);
        if (FindLink(item.m_strSourcePath)) return m_icons.GetLinkedIcon(item.m_nIcon);
        return m_icons.GetIcon(item.m_nIcon);
    case Qt::ToolTipRole:
        if ((nColumn == COL_SOURCE && item.m_bSourceReference) ||
            (nColumn == COL_TARGET && item.m_bTargetReference))
            return LoadResString(IDS_REFERENCE_TIP);
        if (nColumn == COL_SOURCE || nColumn == COL_TARGET)
            return LinkTip(FindLink(nColumn == COL_SOURCE ? item.m_strSourcePath
                                                          : item.m_strTargetPath));
        return QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(
            (nColumn == COL_SIZE ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    default: return QVariant();
    }
}

QVariant CResultModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= COL_COUNT) return QVariant();
    if (nRole == Qt::DisplayRole) return LoadResString(IDS_COL_SOURCE + nSection);
    if (nRole == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (nSection == COL_SIZE ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return QVariant();
}

void CResultModel::SetItemData(int nRow, std::uint32_t nData) {
    m_rows[static_cast<std::size_t>(nRow)].m_nItemData = nData;
}

void CResultModel::Clear() {
    beginResetModel();
    m_links.Clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
    emit SortOrderLost();
}

void CResultModel::AppendRows(std::vector<CResultRow>&& batch) {
    std::vector<CResultItem> items;
    items.reserve(batch.size());
    for (CResultRow& row : batch) items.push_back(MakeItem(std::move(row)));
    batch = {};
    AppendItems(std::move(items));
}

void CResultModel::AppendItems(std::vector<CResultItem>&& batch) {
    if (batch.empty()) return;
    const int nFirst = GetRowCount();
    beginInsertRows(QModelIndex(), nFirst, nFirst + static_cast<int>(batch.size()) - 1);
    if (m_rows.empty())
        m_rows = std::move(batch);
    else
        std::move(batch.begin(), batch.end(), std::back_inserter(m_rows));
    endInsertRows();
    emit SortOrderLost();
}

void CResultModel::MarkLinked(const std::vector<std::string>& paths,
                               const std::vector<std::string>& linkedTo, ELinkKind nKind) {
    if (paths.empty()) return;
    for (std::size_t i = 0; i < paths.size() && i < linkedTo.size(); ++i)
        m_links.Mark(paths[i], nKind, linkedTo[i]);
    if (!m_rows.empty())
        emit dataChanged(index(0, COL_SOURCE), index(GetRowCount() - 1, COL_TARGET),
                         {Qt::DecorationRole, Qt::ToolTipRole});
    emit LinksChanged();
}

void CResultModel::BeginFill() {
    Clear();
    emit FillStarted();
}

void CResultModel::EndRows() { emit RowsEnded(); }

int CResultModel::RemoveRowsIf(const std::function<bool(const CResultItem&)>& pred) {
    const std::size_t n = m_rows.size();
    std::vector<char> remove(n);
    std::vector<std::pair<int, int>> runs;  // first, last of each run of removed rows
    for (std::size_t i = 0; i < n; ++i) {
        if (!pred(m_rows[i])) continue;
        remove[i] = 1;
        const int nRow = static_cast<int>(i);
        if (!runs.empty() && runs.back().second == nRow - 1)
            runs.back().second = nRow;
        else
            runs.emplace_back(nRow, nRow);
    }
    if (runs.empty()) return 0;

    int nRemoved = 0;
    for (const auto& [nFirst, nLast] : runs) nRemoved += nLast - nFirst + 1;

    if (runs.size() <= MAX_REMOVAL_RUNS) {
        // From the back, so the earlier runs' row numbers stay valid.
        for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
            beginRemoveRows(QModelIndex(), it->first, it->second);
            m_rows.erase(m_rows.begin() + it->first, m_rows.begin() + it->second + 1);
            endRemoveRows();
        }
        return nRemoved;
    }

    // Many runs: compact in one pass and carry the selection over by hand.
    std::vector<int> selected = GetSelectedRows();
    std::vector<int> newRow(n, -1);
    int nNext = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (!remove[i]) newRow[i] = nNext++;

    beginResetModel();
    std::size_t nOut = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (remove[i]) continue;
        if (nOut != i) m_rows[nOut] = std::move(m_rows[i]);
        ++nOut;
    }
    m_rows.resize(nOut);
    endResetModel();

    QItemSelection selection;
    int nRunStart = -1, nRunEnd = -1;
    auto flush = [&] {
        if (nRunStart >= 0)
            selection.select(index(nRunStart, 0), index(nRunEnd, COL_COUNT - 1));
    };
    for (int nOld : selected) {
        const int nNew = newRow[static_cast<std::size_t>(nOld)];
        if (nNew < 0) continue;
        if (nRunStart >= 0 && nNew == nRunEnd + 1) {
            nRunEnd = nNew;
        } else {
            flush();
            nRunStart = nRunEnd = nNew;
        }
    }
    flush();
    if (!selection.isEmpty()) m_pSelection->select(selection, QItemSelectionModel::Select);
    return nRemoved;
}

bool CResultModel::IsSelected(int nRow) const {
    return m_pSelection->isSelected(index(nRow, 0));
}

void CResultModel::SetSelected(int nRow, bool bSelected) {
    m_pSelection->select(index(nRow, 0),
                         (bSelected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                             QItemSelectionModel::Rows);
}

std::vector<int> CResultModel::GetSelectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_pSelection->selection()) {
        if (range.left() > 0) continue;  // rows are selected whole; column 0 decides
        for (int nRow = range.top(); nRow <= range.bottom(); ++nRow) rows.push_back(nRow);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void CResultModel::SelectAll() {
    if (m_rows.empty()) return;
    // One fresh range over the whole table (what was selected before is inside it anyway): the
    // selection model carries exactly that shape through a sort without listing every row.
    m_pSelection->select(QItemSelection(index(0, 0), index(GetRowCount() - 1, COL_COUNT - 1)),
                         QItemSelectionModel::ClearAndSelect);
}

void CResultModel::OnColumnClick(int nColumn) {
    if (nColumn < 0 || nColumn >= COL_COUNT) return;
    if (nColumn == m_nSortColumn) {
        m_bSortAscending = !m_bSortAscending;
    } else {
        m_nSortColumn = nColumn;
        m_bSortAscending = true;
    }
    SortRows(m_nSortColumn, m_bSortAscending);
    emit Sorted(m_nSortColumn, m_bSortAscending);
}

void CResultModel::SortRows(int nColumn, bool bAscending) {
    const std::size_t n = m_rows.size();
    if (n < 2 || nColumn < 0 || nColumn >= COL_COUNT) return;

    const std::vector<std::uint32_t> order = SortOrder(m_rows, nColumn, bAscending);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<CResultItem> sorted;
    sorted.reserve(n);
    std::vector<int> newRow(n);
    for (std::size_t j = 0; j < n; ++j) {
        sorted.push_back(std::move(m_rows[order[j]]));
        newRow[order[j]] = static_cast<int>(j);
    }
    m_rows.swap(sorted);
    emit RowsReordered(newRow);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& idx : from)
        to.append(index(newRow[static_cast<std::size_t>(idx.row())], idx.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

