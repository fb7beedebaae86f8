// Duplicate sets from the rows as the matcher writes them: the rows of one set come together,
// so a row that shares no file with the set before it starts a new one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "ResultRow.h"

class CSetGroups {
public:
    // Whether the next row in matcher order starts a set.
    bool StartsNew(const CResultRow& row) const;
    // The set of the next row in matcher order, counted from 1.
    std::uint32_t Add(const CResultRow& row);
    // The files of the current set, each once, in the order the rows named them.
    const std::vector<std::string>& Members() const { return m_members; }

private:
    std::uint32_t m_nSet = 0;
    std::vector<std::string> m_members;
    std::unordered_set<std::string> m_seen;  // of the current set
};

// One path per line and a blank line after each set; with bNul, NUL after each path and an
// extra NUL after each set. With newlines, paths are escaped as in the table.
class CGroupsWriter {
public:
    CGroupsWriter(std::FILE* pOut, bool bNul) : m_pOut(pOut), m_bNul(bNul) {}
    void Add(const CResultRow& row);
    void Finish();  // the last set

private:
    void WriteSet();

    std::FILE* m_pOut;
    bool m_bNul;
    CSetGroups m_sets;
};
