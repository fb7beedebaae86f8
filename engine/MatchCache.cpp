// Cached values standing in for the matcher's reads, and new ones going back to the cache.

#include "MatchCache.h"

#include <xxhash.h>

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

#include "SearchState.h"

namespace {

// The slot of candidate p when its cached values may be used, else null.
CCacheSlot* Slot(CBatch& batch, std::size_t p) {
    if (!batch.m_pCache || p >= batch.m_cache.size()) return nullptr;
    CCacheSlot& slot = batch.m_cache[p];
    return slot.m_bStamped ? &slot : nullptr;
}

const CCacheSlot* Slot(const CBatch& batch, std::size_t p) {
    return Slot(const_cast<CBatch&>(batch), p);
}

// Edge hashes are kept for the cache's block size only, and never the tests' equal ones.
bool EdgesFit(const CBatch& batch) {
    return batch.m_tuning.m_nEdgeBlock == CCachedHashes::EDGE && !batch.m_tuning.m_bSameHashes;
}

// The first block of the span is the file's first block: the span is whole or reaches past it.
bool FirstIsFiles(const CBatch& batch, std::size_t p) {
    const CCandidate& c = batch.m_candidates[p];
    return c.m_nSpan >= CCachedHashes::EDGE || c.m_nSpan == batch.File(c).GetLength();
}

bool SpanIsFile(const CBatch& batch, std::size_t p) {
    const CCandidate& c = batch.m_candidates[p];
    return c.m_nSpan == batch.File(c).GetLength();
}

// Keeps an edge block's hash, when it is of the block the cache keeps.
void LearnEdge(CBatch& batch, std::size_t p, bool CCachedHashes::*pHave,
               std::uint64_t CCachedHashes::*pHash, std::uint64_t nKey) {
    CCacheSlot* pSlot = Slot(batch, p);
    if (!pSlot || !EdgesFit(batch)) return;
    pSlot->m_hashes.*pHave = true;
    pSlot->m_hashes.*pHash = nKey;
    pSlot->m_bLearned = true;
}

std::int64_t FloorSeconds(std::int64_t nNs) {
    constexpr std::int64_t NS = 1'000'000'000;
    return nNs / NS - (nNs % NS < 0 ? 1 : 0);
}

int CachedKind(int nCriterion) {
    if (nCriterion == MATCH_CHECKSUM) return CACHED_CHECKSUM;
    if (nCriterion == MATCH_CRC32) return CACHED_CRC32;
    return CACHED_NONE;
}

}  // namespace

void LookUpCached(CBatch& batch, const CSets& sets) {
    if (!batch.m_pCache || !batch.m_pCache->IsUsable()) return;
    batch.m_cache.assign(batch.m_candidates.size(), CCacheSlot{});
    std::vector<std::size_t> all;
    for (const auto& set : sets) all.insert(all.end(), set.begin(), set.end());
    // Entries are kept by folder: each folder's key is worked out once.
    std::unordered_map<const std::string*, std::uint64_t> keys;
    for (std::size_t p : all) {
        const std::string& strDir = batch.File(batch.m_candidates[p]).GetFileDir();
        const auto [it, bNew] = keys.try_emplace(&strDir, 0);
        if (bNew) it->second = CHashCache::FolderKey(strDir);
        batch.m_cache[p].m_nFolder = it->second;
    }
    batch.m_nStampedNs = CHashCache::NowNs();
    if (batch.m_pCache->IsEmpty()) return;
    auto place = [&](std::size_t p) {
        const CFileInfo& file = batch.File(batch.m_candidates[p]);
        return std::pair(batch.m_cache[p].m_nFolder, CHashCache::CId(file.GetDevice(), file.GetInode()));
    };
    // Folder after folder, in the order of the cache's table: each row is read once.
    std::sort(all.begin(), all.end(), [&](std::size_t a, std::size_t b) { return place(a) < place(b); });
    std::vector<CHashCache::CPlace> places;
    places.reserve(all.size());
    for (std::size_t p : all) {
        const auto [nFolder, id] = place(p);
        places.push_back({nFolder, id});
    }
    std::vector<const CHashCache::CEntry*> found;
    batch.m_pCache->Lookup(places, found);
    // A file is as its entry was written while the walk found it of the same size and change
    // time (any write, or change of its times, moves the change time on) and modification
    // second: it need not be asked again. The others are read, and stamped when opened.
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!found[i]) continue;
        const CFileInfo& file = batch.File(batch.m_candidates[all[i]]);
        const CCacheStamp& stamp = found[i]->m_stamp;
        if (stamp.m_nSize != file.GetLength() || stamp.m_nChangedNs != file.GetChangedNs() ||
            FloorSeconds(stamp.m_nModifiedNs) != file.GetTime())
            continue;
        CCacheSlot& slot = batch.m_cache[all[i]];
        slot.m_stamp = stamp;
        slot.m_hashes = found[i]->m_hashes;
        slot.m_bStamped = true;
    }
}

