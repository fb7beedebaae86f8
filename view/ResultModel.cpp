#include "ResultModel.h"

#include <QFile>
#include <QItemSelectionModel>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "FileIcons.h"
#include "Format.h"
#include "ResTables.h"
#include "ResultSink.h"

namespace {

constexpr unsigned char LowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

QString DecodePath(std::string_view bytes) {
    // Lossy only for display: the exact bytes stay in the row for every action.
    QString strText = QFile::decodeName(
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // A newline or tab in a name would cut the cell short or hide the rest of the name;
    // show control characters escaped, as twinex-cli's table does.
    if (std::none_of(strText.cbegin(), strText.cend(),
                     [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        return strText;
    QString strEscaped;
    strEscaped.reserve(strText.size() + 8);
    for (QChar c : strText) {
        const ushort n = c.unicode();
        if (n == '\n') strEscaped += QLatin1String("\\n");
        else if (n == '\t') strEscaped += QLatin1String("\\t");
        else if (n < 0x20 || n == 0x7f)
            strEscaped += QStringLiteral("\\x%1").arg(n, 2, 16, QLatin1Char('0'));
        else strEscaped += c;
    }
    return strEscaped;
}

// Above this many separate runs of removed rows, one model reset is cheaper than one removal
// per run (each of which moves the tail of the row array).
constexpr std::size_t MAX_REMOVAL_RUNS = 32;

std::string_view TextKey(const CResultItem& item, int nColumn) {
    switch (nColumn) {
    case COL_SOURCE: return item.GetSourceName();
    case COL_SOURCE_FOLDER: return item.GetSourceFolder();
    case COL_TARGET: return item.GetTargetName();
    case COL_TARGET_FOLDER: return item.GetTargetFolder();
    default: return {};
    }
}

bool IsTextColumn(int nColumn) {
    return nColumn == COL_SOURCE || nColumn == COL_SOURCE_FOLDER || nColumn == COL_TARGET ||
           nColumn == COL_TARGET_FOLDER;
}

// 'A'-'Z' to 'a'-'z' in all eight bytes of x at once; other bytes unchanged.
std::uint64_t LowerAscii8(std::uint64_t x) {
    constexpr std::uint64_t ONES = 0x0101010101010101ull;
    const std::uint64_t nLow7 = x & (0x7F * ONES);
    const std::uint64_t nAtLeastA = nLow7 + (0x80 - 'A') * ONES;  // high bit: byte >= 'A'
    const std::uint64_t nAboveZ = nLow7 + (0x80 - 'Z' - 1) * ONES;  // high bit: byte > 'Z'
    const std::uint64_t nUpper = nAtLeastA & ~nAboveZ & ~x & (0x80 * ONES);
    return x | (nUpper >> 2);
}

// A hash of the lowered bytes, eight at a time: texts equal under CompareNoCase hash alike.
std::uint64_t HashNoCase(std::string_view s) {
    std::uint64_t h = s.size() * 0x9E3779B97F4A7C15ull;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (h ^ LowerAscii8(w)) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    if (i < s.size()) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.data() + i, s.size() - i);
        h = (h ^ LowerAscii8(w)) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    return h;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           (std::memcmp(a.data(), b.data(), a.size()) == 0 || CompareNoCase(a, b) == 0);
}

// The first 8 bytes (lowered) from nSkip on, big-endian and zero-padded: for texts without NUL
// bytes, comparing these numbers orders like CompareNoCase over those bytes.
std::uint64_t PrefixKey(std::string_view s, std::size_t nSkip) {
    std::uint64_t nKey = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::size_t nPos = nSkip + i;
        const unsigned char c =
            nPos < s.size() ? LowerAscii(static_cast<unsigned char>(s[nPos])) : 0;
        nKey = (nKey << 8) | c;
    }
    return nKey;
}

// The rank of every row's text in nColumn among the column's distinct texts (under
// CompareNoCase). Rows often share a folder, so the distinct texts are found first with a hash
// table and only they are sorted; each row's text is read once. Linear apart from that sort.
std::vector<std::uint32_t> RankTexts(const std::vector<CResultItem>& rows, int nColumn) {
    const std::size_t n = rows.size();
    std::vector<std::uint32_t> ids(n);
    std::vector<std::string_view> distinct;  // by id

    struct CSlot {
        std::uint64_t nHash;
        std::uint32_t nId;  // EMPTY: free
    };
    constexpr std::uint32_t EMPTY = UINT32_MAX;
    // Grows with the distinct texts, so a column of few folders keeps a table that fits the cache.
    std::vector<CSlot> table(1024, CSlot{0, EMPTY});
    std::size_t nMask = table.size() - 1;
    auto place = [&](std::uint64_t h, std::uint32_t nId) {
        std::size_t k = h & nMask;
        while (table[k].nId != EMPTY) k = (k + 1) & nMask;
        table[k] = {h, nId};
    };
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view text = TextKey(rows[i], nColumn);
        const std::uint64_t h = HashNoCase(text);
        std::size_t k = h & nMask;
        for (;; k = (k + 1) & nMask) {
            const CSlot& slot = table[k];
            if (slot.nId == EMPTY) break;
            if (slot.nHash == h && EqualNoCase(distinct[slot.nId], text)) break;
        }
        if (table[k].nId != EMPTY) {
            ids[i] = table[k].nId;
            continue;
        }
        const auto nId = static_cast<std::uint32_t>(distinct.size());
        distinct.push_back(text);
        ids[i] = nId;
        table[k] = {h, nId};
        if (2 * distinct.size() > table.size()) {
            std::vector<CSlot> old(table.size() * 2, CSlot{0, EMPTY});
            old.swap(table);
            nMask = table.size() - 1;
            for (const CSlot& slot : old)
                if (slot.nId != EMPTY) place(slot.nHash, slot.nId);
        }
    }
    table = {};

    // Sort the distinct texts: an integer compare on 8 bytes past their common prefix
    // decides most pairs.
    const std::size_t nDistinct = distinct.size();
    std::size_t nSkip = distinct[0].size();
    for (const std::string_view b : distinct) {
        const std::string_view a = distinct[0];
        std::size_t j = 0;
        const std::size_t nMax = std::min(nSkip, b.size());
        while (j < nMax && LowerAscii(static_cast<unsigned char>(a[j])) ==
                               LowerAscii(static_cast<unsigned char>(b[j])))
            ++j;
        nSkip = j;
    }
    struct CKey {
        std::uint64_t nPrefix;
        std::uint32_t nId;
    };
    std::vector<CKey> keys(nDistinct);
    for (std::size_t d = 0; d < nDistinct; ++d)
        keys[d] = {PrefixKey(distinct[d], nSkip), static_cast<std::uint32_t>(d)};
    const std::size_t nTail = nSkip + 8;
    std::sort(keys.begin(), keys.end(), [&](const CKey& a, const CKey& b) {
        if (a.nPrefix != b.nPrefix) return a.nPrefix < b.nPrefix;
        const std::string_view sa = distinct[a.nId], sb = distinct[b.nId];
        return CompareNoCase(sa.substr(std::min(nTail, sa.size())),
                             sb.substr(std::min(nTail, sb.size()))) < 0;
    });
    std::vector<std::uint32_t> rankOfId(nDistinct);
    for (std::size_t r = 0; r < nDistinct; ++r) rankOfId[keys[r].nId] = static_cast<std::uint32_t>(r);
    for (std::uint32_t& nId : ids) nId = rankOfId[nId];
    return ids;
}

}  // namespace

std::string_view CResultItem::NamePart(std::string_view strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return nSlash == std::string_view::npos ? strPath : strPath.substr(nSlash + 1);
}

std::string_view CResultItem::FolderPart(std::string_view strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return nSlash == std::string_view::npos ? std::string_view() : strPath.substr(0, nSlash + 1);
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = LowerAscii(static_cast<unsigned char>(a[i]));
        const int cb = LowerAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

CResultModel::CResultModel(QObject* pParent)
    : QAbstractTableModel(pParent),
      m_pSelection(new QItemSelectionModel(this, this)),
      m_pSink(std::make_unique<CResultSink>(this)) {}

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
    default: return std::string(TextKey(item, nColumn));
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
        default: return DecodePath(TextKey(item, nColumn));
        }
    case Qt::DecorationRole:
        if (nColumn != COL_SOURCE) return QVariant();
        if (item.m_nIcon < 0) item.m_nIcon = CFileIcons::GetIndex(item.m_strSourcePath);
        return CFileIcons::GetIcon(item.m_nIcon);
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
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
    emit SortOrderLost();
}

