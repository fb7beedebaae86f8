#include "ExtraCopies.h"

#include "DuplicateSets.h"

namespace {

// Whether file a is kept rather than file b.
bool KeepsBefore(std::int64_t tA, std::string_view strA, std::int64_t tB, std::string_view strB,
                 EKeepRule nKeep) {
    if (tA != tB) return nKeep == KEEP_NEWEST ? tA > tB : tA < tB;
    return strA < strB;  // unsigned bytes: the same order whatever the locale
}

}  // namespace

std::vector<char> FindExtraCopies(std::size_t nRows,
                                  const std::function<CSetRow(std::size_t)>& fnRow,
                                  EKeepRule nKeep) {
    CDuplicateSets sets(nRows);
    std::vector<std::uint32_t> sourceOf(nRows);
    std::vector<char> empty(nRows);
    std::vector<std::int64_t> timeOf;  // by file id
    timeOf.reserve(nRows);
    auto note = [&](std::uint32_t nId, std::int64_t t) {
        if (nId == timeOf.size()) timeOf.push_back(t);
    };
    for (std::size_t i = 0; i < nRows; ++i) {
        const CSetRow row = fnRow(i);
        std::uint32_t nTarget;
        const std::uint32_t nSource = sets.AddPair(row.strSource, row.strTarget, nTarget);
        // Ids count up from 0, so a new source comes before a new target.
        note(nSource, row.tSource);
        note(nTarget, row.tTarget);
        sourceOf[i] = nSource;
        empty[i] = row.bEmpty;
    }

    const std::uint32_t nFiles = static_cast<std::uint32_t>(sets.GetFileCount());
    std::vector<std::uint32_t> kept(nFiles, CDuplicateSets::NONE);  // by set
    for (std::uint32_t nId = 0; nId < nFiles; ++nId) {
        std::uint32_t& nKept = kept[sets.Find(nId)];
        if (nKept == CDuplicateSets::NONE ||
            KeepsBefore(timeOf[nId], sets.GetPath(nId), timeOf[nKept], sets.GetPath(nKept), nKeep))
            nKept = nId;
    }

    std::vector<char> extra(nRows);
    for (std::size_t i = 0; i < nRows; ++i)
        extra[i] = !empty[i] && kept[sets.Find(sourceOf[i])] != sourceOf[i];
    return extra;
}
