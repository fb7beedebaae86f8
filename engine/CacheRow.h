// How the hash cache packs one folder's entries into a row: in (device, inode) order, each
// written against the one before it, so that a row is about 60 bytes a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CacheEntry.h"

class CCacheRowWriter {
public:
    // Entries must come in strictly rising (device, inode) order.
    void Add(const CCacheEntry& e);
    const std::string& Bytes() const { return m_bytes; }
    bool IsEmpty() const { return m_bytes.empty(); }

private:
    std::string m_bytes;
    CCacheEntry m_prev;
};

// Appends the row's entries, each given nFolder. False when the bytes are no row of entries in
// strictly rising (device, inode) order.
bool ReadCacheRow(const void* pBytes, std::size_t nBytes, std::uint64_t nFolder,
                  std::vector<CCacheEntry>& entries);
