// How twinex-cli writes result rows: tsv, json and an aligned table, and the sort.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
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
int CompareNoCase(const std::string& a, const std::string& b);

// Stable sort by a column: Size by bytes, Modified by time, the others by CompareNoCase.
void SortRows(std::vector<CResultRow>& rows, int nColumn, bool bDescending);

std::string TsvHeader();  // with the newline
std::string TsvRow(const CResultRow& row);
// One row object of the json output (no separator, no newline); the desktop program's
// results files are the same text.
std::string JsonRow(const CResultRow& row);
// The json text before the first row and after the last one.
std::string JsonHead(const std::string& strCriterion, const std::string& strPartialKb, bool bReflect);
std::string JsonTail(std::size_t nFiles, std::size_t nRows, bool bComplete);

// The seven columns aligned under their headers; Size aligned right. Stops before the next
// row once stop() is true.
void WriteTable(std::FILE* pOut, const std::vector<CResultRow>& rows,
                const std::function<bool()>& stop = {});
