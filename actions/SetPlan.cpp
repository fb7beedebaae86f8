#include "SetPlan.h"

#include "DuplicateSets.h"
#include "ExtraCopies.h"

namespace {

struct CMember {
    std::int64_t tModified = 0;
    bool bReference = false;
};

// A folder given without its closing '/' still names the folder, never a name prefix.
bool IsUnder(std::string_view strPath, std::string_view strFolder) {
    if (strFolder.empty()) return false;
    if (strFolder.back() == '/') strFolder.remove_suffix(1);
    return strPath.size() > strFolder.size() + 1 && strPath[strFolder.size()] == '/' &&
           strPath.substr(0, strFolder.size()) == strFolder;
}

// Whether a stays rather than b under the choice (not for KEEP_CHOICE_FIRST: ids decide).
bool StaysBefore(std::string_view strA, const CMember& a, std::string_view strB, const CMember& b,
                 const CKeepChoice& keep) {
    switch (keep.nChoice) {
        case KEEP_CHOICE_OLDEST:
            return KeepsBefore({a.tModified, strA, a.bReference}, {b.tModified, strB, b.bReference},
                               KEEP_OLDEST);
        case KEEP_CHOICE_SHORTEST_PATH:
            if (strA.size() != strB.size()) return strA.size() < strB.size();
            return strA < strB;
        case KEEP_CHOICE_IN_FOLDER:
        case KEEP_CHOICE_FIRST:
            return false;
        case KEEP_CHOICE_NEWEST:
        default:
            return KeepsBefore({a.tModified, strA, a.bReference}, {b.tModified, strB, b.bReference},
                               KEEP_NEWEST);
    }
}

}  // namespace

CSetPlan PlanSetActions(const std::vector<CResultRow>& rows, const CKeepChoice& keep) {
    CDuplicateSets sets(rows.size() * 2);
    std::vector<CMember> members;
    members.reserve(rows.size() * 2);
    auto note = [&](std::uint32_t nId, std::int64_t t, bool bReference) {
        if (nId == members.size()) members.push_back({t, bReference});
    };
    std::vector<std::uint64_t> sizeOf;  // by file id
    for (const CResultRow& row : rows) {
        std::uint32_t nTarget;
        const std::uint32_t nSource =
            sets.AddPair(row.m_strSourcePath, row.m_strTargetPath, nTarget);
        note(nSource, row.m_tSource, row.m_bSourceReference);
        note(nTarget, row.m_tTarget, row.m_bTargetReference);
        sizeOf.resize(members.size(), row.m_nSize);
    }

    const std::uint32_t nFiles = static_cast<std::uint32_t>(members.size());
    std::vector<std::uint32_t> stays(nFiles, CDuplicateSets::NONE);  // by set root
    CSetPlan result;
    for (std::uint32_t nId = 0; nId < nFiles; ++nId) {
        const std::uint32_t nRoot = sets.Find(nId);
        if (nRoot == nId) ++result.nSets;
        std::uint32_t& nStays = stays[nRoot];
        if (keep.nChoice == KEEP_CHOICE_IN_FOLDER) {
            if (nStays == CDuplicateSets::NONE && IsUnder(sets.GetPath(nId), keep.strFolder))
                nStays = nId;
        } else if (nStays == CDuplicateSets::NONE ||
                   StaysBefore(sets.GetPath(nId), members[nId], sets.GetPath(nStays),
                               members[nStays], keep)) {
            nStays = nId;
        }
    }

    // One selected row from each extra copy to the member that stays: the plan then checks
    // every file against it and keeps the last copy, whatever happened on disk since.
    std::vector<CPlanRow> planRows;
    for (std::uint32_t nId = 0; nId < nFiles; ++nId) {
        const std::uint32_t nStays = stays[sets.Find(nId)];
        if (nStays == CDuplicateSets::NONE) {
            if (sets.Find(nId) == nId) ++result.nSetsLeftAlone;
            continue;
        }
        if (nId == nStays || members[nId].bReference) continue;
        planRows.push_back({sets.GetPath(nId), sets.GetPath(nStays), sizeOf[nId],
                            members[nId].tModified, members[nStays].tModified, true});
    }
    result.plan = PlanDelete(planRows);
    return result;
}
