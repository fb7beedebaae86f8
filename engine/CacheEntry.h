// What the hash cache keeps of one file, and the state of the file it is valid for.
#pragma once

#include <cstddef>
#include <cstdint>

// Who a file is and the state it was in when its hashes were learned: they stand for the file
// only while it is in that state.
struct CCacheStamp {
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
    std::uint64_t m_nSize = 0;
    std::int64_t m_nModifiedNs = 0;
    std::int64_t m_nChangedNs = 0;
    bool operator==(const CCacheStamp&) const = default;
};

// The hash kinds a criterion value can be of.
enum ECachedKind : int {
    CACHED_NONE = 0,
    CACHED_CHECKSUM = 1,  // XXH3-64
    CACHED_CRC32 = 2,
};

// What is known of one file; each value is there when its flag says so.
struct CCachedHashes {
    static constexpr std::size_t EDGE = 4096;  // the edge blocks the hashes below cover
    bool m_bFirst = false;
    bool m_bLast = false;
    bool m_bWhole = false;
    std::uint64_t m_nFirst = 0;  // XXH3-64 of the first min(size, EDGE) bytes
    std::uint64_t m_nLast = 0;   // XXH3-64 of the last min(size, EDGE) bytes
    int m_nKind = CACHED_NONE;   // of the criterion value, over the first m_nSpan bytes
    std::uint64_t m_nSpan = 0;
    std::uint64_t m_nValue = 0;
    std::uint64_t m_nWholeHigh = 0, m_nWholeLow = 0;  // XXH3-128 of the whole file
    std::int64_t m_nSeenDay = 0;                      // days since the epoch
};

// What is kept of one file: its stamp when the hashes were learned, and the folder it was
// found in (CHashCache::FolderKey).
struct CCacheEntry {
    CCacheStamp m_stamp;
    CCachedHashes m_hashes;
    std::uint64_t m_nFolder = 0;
};
