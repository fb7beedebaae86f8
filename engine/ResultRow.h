// A result row as the matcher writes it, and the sink that receives rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Columns of a result row as the list and twinex-cli's table show it.
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

// One duplicate pair as plain facts; the texts shown for it are formed by whoever shows it.
// The paths are exact bytes, used to open and delete files.
struct CResultRow {
    std::string m_strSourcePath;
    std::string m_strTargetPath;
    std::uint64_t m_nSize = 0;
    std::int64_t m_tSource = 0;  // modification times, seconds since the epoch
    std::int64_t m_tTarget = 0;
    // The file lies under a reference folder: matched like any other, never removed.
    bool m_bSourceReference = false;
    bool m_bTargetReference = false;
};

// Where the name starts in a path: just after its last '/' (0 when there is none). The bytes
// before it are the folder, with its closing '/'.
inline std::size_t NameStart(std::string_view strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return nSlash == std::string_view::npos ? 0 : nSlash + 1;
}
inline std::string_view NameOf(std::string_view strPath) {
    return strPath.substr(NameStart(strPath));
}
inline std::string_view FolderOf(std::string_view strPath) {
    return strPath.substr(0, NameStart(strPath));
}

// Receives the rows of one search: Clear, then any number of Append batches, then End.
// Called on the matching worker's thread; a GUI implementation forwards to its own thread.
class IResultSink {
public:
    virtual ~IResultSink() = default;
    virtual void Clear() = 0;
    virtual void Append(std::vector<CResultRow>&& batch) = 0;
    virtual void End() = 0;
};
