// The matcher's stages.

#include "MatchStages.h"

#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>
#include <utility>

#include "ByteSplit.h"
#include "MatchCache.h"
#include "SearchState.h"

// ---------------------------------------------------------------------------------------------
// Helpers of the stages

namespace {

// Splits each set by the key of its readable members; groups of one go. Groups come in the
// order of their first member.
CSets SplitByKey(const CBatch& batch, const CSets& sets, std::uint64_t CCandidate::*pKey) {
    CSets result;
    std::vector<std::pair<std::uint64_t, std::size_t>> keyed;
    for (const auto& set : sets) {
        keyed.clear();
        for (std::size_t p : set)
            if (batch.m_candidates[p].m_bReadable)
                keyed.emplace_back(batch.m_candidates[p].*pKey, p);
        std::sort(keyed.begin(), keyed.end());
        const std::size_t nFirst = result.size();
        for (std::size_t i = 0; i < keyed.size();) {
            std::size_t j = i + 1;
            while (j < keyed.size() && keyed[j].first == keyed[i].first) ++j;
            if (j - i >= 2) {
                result.emplace_back();
                for (std::size_t k = i; k < j; ++k) result.back().push_back(keyed[k].second);
            }
            i = j;
        }
        std::sort(result.begin() + static_cast<std::ptrdiff_t>(nFirst), result.end());
    }
    return result;
}

std::vector<std::size_t> Members(const CSets& sets) {
    std::vector<std::size_t> all;
    for (const auto& set : sets) all.insert(all.end(), set.begin(), set.end());
    return all;
}

// Reads nLength bytes at nOffset of candidate p into the reader's buffer; false when the file
// cannot be opened or read in full (it joins no set then).
bool ReadBlock(CBatch& batch, CReader& reader, std::size_t p, std::uint64_t nOffset,
               std::size_t nLength) {
    CCandidate& c = batch.m_candidates[p];
    const int fd = batch.Open(reader, c);
    if (fd < 0) {
        c.m_bReadable = false;
        return false;
    }
    if (reader.m_buffer.size() < nLength) reader.m_buffer.resize(nLength);
    const long long nGot = ReadAt(fd, reader.m_buffer.data(), nLength, nOffset);
    const int nError = errno;
    ::close(fd);
    if (nGot > 0) batch.Read(c, nOffset, static_cast<std::size_t>(nGot));
    if (nGot != static_cast<long long>(nLength)) {  // shrank since it was opened, or failed
        batch.Unreadable(reader, c, nGot < 0 ? nError : 0);
        return false;
    }
    return true;
}

std::uint64_t EdgeHash(const CBatch& batch, const char* p, std::size_t n) {
    return batch.m_tuning.m_bSameHashes ? 0 : XXH3_64bits(p, n);
}

// Contents over open files: the set split by SplitOpenFiles, all members open at once.
CSets CompareOpenSet(CBatch& batch, CReader& reader, const std::vector<std::size_t>& set) {
    std::vector<int> fds;
    std::vector<std::size_t> open;  // candidate of each descriptor
    for (std::size_t p : set) {
        const int fd = batch.Open(reader, batch.m_candidates[p]);
        if (fd < 0) {
            batch.m_candidates[p].m_bReadable = false;
            continue;
        }
        fds.push_back(fd);
        open.push_back(p);
    }
    std::vector<CReadFailure> failures;
    const auto groups = SplitOpenFiles(
        fds, 0, batch.m_candidates[set.front()].m_nSpan, batch.m_pAbort,
        [&](std::size_t m, std::uint64_t nOffset, std::size_t n) {
            batch.Read(batch.m_candidates[open[m]], nOffset, n);
        },
        &failures);
    for (int fd : fds) ::close(fd);
    for (const CReadFailure& f : failures)
        batch.Unreadable(reader, batch.m_candidates[open[f.nMember]], f.nErrno);
    CSets result;
    for (const auto& group : groups) {
        result.emplace_back();
        for (std::size_t m : group) result.back().push_back(open[m]);
    }
    return result;
}

// Contents for a set too large to keep open: each file against the first of every group so far.
CSets CompareSetPairwise(CBatch& batch, CReader& reader, const std::vector<std::size_t>& set) {
    CSets groups;
    for (std::size_t p : set) {
        bool bPlaced = false;
        for (auto& group : groups) {
            // A first member gone unreadable gives way to the next: they were equal.
            while (!group.empty() && !batch.m_candidates[group.front()].m_bReadable)
                group.erase(group.begin());
            if (group.empty()) continue;
            const CSets pair = CompareOpenSet(batch, reader, {group.front(), p});
            if (!pair.empty()) {
                group.push_back(p);
                bPlaced = true;
                break;
            }
            if (!batch.m_candidates[p].m_bReadable) break;
        }
        if (!bPlaced && batch.m_candidates[p].m_bReadable) groups.push_back({p});
    }
    std::erase_if(groups, [](const auto& g) { return g.size() < 2; });
    return groups;
}

// Contents where the first read kept every member's span: compared in memory.
CSets CompareKeptSet(const CBatch& batch, const std::vector<std::size_t>& set) {
    const std::size_t n = static_cast<std::size_t>(batch.m_candidates[set.front()].m_nSpan);
    CSets groups;
    for (std::size_t p : set) {
        const char* pBytes = batch.m_kept.m_p.get() + batch.m_candidates[p].m_nKept;
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return std::memcmp(batch.m_kept.m_p.get() + batch.m_candidates[g.front()].m_nKept,
                               pBytes, n) == 0;
        });
        if (it != groups.end())
            it->push_back(p);
        else
            groups.push_back({p});
    }
    std::erase_if(groups, [](const auto& g) { return g.size() < 2; });
    return groups;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The stages

