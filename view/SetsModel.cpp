#include "SetsModel.h"

#include <sys/stat.h>

#include <QFont>
#include <QItemSelectionModel>
#include <QTimer>
#include <algorithm>
#include <cerrno>

#include "Format.h"
#include "NoCase.h"
#include "PathText.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "SpaceText.h"

namespace {

// Top-level rows are sets (internal id 0); a file row carries its set's display row + 1.
constexpr quintptr SET_ROW = 0;

}  // namespace

CSetsModel::CSetsModel(CResultModel* pRows, QObject* pParent)
    : QAbstractItemModel(pParent), m_pRows(pRows) {
    // Rows that come or go change the sets.
    connect(pRows, &QAbstractItemModel::modelReset, this, &CSetsModel::Invalidate);
    connect(pRows, &QAbstractItemModel::rowsInserted, this, &CSetsModel::Invalidate);
    connect(pRows, &QAbstractItemModel::rowsRemoved, this, &CSetsModel::Invalidate);
    // A file replaced with a link is an extra copy no longer.
    connect(pRows, &CResultModel::LinksChanged, this, &CSetsModel::Invalidate);
    // A sort only moves them: the sets stay, their row numbers follow.
    connect(pRows, &CResultModel::RowsReordered, this, &CSetsModel::OnRowsReordered);
    // A search writes its rows batch by batch: build once they are all in.
    connect(pRows, &CResultModel::FillStarted, this, [this] { m_bFilling = true; });
    connect(pRows, &CResultModel::RowsEnded, this, [this] {
        m_bFilling = false;
        ScheduleBuild();
    });
    connect(pRows->GetSelectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSetsModel::OnSelectionChanged);
}

CSetsModel::~CSetsModel() = default;

// --- Building ---

void CSetsModel::Invalidate() {
    if (m_bBuilt) {
        beginResetModel();
        m_table.Clear();
        m_order = {};
        m_position = {};
        m_folderFile = {};
        m_rowSelected = {};
        m_bBuilt = false;
        endResetModel();
    }
    ScheduleBuild();
}

void CSetsModel::ScheduleBuild() {
    // Deletes and fills change the rows in several steps; one build after the last of them.
    if (!m_bActive || m_bFilling || m_bBuilt || m_bBuildQueued) return;
    m_bBuildQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bBuildQueued = false;
        if (m_bActive && !m_bFilling) EnsureBuilt();
    });
}

void CSetsModel::SetActive(bool bActive) {
    m_bActive = bActive;
    if (bActive && !m_bFilling) EnsureBuilt();
}

void CSetsModel::EnsureBuilt() {
    if (m_bBuilt) return;
    beginResetModel();
    const CResultModel& rows = *m_pRows;
    m_table.Build(
        static_cast<std::size_t>(rows.GetRowCount()),
        [&rows](std::size_t i) {
            const CResultItem& item = rows.GetItem(static_cast<int>(i));
            return CSetTableRow{item.m_strSourcePath,
                                item.m_strTargetPath,
                                item.m_nSize,
                                item.m_tSource,
                                item.m_tTarget,
                                item.m_bSourceReference,
                                item.m_bTargetReference,
                                rows.FindLink(item.m_strSourcePath) != nullptr,
                                rows.FindLink(item.m_strTargetPath) != nullptr};
        },
        [](std::string_view strPath) {
            struct stat st;
            return lstat(std::string(strPath).c_str(), &st) != 0 &&
                   (errno == ENOENT || errno == ENOTDIR);
        });
    m_rowSelected.assign(m_table.GetRowCount(), 0);
    for (int nRow : rows.GetSelectedRows()) m_rowSelected[static_cast<std::size_t>(nRow)] = 1;
    m_folderFile.assign(m_table.GetSetCount(), CSetTable::NONE);
    ApplySort();
    m_bBuilt = true;
    endResetModel();
    emit Rebuilt();
}

CSetSummary CSetsModel::GetSummary() {
    EnsureBuilt();
    return m_table.GetSummary();
}

// --- Order of the sets ---