CResultItem CResultModel::MakeItem(CResultRow&& row) {
    CResultItem item;
    item.m_strSourcePath = row.m_strSourcePath.empty()
                               ? row.m_strCells[COL_SOURCE_FOLDER] + row.m_strCells[COL_SOURCE]
                               : std::move(row.m_strSourcePath);
    item.m_strTargetPath = row.m_strTargetPath.empty()
                               ? row.m_strCells[COL_TARGET_FOLDER] + row.m_strCells[COL_TARGET]
                               : std::move(row.m_strTargetPath);
    item.m_nSize = row.m_nSize;
    item.m_tSource = row.m_tSource;
    item.m_tTarget = row.m_tTarget;
    return item;
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

    // order[j]: the row that goes to place j. Equal keys keep their order, in either direction.
    std::vector<std::uint32_t> order(n);
    if (IsTextColumn(nColumn)) {
        const std::vector<std::uint32_t> ranks = RankTexts(m_rows, nColumn);
        // Counting sort by rank: stable, and linear.
        const std::uint32_t nRanks = *std::max_element(ranks.begin(), ranks.end()) + 1;
        std::vector<std::uint32_t> next(nRanks + 1, 0);
        for (std::uint32_t r : ranks) ++next[bAscending ? r + 1 : nRanks - r];
        for (std::uint32_t r = 1; r <= nRanks; ++r) next[r] += next[r - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t r = bAscending ? ranks[i] : nRanks - 1 - ranks[i];
            order[next[r]++] = static_cast<std::uint32_t>(i);
        }
    } else {
        // The size, or the time with its sign bit flipped so that signed times order as
        // unsigned numbers; inverted for a descending sort.
        std::vector<std::pair<std::uint64_t, std::uint32_t>> keys(n);
        for (std::size_t i = 0; i < n; ++i) {
            const CResultItem& item = m_rows[i];
            std::uint64_t nKey =
                nColumn == COL_SIZE
                    ? item.m_nSize
                    : static_cast<std::uint64_t>(nColumn == COL_SOURCE_MODIFIED ? item.m_tSource
                                                                                : item.m_tTarget) ^
                          (std::uint64_t{1} << 63);
            keys[i] = {bAscending ? nKey : ~nKey, static_cast<std::uint32_t>(i)};
        }
        std::stable_sort(keys.begin(), keys.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t j = 0; j < n; ++j) order[j] = keys[j].second;
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<CResultItem> sorted;
    sorted.reserve(n);
    std::vector<int> newRow(n);
    for (std::size_t j = 0; j < n; ++j) {
        sorted.push_back(std::move(m_rows[order[j]]));
        newRow[order[j]] = static_cast<int>(j);
    }
    m_rows.swap(sorted);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& idx : from)
        to.append(index(newRow[static_cast<std::size_t>(idx.row())], idx.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

IResultSink& CResultModel::GetSink() { return *m_pSink; }
