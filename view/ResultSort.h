// The order of the result list's rows by one column; plain C++, no toolkit.
#pragma once

#include <cstdint>
#include <vector>

#include "ResultRow.h"

struct CResultItem;

// order[j] is the row that goes to place j when sorting by nColumn: Size by bytes, Modified
// by time, names and folders by CompareNoCase. Stable: rows with equal keys keep their order,
// in either direction.
std::vector<std::uint32_t> SortOrder(const std::vector<CResultItem>& rows, int nColumn,
                                      bool bAscending);
