#include "SetTable.h"

#include <algorithm>

#include "DuplicateSets.h"
#include "ExtraCopies.h"

namespace {

// Counts by index into offsets: start[i] is the sum of the counts before i; one entry more.
std::vector<std::uint32_t> Offsets(const std::vector<std::uint32_t>& counts) {
    std::vector<std::uint32_t> start(counts.size() + 1);
    for (std::size_t i = 0; i < counts.size(); ++i) start[i + 1] = start[i] + counts[i];
    return start;
}

}  // namespace

void CSetTable::Clear() {
    *this = CSetTable();
}

void CSetTable::Build(std::size_t nRows, const std::function<CSetTableRow(std::size_t)>& fnRow,
                      const std::function<bool(std::string_view)>& fnGone) {
    Clear();
    CDuplicateSets sets(nRows);
    // What the keep order needs of each file, while the grouping holds the paths.
    std::vector<std::int64_t> timeOf;
    std::vector<std::uint64_t> sizeOf;
    timeOf.reserve(nRows);
    sizeOf.reserve(nRows);
    m_fileRow.reserve(nRows);
    m_fileFlags.reserve(nRows);
    m_rowFile.resize(nRows);
    auto note = [&](std::uint32_t nId, std::size_t nRow, const CSetTableRow& row, bool bTarget) {
        if (nId != m_fileRow.size()) return;  // seen before: the first row names it
        m_fileRow.push_back(static_cast<std::uint32_t>(nRow));
        m_fileFlags.push_back(static_cast<std::uint8_t>(
            (bTarget ? FILE_TARGET : 0) |
            ((bTarget ? row.bTargetReference : row.bSourceReference) ? FILE_REFERENCE : 0) |
            ((bTarget ? row.bTargetLinked : row.bSourceLinked) ? FILE_LINKED : 0)));
        timeOf.push_back(bTarget ? row.tTarget : row.tSource);
        sizeOf.push_back(row.nSize);
    };
    for (std::size_t i = 0; i < nRows; ++i) {
        const CSetTableRow row = fnRow(i);
        std::uint32_t nTarget;
        const std::uint32_t nSource = sets.AddPair(row.strSource, row.strTarget, nTarget);
        // Ids count up from 0, so a new source comes before a new target.
        note(nSource, i, row, false);
        note(nTarget, i, row, true);
        m_rowFile[i] = nSource;
    }

    const std::uint32_t nFiles = GetFileCount();
    std::vector<std::uint32_t> rowCounts(nFiles);
    for (std::uint32_t nFile : m_rowFile) ++rowCounts[nFile];
    std::vector<char> gone(nFiles);
    if (fnGone)
        for (std::uint32_t nId = 0; nId < nFiles; ++nId)
            gone[nId] = rowCounts[nId] == 0 && fnGone(sets.GetPath(nId));

    // A set's smallest id is its root and comes first, so sets number in order of first sight.
    m_fileSet.resize(nFiles);
    std::vector<std::uint32_t> setCounts;
    for (std::uint32_t nId = 0; nId < nFiles; ++nId) {
        const std::uint32_t nRoot = sets.Find(nId);
        if (nRoot == nId) {
            m_fileSet[nId] = static_cast<std::uint32_t>(setCounts.size());
            setCounts.push_back(0);
        } else {
            m_fileSet[nId] = m_fileSet[nRoot];
        }
        setCounts[m_fileSet[nId]] += !gone[nId];
    }
    m_setStart = Offsets(setCounts);
    m_setFiles.resize(m_setStart.back());
    {
        std::vector<std::uint32_t> next(m_setStart.begin(), m_setStart.end() - 1);
        for (std::uint32_t nId = 0; nId < nFiles; ++nId)
            if (!gone[nId]) m_setFiles[next[m_fileSet[nId]]++] = nId;
    }

    const auto nSets = static_cast<std::uint32_t>(setCounts.size());
    m_setSize.resize(nSets);
    m_setExtras.resize(nSets);
    auto candidate = [&](std::uint32_t nId) {
        return CKeepCandidate{timeOf[nId], sets.GetPath(nId), IsFileReference(nId),
                              IsFileLinked(nId)};
    };
    for (std::uint32_t nSet = 0; nSet < nSets; ++nSet) {
        const auto first = m_setFiles.begin() + m_setStart[nSet];
        const auto last = m_setFiles.begin() + m_setStart[nSet + 1];
        std::sort(first, last, [&](std::uint32_t a, std::uint32_t b) {
            return KeepsBefore(candidate(a), candidate(b), KEEP_NEWEST);
        });
        m_setSize[nSet] = sizeOf[*first];
        const auto nReferences = static_cast<std::uint32_t>(
            std::count_if(first, last, [&](std::uint32_t nId) { return IsFileReference(nId); }));
        const auto nLinked = static_cast<std::uint32_t>(
            std::count_if(first, last, [&](std::uint32_t nId) {
                return IsFileLinked(nId) && !IsFileReference(nId);
            }));
        // Reference and linked files are never extra; the kept file is a reference file when
        // the set has one, else a file that is no link when there is one.
        const auto nOthers = static_cast<std::uint32_t>(last - first) - nReferences - nLinked;
        const std::uint32_t nKeptOthers = nReferences == 0 && nOthers > 0 ? 1 : 0;
        m_setExtras[nSet] = m_setSize[nSet] == 0 ? 0 : nOthers - nKeptOthers;
    }

    m_fileRowStart = Offsets(rowCounts);
    m_fileRows.resize(nRows);
    std::vector<std::uint32_t> next(m_fileRowStart.begin(), m_fileRowStart.end() - 1);
    for (std::size_t i = 0; i < nRows; ++i)
        m_fileRows[next[m_rowFile[i]]++] = static_cast<std::uint32_t>(i);
}

void CSetTable::Renumber(const std::vector<int>& newRow) {
    auto renumber = [&newRow](std::uint32_t nRow) {
        return static_cast<std::uint32_t>(newRow[nRow]);
    };
    std::vector<std::uint32_t> rowFile(m_rowFile.size());
    for (std::size_t i = 0; i < m_rowFile.size(); ++i)
        rowFile[renumber(static_cast<std::uint32_t>(i))] = m_rowFile[i];
    m_rowFile.swap(rowFile);
    for (std::uint32_t& nRow : m_fileRow) nRow = renumber(nRow);
    std::transform(m_fileRows.begin(), m_fileRows.end(), m_fileRows.begin(), renumber);
    for (std::uint32_t nFile = 0; nFile < GetFileCount(); ++nFile)
        std::sort(m_fileRows.begin() + m_fileRowStart[nFile],
                  m_fileRows.begin() + m_fileRowStart[nFile + 1]);
}

CSetSummary CSetTable::GetSummary() const {
    CSetSummary summary;
    for (std::uint32_t nSet = 0; nSet < GetSetCount(); ++nSet) {
        if (GetSetFiles(nSet).size() < 2) continue;
        ++summary.nSets;
        summary.nExtraCopies += m_setExtras[nSet];
        summary.nBytesToFree += GetSetBytesToFree(nSet);
    }
    return summary;
}
