// Which files of each duplicate set are extra copies, keeping the newest or the oldest one.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

enum EKeepRule { KEEP_NEWEST, KEEP_OLDEST };

// What the choice of the kept file needs of a row.
struct CSetRow {
    std::string_view strSource;
    std::string_view strTarget;
    std::int64_t tSource = 0;
    std::int64_t tTarget = 0;
    bool bEmpty = false;  // files of no bytes: removing one frees nothing, and programs expect them
    bool bSourceReference = false;  // under a reference folder: never removed
    bool bTargetReference = false;
    // Replaced with a link to (or a clone of) another member: no longer an extra copy.
    bool bSourceLinked = false;
    bool bTargetLinked = false;
};

// One member of a duplicate set as the choice of the kept file sees it.
struct CKeepCandidate {
    std::int64_t tModified = 0;
    std::string_view strPath;
    bool bReference = false;
    bool bLinked = false;
};

// Whether a is kept rather than b: a reference file before any other, a file that is no link
// before a linked one (which only points at the copy that holds the contents), then the
// newest (or oldest) modification time, then the path whose bytes sort first. A strict order on
// distinct paths, so every set has exactly one kept file whatever the order of its rows.
bool KeepsBefore(const CKeepCandidate& a, const CKeepCandidate& b, EKeepRule nKeep);

// For each row, 1 when its source is an extra copy: a file of its duplicate set other than the
// one kept. The kept file is the first of the set in KeepsBefore's order. The kept file is
// never marked, so a set never has every member marked. A file's time and reference mark are
// the ones the first row naming it records. Rows of empty files and rows whose source is a
// reference file or linked are never marked.
// Linear in the rows (one hash look-up per path).
std::vector<char> FindExtraCopies(std::size_t nRows,
                                  const std::function<CSetRow(std::size_t)>& fnRow,
                                  EKeepRule nKeep);
