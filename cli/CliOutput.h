// How twinex-cli writes result rows: tsv, json and an aligned table.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "CliText.h"
#include "ResultRow.h"
#include "ResultsFile.h"
#include "RowStore.h"

using CRowCells = std::array<std::string, COL_COUNT>;

// The seven cells of a row as twinex-cli shows them, unescaped: names and folders as their
// bytes, the times and the size in Format.h's forms. Times repeat (each file of a reflected
// set stands in two rows) and go through localtime, so the last few texts are kept.
class CCellMaker {
public:
    const CRowCells& Make(const CResultRow& row);

private:
    const std::string& TimeText(std::int64_t t);

    CRowCells m_cells;
    std::array<std::pair<std::int64_t, std::string>, 4> m_times{};
    std::size_t m_nNextTime = 0;
};

std::string TsvHeader();  // with the newline
std::string TsvRow(const CRowCells& cells);
// One row object of the json output (no separator, no newline); the desktop program's
// results files are the same text.
// nSet: the row's duplicate set, counted from 1 in matcher order ("set"; 0 leaves it out).
std::string JsonRow(const CResultRow& row, std::uint32_t nSet = 0);
// The json text before the first row and after the last one.
std::string JsonHead(int nCriterion, const std::string& strPartialKb, bool bReflect,
                     const std::vector<std::string>& folders);
std::string JsonTail(std::size_t nFiles, std::size_t nRows, bool bComplete);

// Without --sort, the table's column widths come from this many first rows.
constexpr std::size_t TABLE_WIDTH_ROWS = 1000;

// The seven columns aligned under their headers, Size aligned right, written a row at a time.
// Each column is as wide as its header and every cell given to Widen before the header is
// written; a later cell wider than its column widens the column from its own line on.
class CTableWriter {
public:
    explicit CTableWriter(std::FILE* pOut);
    void Widen(const CResultRow& row);
    void WriteHeader();
    void WriteRow(const CResultRow& row);

private:
    void Escape(const CResultRow& row);  // into m_escaped
    void WriteLine();  // m_escaped, padded to m_widths (widened to fit first)

    std::FILE* m_pOut;
    CCellMaker m_cells;
    std::array<std::size_t, COL_COUNT> m_widths{};
    CRowCells m_escaped;
    std::string m_strLine;
};

// A whole table of kept rows: widths from every row, then the rows in the store's order.
// Stops before the next row once stop() is true.
void WriteTable(std::FILE* pOut, const CRowStore& rows, const std::function<bool()>& stop = {});
