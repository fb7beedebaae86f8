// How twinex-cli writes result rows: tsv, json and an aligned table, and the sort.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ResultRow.h"
#include "ResultsFile.h"  // the json text, UTF-8 and base64 helpers

// Cell text for tsv: tab, newline and backslash as \t, \n and \\; all other bytes as they are.
std::string EscapeTsv(const std::string& str);

// Cell text for a terminal, so that a file name can neither break the table nor send codes
// to the terminal: tab, newline and return as \t, \n and \r, other ASCII controls and bytes
// that are not UTF-8 as \xHH, other code points that print nothing (C1 controls, format and
// direction marks, line separators, noncharacters) as \u{...} in lowercase hex.
std::string EscapeForTerminal(const std::string& str);

// Like the C library's case-blind compare: bytes unsigned, 'A'-'Z' taken as 'a'-'z'.
int CompareNoCase(std::string_view a, std::string_view b);

// Rows kept until all have come (for --sort), in little more memory than their file names:
// each folder text once, the two names of a row and its numbers in a fixed-size record. The
// Modified and Size cells are made again from the numbers when a row is read back.
class CRowStore {
public:
    void Clear();
    void Add(const CResultRow& row);
    std::size_t GetCount() const { return m_records.size(); }
    // Stable sort by a column: Size by bytes, Modified by time, the others by CompareNoCase.
    void Sort(int nColumn, bool bDescending);
    // The row at position i of the current order, into row (its strings' room is reused).
    void GetRow(std::size_t i, CResultRow& row) const;

private:
    struct CRecord {
        const char* pNames;  // the source name, then the target name
        std::uint32_t nSourceName;
        std::uint32_t nTargetName;
        std::uint32_t nSourceFolder;  // into m_folders
        std::uint32_t nTargetFolder;
        std::uint64_t nSize;
        std::int64_t tSource;
        std::int64_t tTarget;
    };

    std::uint32_t FolderId(const std::string& strFolder, std::uint32_t& nLast);
    const char* KeepNames(const std::string& strSource, const std::string& strTarget);
    const std::string& TimeText(std::int64_t t) const;

    std::deque<CRecord> m_records;        // in arrival order; a deque grows without copying
    std::vector<std::size_t> m_order;     // after Sort: record indices in sorted order
    std::vector<std::unique_ptr<char[]>> m_chunks;  // the names, in blocks never moved
    std::size_t m_nChunkFree = 0;
    char* m_pChunkNext = nullptr;
    std::deque<std::string> m_folders;    // each folder text once, by id
    std::unordered_map<std::string_view, std::uint32_t> m_folderIds;  // views into m_folders
    std::uint32_t m_nLastSourceFolder = UINT32_MAX, m_nLastTargetFolder = UINT32_MAX;
    mutable std::array<std::pair<std::int64_t, std::string>, 2> m_times;  // the last time texts
    mutable std::size_t m_nNextTime = 0;
};

std::string TsvHeader();  // with the newline
std::string TsvRow(const CResultRow& row);
// One row object of the json output (no separator, no newline); the desktop program's
// results files are the same text.
std::string JsonRow(const CResultRow& row);
// The json text before the first row and after the last one.
std::string JsonHead(const std::string& strCriterion, const std::string& strPartialKb, bool bReflect);
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
    void WriteLine();  // m_cells, padded to m_widths (widened to fit first)

    std::FILE* m_pOut;
    std::array<std::size_t, COL_COUNT> m_widths{};
    std::array<std::string, COL_COUNT> m_cells;  // the cells of the line, escaped
    std::string m_strLine;
};

// A whole table of kept rows: widths from every row, then the rows in the store's order.
// Stops before the next row once stop() is true.
void WriteTable(std::FILE* pOut, const CRowStore& rows, const std::function<bool()>& stop = {});
