// The matcher's side of the hash cache: stamps and lookups before a batch's stages, cached
// values standing in for reads inside them, what was learned written back after. Private to
// the engine. Every function does nothing when the batch has no cache.
#pragma once

#include <cstddef>
#include <cstdint>

#include "FileHash.h"
#include "MatchBatch.h"

// Looks the sets' members up, and takes the entries of those the walk found as their entries
// were written. The others get their stamps when opened (CBatch::Open).
void LookUpCached(CBatch& batch, const CSets& sets);
// Writes back the entries that gained a value, or were last seen on an earlier day.
void StoreLearned(CBatch& batch);

// The first stage without reading: true when the cache gave candidate p's first-block key,
// and for a span read whole at the first read, its criterion key too (Contents then compares
// the bytes later, as they were not kept).
bool UseCachedFirst(CBatch& batch, std::size_t p);
// The last stage without reading: true when the cache gave p's last-block key.
bool UseCachedLast(CBatch& batch, std::size_t p);
// The checksum or CRC of p's span, when the cache has it for that span.
bool UseCachedCriterion(CBatch& batch, std::size_t p);

// What a read of candidate p gave, for the cache: the hash of its first (last) edge block,
// its criterion key, and its whole span's bytes. pFed, when given, was fed exactly those
// bytes; a checksum's hasher then gives their 128-bit hash without a second pass.
void LearnFirst(CBatch& batch, std::size_t p, std::uint64_t nKey);
void LearnLast(CBatch& batch, std::size_t p, std::uint64_t nKey);
void LearnCriterion(CBatch& batch, std::size_t p, std::uint64_t nKey);
void LearnWhole(CBatch& batch, std::size_t p, const char* pBytes, std::size_t n,
                const CHasher* pFed = nullptr);

// Contents: splits sets whose members all have a cached hash of the whole span by it. Unequal
// hashes prove unequal bytes; equal ones prove nothing, so the bytes are compared still.
CSets SplitByCachedContents(const CBatch& batch, CSets sets);