void StoreLearned(CBatch& batch) {
    if (!batch.m_pCache || !batch.m_pCache->IsUsable()) return;
    const std::int64_t nToday = batch.m_pCache->m_nToday;
    std::vector<CHashCache::CEntry> entries;
    entries.reserve(batch.m_cache.size());
    for (std::size_t p = 0; p < batch.m_cache.size(); ++p) {
        const CCacheSlot& slot = batch.m_cache[p];
        if (!slot.m_bStamped || !batch.m_candidates[p].m_bReadable) continue;
        if (!slot.m_bLearned && slot.m_hashes.m_nSeenDay == nToday) continue;
        if (!slot.m_bLearned && slot.m_hashes.m_nSeenDay == 0) continue;  // nothing known
        entries.push_back({slot.m_stamp, slot.m_hashes, slot.m_nFolder});
    }
    batch.m_pCache->Store(std::move(entries), batch.m_nStampedNs);
}

bool UseCachedFirst(CBatch& batch, std::size_t p) {
    const CCacheSlot* pSlot = Slot(batch, p);
    if (!pSlot || !pSlot->m_hashes.m_bFirst || !EdgesFit(batch) || !FirstIsFiles(batch, p))
        return false;
    CCandidate& c = batch.m_candidates[p];
    // A span read whole at the first read is read once anyway, unless the cache can also tell
    // it from the others: by its criterion key, or under Contents by the whole file's hash.
    if (c.m_bWhole && batch.m_nCriterion != MATCH_CONTENTS && !UseCachedCriterion(batch, p))
        return false;
    if (c.m_bWhole && batch.m_nCriterion == MATCH_CONTENTS &&
        !(pSlot->m_hashes.m_bWhole && SpanIsFile(batch, p)))
        return false;
    c.m_nKey = pSlot->m_hashes.m_nFirst;
    c.m_nKept = CCandidate::NOT_KEPT;
    return true;
}

bool UseCachedLast(CBatch& batch, std::size_t p) {
    const CCacheSlot* pSlot = Slot(batch, p);
    if (!pSlot || !pSlot->m_hashes.m_bLast || !EdgesFit(batch) || !SpanIsFile(batch, p)) return false;
    batch.m_candidates[p].m_nKey = pSlot->m_hashes.m_nLast;
    return true;
}

bool UseCachedCriterion(CBatch& batch, std::size_t p) {
    const CCacheSlot* pSlot = Slot(batch, p);
    CCandidate& c = batch.m_candidates[p];
    if (!pSlot || pSlot->m_hashes.m_nKind == CACHED_NONE ||
        pSlot->m_hashes.m_nKind != CachedKind(batch.m_nCriterion) || pSlot->m_hashes.m_nSpan != c.m_nSpan)
        return false;
    c.m_nCriterionKey = pSlot->m_hashes.m_nValue;
    return true;
}

void LearnFirst(CBatch& batch, std::size_t p, std::uint64_t nKey) {
    if (FirstIsFiles(batch, p)) LearnEdge(batch, p, &CCachedHashes::m_bFirst, &CCachedHashes::m_nFirst, nKey);
}

void LearnLast(CBatch& batch, std::size_t p, std::uint64_t nKey) {
    if (SpanIsFile(batch, p)) LearnEdge(batch, p, &CCachedHashes::m_bLast, &CCachedHashes::m_nLast, nKey);
}

void LearnCriterion(CBatch& batch, std::size_t p, std::uint64_t nKey) {
    CCacheSlot* pSlot = Slot(batch, p);
    const int nKind = CachedKind(batch.m_nCriterion);
    if (!pSlot || nKind == CACHED_NONE) return;
    // One criterion value per file: this span's replaces another's.
    pSlot->m_hashes.m_nKind = nKind;
    pSlot->m_hashes.m_nSpan = batch.m_candidates[p].m_nSpan;
    pSlot->m_hashes.m_nValue = nKey;
    pSlot->m_bLearned = true;
}

void LearnWhole(CBatch& batch, std::size_t p, const char* pBytes, std::size_t n, const CHasher* pFed) {
    CCacheSlot* pSlot = Slot(batch, p);
    if (!pSlot || !SpanIsFile(batch, p) || n != batch.m_candidates[p].m_nSpan) return;
    CCachedHashes& h = pSlot->m_hashes;
    if (!pFed || !pFed->Digest128(h.m_nWholeHigh, h.m_nWholeLow)) {
        const XXH128_hash_t hash = XXH3_128bits(pBytes, n);
        h.m_nWholeHigh = hash.high64;
        h.m_nWholeLow = hash.low64;
    }
    h.m_bWhole = true;
    pSlot->m_bLearned = true;
}

CSets SplitByCachedContents(const CBatch& batch, CSets sets) {
    if (!batch.m_pCache) return sets;
    CSets result;
    for (auto& set : sets) {
        // Only sets whose every member has the whole span's hash: one without would have to be
        // compared with every group.
        const bool bAll = std::all_of(set.begin(), set.end(), [&](std::size_t p) {
            const CCacheSlot* pSlot = Slot(batch, p);
            return pSlot && pSlot->m_hashes.m_bWhole && SpanIsFile(batch, p);
        });
        if (!bAll) {
            result.push_back(std::move(set));
            continue;
        }
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<std::size_t>> groups;
        for (std::size_t p : set) {
            const CCachedHashes& h = Slot(batch, p)->m_hashes;
            groups[{h.m_nWholeHigh, h.m_nWholeLow}].push_back(p);
        }
        for (auto& [key, group] : groups)
            if (group.size() >= 2) result.push_back(std::move(group));
    }
    std::sort(result.begin(), result.end());
    return result;
}
