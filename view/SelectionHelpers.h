// Ways to select many result rows at once: every extra copy of each duplicate set (keeping the
// newest or the oldest file), the rows of one folder, the rows not selected. Each helper sets
// the whole selection with one call on the selection model.
#pragma once

#include <vector>

#include "ExtraCopies.h"

class CResultModel;

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
