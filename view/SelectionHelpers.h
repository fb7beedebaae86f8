// Ways to select many result rows at once: every extra copy of each duplicate set (keeping the
// newest or the oldest file), the rows of one folder, the rows not selected. Each helper sets
// the whole selection with one call on the selection model.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

class CResultModel;

enum EKeepRule { KEEP_NEWEST, KEEP_OLDEST };

// What the choice of the kept file needs of a row.
struct CSetRow {
    std::string_view strSource;
    std::string_view strTarget;
    std::int64_t tSource = 0;
    std::int64_t tTarget = 0;
};

// For each row, 1 when its source is an extra copy: a file of its duplicate set other than the
// one kept. The kept file is the set's newest (greatest modification time) or oldest; among
// equal times, the one whose path bytes sort first. The kept file is never marked, so a set
// never has every member marked. A file's time is the one the first row naming it records.
// Linear in the rows (one hash look-up per path).
std::vector<char> FindExtraCopies(std::size_t nRows,
                                  const std::function<CSetRow(std::size_t)>& fnRow,
                                  EKeepRule nKeep);

// Selects exactly the rows flagged (one per row), with one selection over merged runs of rows;
// the current row stays where it is. Returns the number of rows selected.
int SelectFlaggedRows(CResultModel& model, const std::vector<char>& flags);

// The helpers behind the menu items. Each replaces the selection and returns the number of
// rows selected.
int SelectExtraCopies(CResultModel& model, EKeepRule nKeep);
// Every row whose source file lies directly in the folder of row nRow's source (exact bytes).
// Nothing happens when nRow is not a row.
int SelectRowsInFolder(CResultModel& model, int nRow);
int InvertSelection(CResultModel& model);