CSets DropSameInodes(const CBatch& batch, CSets sets) {
    std::vector<std::tuple<std::uint64_t, std::uint64_t, std::size_t>> ids;
    for (auto& set : sets) {
        ids.clear();
        for (std::size_t p : set) {
            const CFileInfo& f = batch.File(batch.m_candidates[p]);
            ids.emplace_back(f.GetDevice(), f.GetInode(), p);
        }
        std::sort(ids.begin(), ids.end());
        set.clear();
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (i == 0 || std::get<0>(ids[i]) != std::get<0>(ids[i - 1]) ||
                std::get<1>(ids[i]) != std::get<1>(ids[i - 1]))
                set.push_back(std::get<2>(ids[i]));
        std::sort(set.begin(), set.end());
    }
    std::erase_if(sets, [](const auto& s) { return s.size() < 2; });
    return sets;
}

CSets SplitByFirstBlock(CBatch& batch, CSets sets) {
    const std::vector<std::size_t> all = Members(sets);
    batch.ForEach(all.size(), [&](std::size_t i, CReader& reader) {
        CCandidate& c = batch.m_candidates[all[i]];
        if (UseCachedFirst(batch, all[i])) return;
        const std::size_t nRead = static_cast<std::size_t>(batch.FirstRead(c));
        if (!ReadBlock(batch, reader, all[i], 0, nRead)) return;
        const char* pBytes = reader.m_buffer.data();
        c.m_nKey = EdgeHash(batch, pBytes, std::min(nRead, batch.m_tuning.m_nEdgeBlock));
        LearnFirst(batch, all[i], c.m_nKey);
        if (!c.m_bWhole) return;
        if (c.m_nKept != CCandidate::NOT_KEPT)
            std::memcpy(batch.m_kept.m_p.get() + c.m_nKept, pBytes, nRead);
        if (batch.m_nCriterion == MATCH_CONTENTS) {
            LearnWhole(batch, all[i], pBytes, nRead);
            return;
        }
        reader.m_hasher.Reset();
        reader.m_hasher.Update(pBytes, nRead);
        c.m_nCriterionKey = reader.m_hasher.Digest();
        LearnCriterion(batch, all[i], c.m_nCriterionKey);
        LearnWhole(batch, all[i], pBytes, nRead, &reader.m_hasher);
    });
    return SplitByKey(batch, sets, &CCandidate::m_nKey);
}

