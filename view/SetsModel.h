// The result rows as a tree of duplicate sets: one parent row per set, one child row per file.
// A file's check box is its selection: the selection of the rows whose source it is, in the
// result model's selection model, which stays the one truth.
#pragma once

#include <QAbstractItemModel>
#include <cstdint>
#include <string_view>
#include <vector>

#include "FileIcons.h"
#include "SetTable.h"

class QItemSelection;
class CResultModel;

// The distinct source files of the selected rows, and their bytes.
struct CSelectionSpace {
    std::uint64_t nFiles = 0;
    std::uint64_t nBytes = 0;
};

class CSetsModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum EColumn { COL_NAME, COL_FOLDER, COL_MODIFIED, COL_SIZE, COL_NOTE, COL_COUNT };
    // How the sets are ordered; empty files' sets come last whichever is chosen.
    enum ESetSort { SORT_SPACE, SORT_SIZE, SORT_COPIES, SORT_FOLDER };

    explicit CSetsModel(CResultModel* pRows, QObject* pParent = nullptr);
    ~CSetsModel() override;

    QModelIndex index(int nRow, int nColumn,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int nRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;

    // Builds the sets from the rows if they changed since the last build. While active (the
    // tree is shown) this happens by itself once the rows have settled; otherwise on request.
    void EnsureBuilt();
    void SetActive(bool bActive);
    // Space to free and copies, from the rows as they are now; and what the selection holds.
    CSetSummary GetSummary();
    CSelectionSpace GetSelectionSpace();

    void SortSets(ESetSort nSort);
    ESetSort GetSort() const { return m_nSort; }

    const CSetTable& GetTable() const { return m_table; }
    // The set shown at a top-level row, and the file of a child row (NONE for a set row).
    std::uint32_t SetAt(int nRow) const { return m_order[static_cast<std::size_t>(nRow)]; }
    std::uint32_t FileAt(const QModelIndex& index) const;
    // The exact bytes of a file's path, a view into the result model's rows.
    std::string_view GetFilePath(std::uint32_t nFile) const;

signals:
    // The sets were built anew: expansion and scroll position start over.
    void Rebuilt();

private:
    void Invalidate();
    void ScheduleBuild();
    void OnRowsReordered(const std::vector<int>& newRow);
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void ApplySort();
    // The file whose folder holds most of the set's files (the first such in keep order).
    std::uint32_t MajorityFolderFile(std::uint32_t nSet) const;
    QVariant SetData(std::uint32_t nSet, int nColumn, int nRole) const;
    QVariant FileData(std::uint32_t nFile, int nColumn, int nRole) const;
    Qt::CheckState FileCheckState(std::uint32_t nFile) const;

    CResultModel* m_pRows;
    CSetTable m_table;
    std::vector<std::uint32_t> m_order;               // the sets in display order
    std::vector<std::uint32_t> m_position;            // by set: its display row
    mutable std::vector<std::uint32_t> m_folderFile;  // by set: MajorityFolderFile, once asked
    std::vector<char> m_rowSelected;  // by row: the selection model's answer, kept in step
    ESetSort m_nSort = SORT_SPACE;
    bool m_bBuilt = false;
    bool m_bActive = false;
    bool m_bFilling = false;
    bool m_bBuildQueued = false;
    mutable CFileIcons m_icons;
};