std::uint32_t CSetsModel::MajorityFolderFile(std::uint32_t nSet) const {
    std::uint32_t& nCached = m_folderFile[nSet];
    if (nCached != CSetTable::NONE) return nCached;
    const auto files = m_table.GetSetFiles(nSet);
    // (folder, place in keep order), grouped by folder: the longest run wins, ties to the
    // folder of the file that comes first.
    std::vector<std::pair<std::string_view, std::uint32_t>> folders;
    folders.reserve(files.size());
    for (std::uint32_t i = 0; i < files.size(); ++i)
        folders.emplace_back(FolderOf(GetFilePath(files[i])), i);
    std::sort(folders.begin(), folders.end());
    std::size_t nBestCount = 0;
    std::uint32_t nBest = 0;
    for (std::size_t i = 0; i < folders.size();) {
        std::size_t j = i;
        while (j < folders.size() && folders[j].first == folders[i].first) ++j;
        // Within a run the places ascend, so its first is its earliest file.
        if (j - i > nBestCount || (j - i == nBestCount && folders[i].second < nBest)) {
            nBestCount = j - i;
            nBest = folders[i].second;
        }
        i = j;
    }
    return nCached = files[nBest];
}

void CSetsModel::ApplySort() {
    const std::uint32_t nSets = m_table.GetSetCount();
    const CSetTable& t = m_table;
    m_order.clear();
    for (std::uint32_t s = 0; s < nSets; ++s)
        if (t.GetSetFiles(s).size() >= 2) m_order.push_back(s);
    auto fileCount = [&t](std::uint32_t s) { return t.GetSetFiles(s).size(); };
    auto folder = [this](std::uint32_t s) { return FolderOf(GetFilePath(MajorityFolderFile(s))); };
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::uint32_t a, std::uint32_t b) {
        // Empty files free nothing, however many there are: their sets come last.
        const bool bEmptyA = t.GetSetSize(a) == 0, bEmptyB = t.GetSetSize(b) == 0;
        if (bEmptyA != bEmptyB) return bEmptyB;
        switch (m_nSort) {
            case SORT_SIZE:
                if (t.GetSetSize(a) != t.GetSetSize(b)) return t.GetSetSize(a) > t.GetSetSize(b);
                break;
            case SORT_COPIES:
                if (fileCount(a) != fileCount(b)) return fileCount(a) > fileCount(b);
                break;
            case SORT_FOLDER:
                if (const int n = CompareNoCase(folder(a), folder(b))) return n < 0;
                break;
            case SORT_SPACE:
                break;
        }
        return t.GetSetBytesToFree(a) > t.GetSetBytesToFree(b);
    });
    m_position.assign(nSets, CSetTable::NONE);
    for (std::uint32_t i = 0; i < m_order.size(); ++i) m_position[m_order[i]] = i;
}

void CSetsModel::SortSets(ESetSort nSort) {
    m_nSort = nSort;
    if (!m_bBuilt) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::uint32_t> oldOrder = m_order;
    ApplySort();
    // Open sets stay open and the current file stays current: move what views hold on to.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& idx : from) {
        if (idx.internalId() == SET_ROW) {
            to.append(
                index(static_cast<int>(m_position[oldOrder[static_cast<std::size_t>(idx.row())]]),
                      idx.column()));
        } else {
            const std::uint32_t nSet = oldOrder[idx.internalId() - 1];
            to.append(createIndex(idx.row(), idx.column(), quintptr(m_position[nSet]) + 1));
        }
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// --- The tree ---

QModelIndex CSetsModel::index(int nRow, int nColumn, const QModelIndex& parent) const {
    if (!hasIndex(nRow, nColumn, parent)) return QModelIndex();
    if (!parent.isValid()) return createIndex(nRow, nColumn, SET_ROW);
    return createIndex(nRow, nColumn, quintptr(parent.row()) + 1);
}

QModelIndex CSetsModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == SET_ROW) return QModelIndex();
    return createIndex(static_cast<int>(child.internalId() - 1), 0, SET_ROW);
}

int CSetsModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid()) return static_cast<int>(m_order.size());
    if (parent.internalId() != SET_ROW || parent.column() != 0) return 0;
    return static_cast<int>(m_table.GetSetFiles(SetAt(parent.row())).size());
}

int CSetsModel::columnCount(const QModelIndex&) const {
    return COL_COUNT;
}

std::uint32_t CSetsModel::FileAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == SET_ROW) return CSetTable::NONE;
    return m_table.GetSetFiles(
        m_order[index.internalId() - 1])[static_cast<std::size_t>(index.row())];
}

