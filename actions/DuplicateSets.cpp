#include "DuplicateSets.h"

#include <algorithm>

CDuplicateSets::CDuplicateSets(std::size_t nFilesHint) : m_paths(nFilesHint) {
    m_parent.reserve(nFilesHint);
}

std::uint32_t CDuplicateSets::Intern(std::string_view strPath) {
    if (m_nLast != NONE && strPath == m_strLast) return m_nLast;
    const std::uint32_t nId = m_paths.Intern(strPath);
    if (nId == m_parent.size()) m_parent.push_back(nId);
    m_strLast = strPath;
    m_nLast = nId;
    return nId;
}

std::uint32_t CDuplicateSets::AddPair(std::string_view strSource, std::string_view strTarget,
                                      std::uint32_t& nTarget) {
    const std::uint32_t nSource = Intern(strSource);
    nTarget = Intern(strTarget);
    Union(nSource, nTarget);
    return nSource;
}

std::uint32_t CDuplicateSets::Find(std::uint32_t nId) {
    while (m_parent[nId] != nId) {
        m_parent[nId] = m_parent[m_parent[nId]];  // path halving
        nId = m_parent[nId];
    }
    return nId;
}

void CDuplicateSets::Union(std::uint32_t a, std::uint32_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) m_parent[std::max(a, b)] = std::min(a, b);
}
