// Rows kept until all have come (for --sort), in little more memory than their file names.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "PathTable.h"
#include "ResultRow.h"

// Each folder text once, the two names of a row and its numbers in a fixed-size record.
class CRowStore {
public:
    void Clear();
    void Add(const CResultRow& row);
    std::size_t GetCount() const { return m_records.size(); }
    // Stable sort by a column: Size by bytes, Modified by time, the others by CompareNoCase.
    void Sort(int nColumn, bool bDescending);
    // The row at position i of the current order, into row (its strings' room is reused).
    void GetRow(std::size_t i, CResultRow& row) const;
    // Which row to come, counted from 0, stands at position i of the current order.
    std::size_t GetArrivalIndex(std::size_t i) const { return m_order.empty() ? i : m_order[i]; }

private:
    struct CRecord {
        const char* pNames;  // the source name, then the target name
        // Name lengths; a name is at most 255 bytes, which leaves a bit for each mark.
        std::uint32_t nSourceName : 31;
        std::uint32_t bSourceReference : 1;
        std::uint32_t nTargetName : 31;
        std::uint32_t bTargetReference : 1;
        std::uint32_t nSourceFolder;  // numbers in m_folderIds
        std::uint32_t nTargetFolder;
        std::uint64_t nSize;
        std::int64_t tSource;
        std::int64_t tTarget;
    };

    std::uint32_t FolderId(std::string_view strFolder, std::uint32_t& nLast);
    const char* KeepNames(std::string_view strSource, std::string_view strTarget);

    std::deque<CRecord> m_records;        // in arrival order; a deque grows without copying
    std::vector<std::size_t> m_order;     // after Sort: record indices in sorted order
    std::vector<std::unique_ptr<char[]>> m_chunks;  // the names, in blocks never moved
    std::size_t m_nChunkFree = 0;
    char* m_pChunkNext = nullptr;
    std::deque<std::string> m_folders;    // each folder text once; a deque never moves them
    CPathTable m_folderIds;               // views into m_folders
    std::uint32_t m_nLastSourceFolder = UINT32_MAX, m_nLastTargetFolder = UINT32_MAX;
};
