// A row of the hash cache. Each entry: a flags byte, then the device (left out when it is the
// one before's), the inode (as the step from the one before's on the same device), the size,
// the modification time (as the step from the one before's), the change time (as the step from
// its modification time), the day last seen (as the step from the one before's), all as
// variable-length numbers, then the hashes flagged present, 8 bytes each, little-endian.

#include "CacheRow.h"

#include <utility>

namespace {

constexpr unsigned HAS_FIRST = 1, HAS_LAST = 2, HAS_WHOLE = 4, KIND_SHIFT = 3, KIND_MASK = 3 << 3;
constexpr unsigned SAME_DEVICE = 1 << 5;
constexpr unsigned LAST_IS_FIRST = 1 << 6;  // a file of one block: both hashes are of it

// Steps between signed numbers, wrapping rather than overflowing: any two are a step apart.
std::uint64_t Step(std::int64_t nFrom, std::int64_t nTo) {
    const auto n = static_cast<std::int64_t>(static_cast<std::uint64_t>(nTo) - static_cast<std::uint64_t>(nFrom));
    return (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63);  // small either way
}
std::int64_t TakeStep(std::int64_t nFrom, std::uint64_t nStep) {
    const std::uint64_t n = (nStep >> 1) ^ (0 - (nStep & 1));
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(nFrom) + n);
}

void PutNumber(std::string& out, std::uint64_t n) {
    char bytes[10];
    int i = 0;
    for (; n >= 0x80; n >>= 7) bytes[i++] = static_cast<char>(n | 0x80);
    bytes[i++] = static_cast<char>(n);
    out.append(bytes, static_cast<std::size_t>(i));
}

void PutHash(std::string& out, std::uint64_t n) {
    char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(n >> (8 * i));
    out.append(bytes, 8);
}

struct CRowReader {
    const unsigned char* p;
    const unsigned char* pEnd;
    bool bOk = true;

    std::uint64_t Number() {
        std::uint64_t n = 0;
        for (int nShift = 0; nShift < 64; nShift += 7) {
            if (p == pEnd) break;
            const unsigned char c = *p++;
            n |= std::uint64_t(c & 0x7f) << nShift;
            if (!(c & 0x80)) return n;
        }
        bOk = false;
        return 0;
    }
    std::uint64_t Hash() {
        if (pEnd - p < 8) {
            bOk = false;
            return 0;
        }
        std::uint64_t n = 0;
        for (int i = 0; i < 8; ++i) n |= std::uint64_t(p[i]) << (8 * i);
        p += 8;
        return n;
    }
};

}  // namespace

void CCacheRowWriter::Add(const CCacheEntry& e) {
    const CCacheStamp& s = e.m_stamp;
    const CCachedHashes& h = e.m_hashes;
    const bool bSameDevice = !m_bytes.empty() && s.m_nDevice == m_prev.m_stamp.m_nDevice;
    const bool bLastIsFirst = h.m_bFirst && h.m_bLast && h.m_nFirst == h.m_nLast;
    const unsigned nFlags = (h.m_bFirst ? HAS_FIRST : 0u) | (h.m_bLast ? HAS_LAST : 0u) |
                            (h.m_bWhole ? HAS_WHOLE : 0u) | unsigned(h.m_nKind) << KIND_SHIFT |
                            (bSameDevice ? SAME_DEVICE : 0u) | (bLastIsFirst ? LAST_IS_FIRST : 0u);
    m_bytes.push_back(static_cast<char>(nFlags));
    if (!bSameDevice) PutNumber(m_bytes, s.m_nDevice);
    PutNumber(m_bytes, bSameDevice ? s.m_nInode - m_prev.m_stamp.m_nInode : s.m_nInode);
    PutNumber(m_bytes, s.m_nSize);
    PutNumber(m_bytes, Step(m_prev.m_stamp.m_nModifiedNs, s.m_nModifiedNs));
    PutNumber(m_bytes, Step(s.m_nModifiedNs, s.m_nChangedNs));
    PutNumber(m_bytes, Step(m_prev.m_hashes.m_nSeenDay, h.m_nSeenDay));
    if (h.m_bFirst) PutHash(m_bytes, h.m_nFirst);
    if (h.m_bLast && !bLastIsFirst) PutHash(m_bytes, h.m_nLast);
    if (h.m_nKind != CACHED_NONE) PutNumber(m_bytes, h.m_nSpan), PutHash(m_bytes, h.m_nValue);
    if (h.m_bWhole) PutHash(m_bytes, h.m_nWholeHigh), PutHash(m_bytes, h.m_nWholeLow);
    m_prev = e;
}

bool ReadCacheRow(const void* pBytes, std::size_t nBytes, std::uint64_t nFolder,
                  std::vector<CCacheEntry>& entries) {
    const auto* p = static_cast<const unsigned char*>(pBytes);
    CRowReader in{p, p + nBytes};
    entries.reserve(entries.size() + nBytes / 48);
    CCacheEntry prev;
    for (bool bFirstEntry = true; in.bOk && in.p < in.pEnd; bFirstEntry = false) {
        CCacheEntry e;
        e.m_nFolder = nFolder;
        CCacheStamp& s = e.m_stamp;
        CCachedHashes& h = e.m_hashes;
        const unsigned nFlags = *in.p++;
        h.m_nKind = static_cast<int>((nFlags & KIND_MASK) >> KIND_SHIFT);
        const bool bSameDevice = nFlags & SAME_DEVICE;
        if (h.m_nKind > CACHED_CRC32 || nFlags > 0x7f || (bSameDevice && bFirstEntry) ||
            ((nFlags & LAST_IS_FIRST) && (~nFlags & (HAS_FIRST | HAS_LAST))))
            return false;
        s.m_nDevice = bSameDevice ? prev.m_stamp.m_nDevice : in.Number();
        const std::uint64_t nInode = in.Number();
        s.m_nInode = bSameDevice ? prev.m_stamp.m_nInode + nInode : nInode;
        s.m_nSize = in.Number();
        s.m_nModifiedNs = TakeStep(prev.m_stamp.m_nModifiedNs, in.Number());
        s.m_nChangedNs = TakeStep(s.m_nModifiedNs, in.Number());
        h.m_nSeenDay = TakeStep(prev.m_hashes.m_nSeenDay, in.Number());
        if ((h.m_bFirst = nFlags & HAS_FIRST)) h.m_nFirst = in.Hash();
        if ((h.m_bLast = nFlags & HAS_LAST)) h.m_nLast = (nFlags & LAST_IS_FIRST) ? h.m_nFirst : in.Hash();
        if (h.m_nKind != CACHED_NONE) h.m_nSpan = in.Number(), h.m_nValue = in.Hash();
        if ((h.m_bWhole = nFlags & HAS_WHOLE)) h.m_nWholeHigh = in.Hash(), h.m_nWholeLow = in.Hash();
        if (!bFirstEntry && !(std::pair(prev.m_stamp.m_nDevice, prev.m_stamp.m_nInode) <
                              std::pair(s.m_nDevice, s.m_nInode)))
            return false;
        entries.push_back(e);
        prev = e;
    }
    return in.bOk;
}
