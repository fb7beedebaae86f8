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

#include "FileIcons.h"
#include "LinkMarks.h"
#include "NoCase.h"
#include "ResultItem.h"

class QItemSelectionModel;

// "Replaced with a hard link to PATH" (or a clone of it); nothing for a file not replaced.
QVariant LinkTip(const CLinkMark* pMark);

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

    // --- Files replaced with links: their rows stay, marked ---
    // paths[i] now links to (or is a clone of) linkedTo[i].
    void MarkLinked(const std::vector<std::string>& paths,
                    const std::vector<std::string>& linkedTo, ELinkKind nKind);
    const CLinkMark* FindLink(std::string_view strPath) const { return m_links.Find(strPath); }

    // --- Sorting ---
    // A click on the header of nColumn: the same column reverses the direction, another
    // column sorts ascending. Size sorts by bytes, Modified by time, the rest by text.
    void OnColumnClick(int nColumn);
    // Stable sort by nColumn; rows with equal keys keep their relative order.
    void SortRows(int nColumn, bool bAscending);
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsSortAscending() const { return m_bSortAscending; }

    // A search starts writing rows, and its rows are all in: called on the user-interface
    // thread (CResultSink queues them there from the matching worker).
    void BeginFill();
    void EndRows();

signals:
    // A search starts writing its rows (the sink's Clear); RowsEnded follows.
    void FillStarted();
    // A search's rows are all in (the sink's End).
    void RowsEnded();
    // Rows were cleared or appended in the matcher's order: no sort order applies any more.
    void SortOrderLost();
    // Files were marked as replaced with links.
    void LinksChanged();
    // The rows were sorted by a header click.
    void Sorted(int nColumn, bool bAscending);
    // A sort moved row i to newRow[i]; sent before layoutChanged, so that whoever keeps row
    // numbers can renumber instead of starting over.
    void RowsReordered(const std::vector<int>& newRow);

private:
    std::vector<CResultItem> m_rows;
    QItemSelectionModel* m_pSelection;
    mutable CFileIcons m_icons;  // filled as rows are first shown
    CLinkMarks m_links;          // until the rows are cleared
    int m_nSortColumn = COL_SIZE;
    bool m_bSortAscending = true;
};
