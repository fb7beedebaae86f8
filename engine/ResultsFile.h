// The results document: the rows of a search as JSON, written by twinex-cli --format json and
// by the desktop program's Save Results As, read back by its Open Results. cli/FORMAT.md
// describes the text. Paths are exact bytes; names that are not UTF-8 travel as base64.
// The writer is ResultsWriter.cpp, the reader ResultsReader.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ResultRow.h"

constexpr const char* RESULTS_FORMAT_NAME = "twinex-results";
// A reader refuses greater versions: their rows may mean something it does not know.
constexpr std::int64_t RESULTS_FORMAT_VERSION = 1;

// What a results document says about its search, besides the rows.
struct CResultsInfo {
    std::string strCriterion = "crc32";  // as CriterionName spells it, or as a file said it
    std::uint64_t nPartialKb = 64;       // 0: whole files
    bool bReflect = true;
    std::uint64_t nFiles = 0;  // files collected
    bool bComplete = true;     // false: the search was cancelled while rows were written
    // The folders that were searched, each absolute and ending in '/'; empty when not known.
    std::vector<std::string> folders;
};

// --- Writing, a piece at a time so that a million rows never stand in memory as text ---

// Everything before the first row. strPartialKb must be a decimal number; folders (absolute,
// ending in '/') are left out when empty.
std::string FormatResultsHead(const std::string& strCriterion, const std::string& strPartialKb,
                              bool bReflect, const std::vector<std::string>& folders = {});
// One row object, without separator or newline, appended to out.
void AppendResultsRow(std::string& out, const CResultRow& row);
// The same, as a text of its own.
std::string FormatResultsRow(const CResultRow& row);
// Everything after the last row, with the closing newline.
std::string FormatResultsTail(std::uint64_t nFiles, std::uint64_t nRows, bool bComplete);
// Between rows: FormatResultsHead, then for each row RowSeparator(i) + FormatResultsRow, then
// (nRows ? "\n" : "") + FormatResultsTail.
inline const char* ResultsRowSeparator(std::size_t nRow) {
    return nRow ? ",\n" : "\n";
}

// --- Reading ---

enum EResultsStatus {
    RESULTS_OK,
    RESULTS_UNREADABLE,     // the file could not be read (nErrno)
    RESULTS_NOT_JSON,       // not JSON text at all (nOffset, strDetail)
    RESULTS_FOREIGN,        // JSON, but no results document
    RESULTS_NEWER_VERSION,  // a results document of a version this reader does not know
    RESULTS_DAMAGED,        // a results document with a missing or wrong field (nRow, strDetail)
};

struct CResultsError {
    EResultsStatus nStatus = RESULTS_OK;
    int nErrno = 0;
    std::int64_t nVersion = 0;
    std::size_t nOffset = 0;  // byte offset of a JSON syntax error
    std::size_t nRow = 0;     // 1-based number of the damaged row; 0: not in a row
    std::string strDetail;    // the field at fault, or the parser's words
};

// Parses a results document. Every row must carry absolute, distinct source and target paths
// (no NUL byte, not ending in '/'), a size and two times. Nothing is kept unless the whole
// document is sound: on failure info and rows are left as they were and false is returned.
bool ParseResults(std::string_view text, CResultsInfo& info, std::vector<CResultRow>& rows,
                  CResultsError& error);

// Reads the whole of a regular file (exact path bytes). A FIFO or device is refused, never
// opened for reading. Returns 0 or an errno value.
int ReadWholeFile(const std::string& strPath, std::string& strText);
