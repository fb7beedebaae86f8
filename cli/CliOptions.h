// Command line of twinex-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ResultRow.h"
#include "SearchState.h"

constexpr unsigned MAX_THREADS = 64;  // --threads beyond this counts as this

enum EOutputFormat { FORMAT_TABLE, FORMAT_TSV, FORMAT_JSON, FORMAT_GROUPS, FORMAT_GROUPS0 };

struct CCliOptions {
    std::vector<CFolderRow> rows;   // in command-line order
    // Exact by default: whole files compared byte by byte.
    int m_nCriterion = MATCH_CONTENTS;
    std::string m_strPartial = "0";   // kilobytes, digits only; 0: whole files
    int m_bReflect = 1;
    EOutputFormat m_format = FORMAT_TABLE;
    int m_nSortColumn = -1;           // -1: the order the matcher writes
    bool m_bDescending = false;
    unsigned m_nThreads = 0;          // 0: the matcher's default; at most MAX_THREADS
    std::uint64_t m_nMinSize = 0;     // bytes; files outside [min, max] are not matched
    std::uint64_t m_nMaxSize = UINT64_MAX;
    bool m_bUseCache = true;          // --no-cache turns it off
    std::string m_strCachePath;       // --cache FILE; empty: the default place
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bOneFileSystem = false;    // mounts below a searched folder are not entered
};

// Fills opts from the arguments (without the program name). Returns an error message for
// bad usage. --mask, --recurse / --no-recurse and --reference / --no-reference apply to the
// folders that follow them.
std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args,
                                            CCliOptions& opts);

// True when a ';'-separated list has no mask and no exclusion: such a row selects no file.
bool SelectsNoFile(const std::string& strMasks);

// A size as --min-size and --max-size take it: digits, then optionally K, M or G (any case,
// powers of 1024). nullopt when malformed or past 2^64 - 1 bytes.
std::optional<std::uint64_t> ParseSize(const std::string& strSize);

// Column index for --sort: "0"-"6" or a column name; -1 when unknown.
int ParseSortColumn(const std::string& strColumn);

// The --help text.
const char* UsageText();
