// Paths as the user reads them: exact bytes decoded for display, and lists of files, each with
// the reason it is listed.
#pragma once

#include <QString>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "ResTables.h"
#include "Resource.h"

// A message lists this many files by name and counts the rest.
constexpr int MAX_LISTED_FILES = 20;

// The exact bytes of a path (or a part of one) decoded for display; the one place this is done.
QString DisplayPath(std::string_view strPath);
// The last component of the path.
QString DisplayName(std::string_view strPath);
// A path or name as one line of a list cell: control characters shown escaped.
QString CellText(std::string_view strPath);

// "\n<path>: <reason>" for each of the first MAX_LISTED_FILES items (each has a strPath), then
// a line that counts the rest.
template <class T, class FReason>
QString ListedFiles(const std::vector<T>& items, FReason&& fnReason) {
    QString strText;
    const std::size_t nListed = std::min<std::size_t>(items.size(), MAX_LISTED_FILES);
    for (std::size_t i = 0; i < nListed; ++i)
        strText += QLatin1Char('\n') + DisplayPath(items[i].strPath) + QStringLiteral(": ") +
                   fnReason(items[i]);
    if (items.size() > nListed)
        strText += QLatin1Char('\n') +
                   LoadResString(IDS_DELETE_FAILED_MORE).arg(QString::number(items.size() - nListed));
    return strText;
}
