// The rows of the result list, with their sort state and selection, usable without any window.
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "NoCase.h"
#include "ResultRow.h"

class QItemSelectionModel;
class CResultSink;

// One duplicate pair as the list keeps it: the engine's plain record, with what the list adds.
// The seven cell texts are derived when they are shown, which keeps a million rows small.
struct CResultItem : CResultRow {
    mutable std::int32_t m_nIcon = -1;  // file icon index, looked up when first shown
    std::uint32_t m_nItemData = 0;

    CResultItem() = default;
    explicit CResultItem(CResultRow&& row) : CResultRow(std::move(row)) {}

    // Name: the bytes after the last '/'. Folder: the bytes up to and including it.
    std::string_view GetSourceName() const { return NameOf(m_strSourcePath); }
    std::string_view GetSourceFolder() const { return FolderOf(m_strSourcePath); }
    std::string_view GetTargetName() const { return NameOf(m_strTargetPath); }
    std::string_view GetTargetFolder() const { return FolderOf(m_strTargetPath); }
    // The name or folder shown in nColumn; empty for the other columns.
    std::string_view GetPathCell(int nColumn) const {
        switch (nColumn) {
        case COL_SOURCE: return GetSourceName();
        case COL_SOURCE_FOLDER: return GetSourceFolder();
        case COL_TARGET: return GetTargetName();
        case COL_TARGET_FOLDER: return GetTargetFolder();
        default: return {};
        }
    }
};

class CResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CResultModel(QObject* pParent = nullptr);
    ~CResultModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation,
                        int nRole = Qt::DisplayRole) const override;

    // --- Rows (user-interface thread) ---
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    const CResultItem& GetItem(int nRow) const { return m_rows[static_cast<std::size_t>(nRow)]; }
    const std::string& GetSourcePath(int nRow) const { return GetItem(nRow).m_strSourcePath; }
    const std::string& GetTargetPath(int nRow) const { return GetItem(nRow).m_strTargetPath; }
    std::uint64_t GetSize(int nRow) const { return GetItem(nRow).m_nSize; }
    // The text of a cell as bytes (cells 0, 1, 3, 4 are exact path bytes).
    std::string GetCellText(int nRow, int nColumn) const;
    std::uint32_t GetItemData(int nRow) const { return GetItem(nRow).m_nItemData; }
    void SetItemData(int nRow, std::uint32_t nData);

    void Clear();
    // Adds a batch at the end, in the order given, with one insert.
    void AppendRows(std::vector<CResultRow>&& batch);
    void AppendItems(std::vector<CResultItem>&& batch);
    // A row as the model keeps it. Any thread.
    static CResultItem MakeItem(CResultRow&& row) { return CResultItem(std::move(row)); }
    // Removes every row for which pred is true, keeping the order and the selection of the
    // others; pred is called once per row, in row order. Linear in the number of rows.
    // Returns the number of rows removed.
    int RemoveRowsIf(const std::function<bool(const CResultItem&)>& pred);

    // --- Selection: the selection model is the one truth; views share it ---
    QItemSelectionModel* GetSelectionModel() const { return m_pSelection; }
    bool IsSelected(int nRow) const;
    void SetSelected(int nRow, bool bSelected);
    // Selected rows in ascending order.
    std::vector<int> GetSelectedRows() const;
    // Selects every row; the current row stays where it is.
    void SelectAll();

    // --- Sorting ---
    // A click on the header of nColumn: the same column reverses the direction, another
    // column sorts ascending. Size sorts by bytes, Modified by time, the rest by text.
    void OnColumnClick(int nColumn);
    // Stable sort by nColumn; rows with equal keys keep their relative order.
    void SortRows(int nColumn, bool bAscending);
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }

    // Feeds rows from any thread; see CResultSink.
    IResultSink& GetSink();

signals:
    // A search starts writing its rows (the sink's Clear); RowsEnded follows.
    void FillStarted();
    // A search's rows are all in (the sink's End).
    void RowsEnded();
    // Rows were cleared or appended in the matcher's order: no sort order applies any more.
    void SortOrderLost();
    // The rows were sorted by a header click.
    void Sorted(int nColumn, bool bAscending);

private:
    friend class CResultSink;
    void BeginFill();
    void EndRows();

    std::vector<CResultItem> m_rows;
    QItemSelectionModel* m_pSelection;
    std::unique_ptr<CResultSink> m_pSink;
    int m_nSortColumn = COL_SIZE;
    bool m_bSortAscending = true;
};
