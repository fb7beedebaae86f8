#include "DuplicateSets.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t MULTIPLIER = 0x9E3779B97F4A7C15ull;
constexpr std::size_t MIN_TABLE = 1024;

// A hash of the bytes, eight at a time.
std::uint64_t HashPathBytes(std::string_view strPath) {
    std::uint64_t h = strPath.size() * MULTIPLIER;
    std::size_t i = 0;
    for (; i + 8 <= strPath.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, strPath.data() + i, 8);
        h = (h ^ w) * MULTIPLIER;
        h ^= h >> 29;
    }
    if (i < strPath.size()) {
        std::uint64_t w = 0;
        std::memcpy(&w, strPath.data() + i, strPath.size() - i);
        h = (h ^ w) * MULTIPLIER;
        h ^= h >> 29;
    }
    // The low bits pick the slot: fold the well-mixed high bits into them.
    return h ^ (h >> 32);
}

}  // namespace

CDuplicateSets::CDuplicateSets(std::size_t nFilesHint) {
    std::size_t nSize = MIN_TABLE;
    while (nSize < 2 * nFilesHint) nSize *= 2;
    m_table.assign(nSize, CSlot{0, NONE});
    m_nMask = nSize - 1;
    m_paths.reserve(nFilesHint);
    m_parent.reserve(nFilesHint);
}

std::uint32_t CDuplicateSets::FindSlot(std::string_view strPath, std::uint64_t nHash) const {
    std::size_t k = nHash & m_nMask;
    for (;; k = (k + 1) & m_nMask) {
        const CSlot& slot = m_table[k];
        if (slot.nId == NONE || (slot.nHash == nHash && m_paths[slot.nId] == strPath))
            return static_cast<std::uint32_t>(k);
    }
}

void CDuplicateSets::Grow() {
    std::vector<CSlot> old(m_table.size() * 2, CSlot{0, NONE});
    old.swap(m_table);
    m_nMask = m_table.size() - 1;
    for (const CSlot& slot : old) {
        if (slot.nId == NONE) continue;
        std::size_t k = slot.nHash & m_nMask;
        while (m_table[k].nId != NONE) k = (k + 1) & m_nMask;
        m_table[k] = slot;
    }
}

std::uint32_t CDuplicateSets::Intern(std::string_view strPath) {
    if (m_nLast != NONE && strPath == m_strLast) return m_nLast;
    const std::uint64_t nHash = HashPathBytes(strPath);
    CSlot& slot = m_table[FindSlot(strPath, nHash)];
    std::uint32_t nId = slot.nId;
    if (nId == NONE) {
        nId = static_cast<std::uint32_t>(m_paths.size());
        slot = {nHash, nId};
        m_paths.push_back(strPath);
        m_parent.push_back(nId);
        if (2 * m_paths.size() > m_table.size()) Grow();
    }
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
