// A result row as the matcher writes it, and the sink that receives rows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Columns of a result row.
enum EResultColumn : int {
    COL_SOURCE = 0,
    COL_SOURCE_FOLDER = 1,
    COL_SOURCE_MODIFIED = 2,
    COL_TARGET = 3,
    COL_TARGET_FOLDER = 4,
    COL_TARGET_MODIFIED = 5,
    COL_SIZE = 6,
    COL_COUNT = 7,
};

// Cell texts are the bytes as found (a view decodes them for display); the paths are exact
// bytes, used to open and delete files. Cell 1 followed by cell 0 is m_strSourcePath.
struct CResultRow {
    std::array<std::string, COL_COUNT> m_strCells;
    std::string m_strSourcePath;
    std::string m_strTargetPath;
    std::uint64_t m_nSize = 0;
    std::int64_t m_tSource = 0;  // modification times, seconds since the epoch
    std::int64_t m_tTarget = 0;
};

// Receives the rows of one search: Clear, then any number of Append batches, then End.
// Called on the matching worker's thread; a GUI implementation forwards to its own thread.
class IResultSink {
public:
    virtual ~IResultSink() = default;
    virtual void Clear() = 0;
    virtual void Append(std::vector<CResultRow>&& batch) = 0;
    virtual void End() = 0;
};
