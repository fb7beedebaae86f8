// The rows of the result list, with their sort state and selection, usable without any window.
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ResultRow.h"

class QItemSelectionModel;
class CResultSink;

// One duplicate pair. Only the exact path bytes and the numbers are kept; the seven cell texts
// are derived when they are shown, which keeps a million rows small.
struct CResultItem {
    std::string m_strSourcePath;
    std::string m_strTargetPath;
    std::uint64_t m_nSize = 0;
    std::int64_t m_tSource = 0;  // modification times, seconds since the epoch
    std::int64_t m_tTarget = 0;
    mutable std::int32_t m_nIcon = -1;  // file icon index, looked up when first shown
    std::uint32_t m_nItemData = 0;

    // Name: the bytes after the last '/'. Folder: the bytes up to and including it.
    std::string_view GetSourceName() const { return NamePart(m_strSourcePath); }
    std::string_view GetSourceFolder() const { return FolderPart(m_strSourcePath); }
    std::string_view GetTargetName() const { return NamePart(m_strTargetPath); }
    std::string_view GetTargetFolder() const { return FolderPart(m_strTargetPath); }

    static std::string_view NamePart(std::string_view strPath);
    static std::string_view FolderPart(std::string_view strPath);
};

// Compares like _stricmp: byte by byte as unsigned, 'A'-'Z' taken as 'a'-'z' and nothing else
// mapped; a text that begins the other comes first. <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);

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
    // A row as the model keeps it: the paths moved out of row (or built from its cells when
    // the row has none), the numbers copied. Any thread.
    static CResultItem MakeItem(CResultRow&& row);
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