std::string_view CSetsModel::GetFilePath(std::uint32_t nFile) const {
    const CResultItem& item = m_pRows->GetItem(static_cast<int>(m_table.GetFileRow(nFile)));
    return m_table.IsFileTarget(nFile) ? item.m_strTargetPath : item.m_strSourcePath;
}

Qt::ItemFlags CSetsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // The last file of a chain without reflection is the source of no row: nothing to select.
    const std::uint32_t nFile = FileAt(index);
    if (index.column() == COL_NAME && nFile != CSetTable::NONE &&
        !m_table.GetFileRows(nFile).empty())
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant CSetsModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid() || !m_bBuilt) return QVariant();
    if (nRole == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (index.column() == COL_SIZE ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    if (index.internalId() == SET_ROW) return SetData(SetAt(index.row()), index.column(), nRole);
    return FileData(FileAt(index), index.column(), nRole);
}

QVariant CSetsModel::SetData(std::uint32_t nSet, int nColumn, int nRole) const {
    if (nRole == Qt::FontRole) {
        QFont font;
        font.setBold(true);
        return font;
    }
    if (nRole != Qt::DisplayRole) return QVariant();
    switch (nColumn) {
        case COL_NAME:
            return LoadResString(IDS_SET_HEADER)
                .arg(QString::number(m_table.GetSetFiles(nSet).size()),
                     SpaceText(m_table.GetSetSize(nSet)),
                     SpaceText(m_table.GetSetBytesToFree(nSet)));
        case COL_FOLDER:
            return CellText(FolderOf(GetFilePath(MajorityFolderFile(nSet))));
        case COL_SIZE:
            return SpaceText(m_table.GetSetSize(nSet));
        default:
            return QVariant();
    }
}

QVariant CSetsModel::FileData(std::uint32_t nFile, int nColumn, int nRole) const {
    const std::uint32_t nSet = m_table.GetFileSet(nFile);
    const bool bKept = m_table.GetSetFiles(nSet).front() == nFile;
    switch (nRole) {
        case Qt::DisplayRole: {
            const std::string_view strPath = GetFilePath(nFile);
            switch (nColumn) {
                case COL_NAME:
                    return CellText(NameOf(strPath));
                case COL_FOLDER:
                    return CellText(FolderOf(strPath));
                case COL_MODIFIED: {
                    const CResultItem& item =
                        m_pRows->GetItem(static_cast<int>(m_table.GetFileRow(nFile)));
                    return QString::fromLocal8Bit(FormatFileTime(
                        m_table.IsFileTarget(nFile) ? item.m_tTarget : item.m_tSource));
                }
                case COL_SIZE:
                    return SpaceText(m_table.GetSetSize(nSet));
                case COL_NOTE:
                    if (m_table.IsFileReference(nFile)) return LoadResString(IDS_REFERENCE_TAG);
                    if (m_table.IsFileLinked(nFile)) return LoadResString(IDS_LINKED_TAG);
                    return bKept ? LoadResString(IDS_KEEPS_TAG) : QString();
                default:
                    return QVariant();
            }
        }
        case Qt::CheckStateRole:
            if (nColumn != COL_NAME || m_table.GetFileRows(nFile).empty()) return QVariant();
            return FileCheckState(nFile);
        case Qt::DecorationRole: {
            if (nColumn != COL_NAME) return QVariant();
            const int nIcon = m_icons.GetIndex(std::string(GetFilePath(nFile)));
            return m_table.IsFileLinked(nFile) ? m_icons.GetLinkedIcon(nIcon)
                                               : m_icons.GetIcon(nIcon);
        }
        case Qt::ToolTipRole: {
            const QVariant tip = LinkTip(m_pRows->FindLink(GetFilePath(nFile)));
            if (!tip.isValid()) return CellText(GetFilePath(nFile));
            return CellText(GetFilePath(nFile)) + QLatin1Char('\n') + tip.toString();
        }
        case Qt::FontRole: {
            if (!bKept || (nColumn != COL_NAME && nColumn != COL_NOTE)) return QVariant();
            QFont font;
            font.setBold(true);
            return font;
        }
        default:
            return QVariant();
    }
}

QVariant CSetsModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= COL_COUNT) return QVariant();
    if (nRole == Qt::DisplayRole) return LoadResString(IDS_SETS_COL_NAME + nSection);
    if (nRole == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(
            (nSection == COL_SIZE ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return QVariant();
}
