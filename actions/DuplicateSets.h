// The files of result rows grouped into duplicate sets. A row says that its source and its
// target hold the same contents, so a set is every file that a chain of rows links together.
// No Qt: paths are views of the caller's exact bytes and must outlive the grouping.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "PathTable.h"

class CDuplicateSets {
public:
    static constexpr std::uint32_t NONE = UINT32_MAX;

    // nFilesHint: about how many distinct files will come (twice the rows is an upper bound).
    explicit CDuplicateSets(std::size_t nFilesHint = 0);

    // The files of one row, joined into one set. Returns the source's id; nTarget the target's.
    std::uint32_t AddPair(std::string_view strSource, std::string_view strTarget,
                          std::uint32_t& nTarget);
    // The id of a path, a new set of its own the first time it is seen. Ids count up from 0.
    std::uint32_t Intern(std::string_view strPath);
    // The set of a file: the smallest id in it, so sets number in order of their first file.
    std::uint32_t Find(std::uint32_t nId);
    void Union(std::uint32_t a, std::uint32_t b);

    std::size_t GetFileCount() const { return m_paths.Size(); }
    std::string_view GetPath(std::uint32_t nId) const { return m_paths.Text(nId); }

private:
    CPathTable m_paths;                   // ids count up in order of first sight
    std::vector<std::uint32_t> m_parent;  // by id
    // Rows of a set mostly come together, so the same path is often asked twice in a row.
    std::string_view m_strLast;
    std::uint32_t m_nLast = NONE;
};
