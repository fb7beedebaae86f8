#include "ExtraCopies.h"

#include "DuplicateSets.h"

bool KeepsBefore(const CKeepCandidate& a, const CKeepCandidate& b, EKeepRule nKeep) {
    if (a.bReference != b.bReference) return a.bReference;
    if (a.bLinked != b.bLinked) return b.bLinked;
    if (a.tModified != b.tModified)
        return nKeep == KEEP_NEWEST ? a.tModified > b.tModified : a.tModified < b.tModified;
    return a.strPath < b.strPath;  // unsigned bytes: the same order whatever the locale
}

std::vector<char> FindExtraCopies(std::size_t nRows,
                                  const std::function<CSetRow(std::size_t)>& fnRow,
                                  EKeepRule nKeep) {
    CDuplicateSets sets(nRows);
    std::vector<std::uint32_t> sourceOf(nRows);
    std::vector<char> empty(nRows);
    std::vector<std::int64_t> timeOf;  // by file id
    std::vector<char> referenceOf;     // by file id
    std::vector<char> linkedOf;        // by file id
    timeOf.reserve(nRows);
    referenceOf.reserve(nRows);
    linkedOf.reserve(nRows);
    auto note = [&](std::uint32_t nId, std::int64_t t, bool bReference, bool bLinked) {
        if (nId != timeOf.size()) return;
        timeOf.push_back(t);
        referenceOf.push_back(bReference);
        linkedOf.push_back(bLinked);
    };
    for (std::size_t i = 0; i < nRows; ++i) {
        const CSetRow row = fnRow(i);
        std::uint32_t nTarget;
        const std::uint32_t nSource = sets.AddPair(row.strSource, row.strTarget, nTarget);
        // Ids count up from 0, so a new source comes before a new target.
        note(nSource, row.tSource, row.bSourceReference, row.bSourceLinked);
        note(nTarget, row.tTarget, row.bTargetReference, row.bTargetLinked);
        sourceOf[i] = nSource;
        empty[i] = row.bEmpty;
    }

    const std::uint32_t nFiles = static_cast<std::uint32_t>(sets.GetFileCount());
    auto candidate = [&](std::uint32_t nId) {
        return CKeepCandidate{timeOf[nId], sets.GetPath(nId), referenceOf[nId] != 0,
                              linkedOf[nId] != 0};
    };
    std::vector<std::uint32_t> kept(nFiles, CDuplicateSets::NONE);  // by set
    for (std::uint32_t nId = 0; nId < nFiles; ++nId) {
        std::uint32_t& nKept = kept[sets.Find(nId)];
        if (nKept == CDuplicateSets::NONE || KeepsBefore(candidate(nId), candidate(nKept), nKeep))
            nKept = nId;
    }

    std::vector<char> extra(nRows);
    for (std::size_t i = 0; i < nRows; ++i) {
        const std::uint32_t nSource = sourceOf[i];
        extra[i] = !empty[i] && !referenceOf[nSource] && !linkedOf[nSource] &&
                   kept[sets.Find(nSource)] != nSource;
    }
    return extra;
}
