#include "RowStore.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "NoCase.h"

void CRowStore::Clear() {
    *this = CRowStore();
}

// Rows of one folder come together, so the last id of each side is tried before the table.
std::uint32_t CRowStore::FolderId(std::string_view strFolder, std::uint32_t& nLast) {
    if (nLast != UINT32_MAX && m_folderIds.Text(nLast) == strFolder) return nLast;
    nLast = m_folderIds.Find(strFolder);
    if (nLast == CPathTable::NONE) nLast = m_folderIds.Intern(m_folders.emplace_back(strFolder));
    return nLast;
}

const char* CRowStore::KeepNames(std::string_view strSource, std::string_view strTarget) {
    constexpr std::size_t CHUNK = 1 << 20;
    const std::size_t n = strSource.size() + strTarget.size();
    if (n > m_nChunkFree) {
        const std::size_t nChunk = std::max(CHUNK, n);
        m_chunks.push_back(std::make_unique<char[]>(nChunk));
        m_pChunkNext = m_chunks.back().get();
        m_nChunkFree = nChunk;
    }
    char* p = m_pChunkNext;
    std::memcpy(p, strSource.data(), strSource.size());
    std::memcpy(p + strSource.size(), strTarget.data(), strTarget.size());
    m_pChunkNext += n;
    m_nChunkFree -= n;
    return p;
}

void CRowStore::Add(const CResultRow& row) {
    const std::string_view strSource = NameOf(row.m_strSourcePath);
    const std::string_view strTarget = NameOf(row.m_strTargetPath);
    m_records.push_back(CRecord{KeepNames(strSource, strTarget),
                                static_cast<std::uint32_t>(strSource.size()),
                                row.m_bSourceReference,
                                static_cast<std::uint32_t>(strTarget.size()),
                                row.m_bTargetReference,
                                FolderId(FolderOf(row.m_strSourcePath), m_nLastSourceFolder),
                                FolderId(FolderOf(row.m_strTargetPath), m_nLastTargetFolder),
                                row.m_nSize, row.m_tSource, row.m_tTarget});
    m_order.clear();
}

void CRowStore::Sort(int nColumn, bool bDescending) {
    auto sourceName = [](const CRecord& r) { return std::string_view(r.pNames, r.nSourceName); };
    auto targetName = [](const CRecord& r) {
        return std::string_view(r.pNames + r.nSourceName, r.nTargetName);
    };
    auto folders = [this](std::uint32_t a, std::uint32_t b) {
        return a == b ? 0 : CompareNoCase(m_folderIds.Text(a), m_folderIds.Text(b));
    };
    auto numbers = [](auto a, auto b) { return a < b ? -1 : (a > b ? 1 : 0); };
    auto compare = [&](const CRecord& a, const CRecord& b) -> int {
        switch (nColumn) {
        case COL_SOURCE: return CompareNoCase(sourceName(a), sourceName(b));
        case COL_SOURCE_FOLDER: return folders(a.nSourceFolder, b.nSourceFolder);
        case COL_SOURCE_MODIFIED: return numbers(a.tSource, b.tSource);
        case COL_TARGET: return CompareNoCase(targetName(a), targetName(b));
        case COL_TARGET_FOLDER: return folders(a.nTargetFolder, b.nTargetFolder);
        case COL_TARGET_MODIFIED: return numbers(a.tTarget, b.tTarget);
        default: return numbers(a.nSize, b.nSize);
        }
    };
    m_order.resize(m_records.size());
    std::iota(m_order.begin(), m_order.end(), std::size_t{0});
    // Equal keys keep the matcher's order in both directions.
    std::stable_sort(m_order.begin(), m_order.end(), [&](std::size_t a, std::size_t b) {
        const int r = compare(m_records[a], m_records[b]);
        return bDescending ? r > 0 : r < 0;
    });
}

void CRowStore::GetRow(std::size_t i, CResultRow& row) const {
    const CRecord& r = m_records[m_order.empty() ? i : m_order[i]];
    row.m_strSourcePath = m_folderIds.Text(r.nSourceFolder);
    row.m_strSourcePath.append(r.pNames, r.nSourceName);
    row.m_strTargetPath = m_folderIds.Text(r.nTargetFolder);
    row.m_strTargetPath.append(r.pNames + r.nSourceName, r.nTargetName);
    row.m_nSize = r.nSize;
    row.m_tSource = r.tSource;
    row.m_tTarget = r.tTarget;
    row.m_bSourceReference = r.bSourceReference;
    row.m_bTargetReference = r.bTargetReference;
}
