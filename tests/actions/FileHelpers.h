// Helpers of the actions suites without a user interface: files as the tests see them, and
// result rows made from real files.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "Removal.h"
#include "ResultRow.h"

bool Exists(const std::string& strPath);
std::string ReadAll(const std::string& strPath);
// The names in a folder, sorted; empty when it does not exist.
std::vector<std::string> ListDir(const std::string& strDir);

// A result row for a pair of existing files, with their size and times as a search records.
CResultRow PairRow(const std::string& strSource, const std::string& strTarget);
// Rows for a set as a search with the reflect option gives them: each file paired with the
// next, and every pair reversed, so every file stands in the Source column.
std::vector<CResultRow> ReflectedSetRows(const std::vector<std::string>& files);
// Rows of several such sets, the files under a reference folder marked wherever they stand.
std::vector<CResultRow> ReflectedRows(const std::vector<std::vector<std::string>>& sets,
                                      const std::set<std::string>& reference = {});
