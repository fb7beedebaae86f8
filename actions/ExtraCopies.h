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
};

// For each row, 1 when its source is an extra copy: a file of its duplicate set other than the
// one kept. The kept file is the set's newest (greatest modification time) or oldest; among
// equal times, the one whose path bytes sort first. The kept file is never marked, so a set
// never has every member marked. A file's time is the one the first row naming it records.
// Rows of empty files are never marked.
// Linear in the rows (one hash look-up per path).
std::vector<char> FindExtraCopies(std::size_t nRows,
                                  const std::function<CSetRow(std::size_t)>& fnRow,
                                  EKeepRule nKeep);