CSets SplitByLastBlock(CBatch& batch, CSets sets) {
    CSets longSets, result;
    for (auto& set : sets) {
        if (batch.m_candidates[set.front()].m_nSpan > batch.m_tuning.m_nWholeReadMax)
            longSets.push_back(std::move(set));
        else
            result.push_back(std::move(set));
    }
    const std::vector<std::size_t> all = Members(longSets);
    batch.ForEach(all.size(), [&](std::size_t i, CReader& reader) {
        CCandidate& c = batch.m_candidates[all[i]];
        if (UseCachedLast(batch, all[i])) return;
        const std::size_t nRead = static_cast<std::size_t>(
            std::min<std::uint64_t>(c.m_nSpan, batch.m_tuning.m_nEdgeBlock));
        if (!ReadBlock(batch, reader, all[i], c.m_nSpan - nRead, nRead)) return;
        c.m_nKey = EdgeHash(batch, reader.m_buffer.data(), nRead);
        LearnLast(batch, all[i], c.m_nKey);
    });
    for (auto& set : SplitByKey(batch, longSets, &CCandidate::m_nKey))
        result.push_back(std::move(set));
    std::sort(result.begin(), result.end());
    return result;
}

CSets SplitByCriterion(CBatch& batch, CSets sets) {
    auto isWhole = [&](std::size_t p) { return batch.m_candidates[p].m_bWhole; };
    if (batch.m_nCriterion == MATCH_CONTENTS) {
        sets = SplitByCachedContents(batch, std::move(sets));
        std::vector<CSets> split(sets.size());
        batch.ForEach(sets.size(), [&](std::size_t i, CReader& reader) {
            const auto& set = sets[i];
            if (std::all_of(set.begin(), set.end(), [&](std::size_t p) {
                    return batch.m_candidates[p].m_nKept != CCandidate::NOT_KEPT;
                }))
                split[i] = CompareKeptSet(batch, set);
            else if (set.size() <= batch.m_tuning.m_nMaxOpenFiles)
                split[i] = CompareOpenSet(batch, reader, set);
            else
                split[i] = CompareSetPairwise(batch, reader, set);
        });
        CSets result;
        for (CSets& s : split)
            for (auto& set : s) result.push_back(std::move(set));
        return result;
    }
    std::vector<std::size_t> toHash;
    for (std::size_t p : Members(sets))
        if (!isWhole(p)) toHash.push_back(p);
    batch.ForEach(toHash.size(), [&](std::size_t i, CReader& reader) {
        CCandidate& c = batch.m_candidates[toHash[i]];
        if (UseCachedCriterion(batch, toHash[i])) return;
        const int fd = batch.Open(reader, c);
        if (fd < 0) {
            c.m_bReadable = false;
            return;
        }
        reader.m_hasher.Reset();
        const long long nFed =
            HashFileRange(fd, 0, c.m_nSpan, reader.m_hasher, reader.m_buffer, batch.m_pAbort,
                          [&](std::uint64_t nOffset, std::size_t n) { batch.Read(c, nOffset, n); });
        const int nError = errno;
        ::close(fd);
        // The file had its collected size when opened: a short count means it shrank since.
        if (nFed != static_cast<long long>(c.m_nSpan))
            batch.Unreadable(reader, c, nFed < 0 ? nError : 0);
        else
            LearnCriterion(batch, toHash[i], c.m_nCriterionKey = reader.m_hasher.Digest());
    });
    return SplitByKey(batch, sets, &CCandidate::m_nCriterionKey);
}
