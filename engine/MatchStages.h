// The stages that split the runs of one batch into sets of duplicates, cheapest first.
// Private to the engine.
#pragma once

#include "MatchBatch.h"

// Same file: sets -> the same sets with each (device, inode) once, its first entry kept; sets
// left with one file go. Reads nothing.
CSets DropSameInodes(const CBatch& batch, CSets sets);
// First block: sets -> split by the hash of each file's first min(span, edge block) bytes;
// unreadable files go. One read per file: a short span is read whole, for good (its criterion
// key, or under Contents its bytes, are kept for the last stage).
CSets SplitByFirstBlock(CBatch& batch, CSets sets);
// Last block: sets whose span is over the whole-read size -> split by the hash of the span's
// last edge block. Other sets pass unread.
CSets SplitByLastBlock(CBatch& batch, CSets sets);
// Criterion: sets -> split by the checksum or CRC over the span, or by the bytes themselves
// (Contents). Short spans use what the first read kept.
CSets SplitByCriterion(CBatch& batch, CSets sets);
