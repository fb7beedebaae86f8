// Reading a range of an open file, and the one hashing loop behind CFileInfo::GetChecksum,
// CFileInfo::GetCRC and the matcher's criterion.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct XXH3_state_s;

enum class EHashKind {
    Xxh3,   // XXH3-64, the checksum
    Crc32,  // the zlib / IEEE 802.3 CRC-32
};

// A running hash of either kind; Digest gives the CRC-32 in the low 32 bits.
class CHasher {
public:
    explicit CHasher(EHashKind nKind);
    ~CHasher();
    CHasher(const CHasher&) = delete;
    CHasher& operator=(const CHasher&) = delete;

    bool IsValid() const;  // false when the state could not be allocated
    void Reset();
    void Update(const char* p, std::size_t n);
    std::uint64_t Digest() const;
    // XXH3-128 of what was fed, from the same state: XXH3's 64- and 128-bit streams differ only
    // in their last step. False for a CRC-32.
    bool Digest128(std::uint64_t& nHigh, std::uint64_t& nLow) const;

private:
    EHashKind m_nKind;
    XXH3_state_s* m_pState = nullptr;
    std::uint32_t m_nCrc = 0;
};

// Told of each block as it is read: where and how much (progress in bytes, tests counting reads).
using FOnRead = std::function<void(std::uint64_t nOffset, std::size_t nLength)>;

// Reads up to nLength bytes at nOffset, retrying short reads; returns the count read (less
// only at end of file) or -1 on error.
long long ReadAt(int fd, char* pBuffer, std::size_t nLength, std::uint64_t nOffset);

// Feeds bytes [nOffset, nOffset + nLength) of fd to hasher, block by block through buffer
// (grown here to up to 256 KiB). Returns the count fed, less when the file ends first, or -1 on a
// read error (errno) or once *pAbort is raised.
long long HashFileRange(int fd, std::uint64_t nOffset, std::uint64_t nLength, CHasher& hasher,
                        std::vector<char>& buffer, const std::atomic<int>* pAbort,
                        const FOnRead& onRead = {});
