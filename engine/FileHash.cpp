// Hashing what is read from files: the one loop that GetChecksum, GetCRC and the matcher share.

#include "FileHash.h"

#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <string>

#include "FastCrc32.h"
#include "FileInfo.h"

namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

bool IsAborted(const std::atomic<int>* pAbort) {
    return pAbort && pAbort->load(std::memory_order_relaxed) != 0;
}

// The first nBytes (0: all) of the file at strPath, hashed as it is now, short or long.
std::optional<std::uint64_t> HashPath(const std::string& strPath, std::uint64_t nSizeHint,
                                      std::uint64_t nBytes, EHashKind nKind,
                                      const std::atomic<int>* pAbort) {
    CHasher hasher(nKind);
    if (!hasher.IsValid() || IsAborted(pAbort)) return std::nullopt;
    const int fd = OpenRegularFile(strPath);
    if (fd < 0) return std::nullopt;
    const std::uint64_t nLength = nBytes ? nBytes : std::numeric_limits<std::uint64_t>::max();
    // A buffer no larger than the file is likely to need: small files are the common case.
    std::vector<char> buffer(static_cast<std::size_t>(
        std::clamp<std::uint64_t>(std::min(nLength, nSizeHint), 4096, kReadBlock)));
    const long long nFed = HashFileRange(fd, 0, nLength, hasher, buffer, pAbort);
    ::close(fd);
    if (nFed < 0) return std::nullopt;
    return hasher.Digest();
}

}  // namespace

CHasher::CHasher(EHashKind nKind) : m_nKind(nKind) {
    if (m_nKind == EHashKind::Xxh3) m_pState = XXH3_createState();
    Reset();
}

CHasher::~CHasher() {
    if (m_pState) XXH3_freeState(m_pState);
}

bool CHasher::IsValid() const {
    return m_nKind == EHashKind::Crc32 || m_pState;
}

void CHasher::Reset() {
    m_nCrc = 0;
    if (m_pState) XXH3_64bits_reset(m_pState);
}

void CHasher::Update(const char* p, std::size_t n) {
    if (m_nKind == EHashKind::Crc32)
        m_nCrc = Crc32Update(m_nCrc, p, n);
    else if (m_pState)
        XXH3_64bits_update(m_pState, p, n);
}

std::uint64_t CHasher::Digest() const {
    if (m_nKind == EHashKind::Crc32) return m_nCrc;
    return m_pState ? XXH3_64bits_digest(m_pState) : 0;
}

bool CHasher::Digest128(std::uint64_t& nHigh, std::uint64_t& nLow) const {
    if (m_nKind != EHashKind::Xxh3 || !m_pState) return false;
    const XXH128_hash_t hash = XXH3_128bits_digest(m_pState);
    nHigh = hash.high64;
    nLow = hash.low64;
    return true;
}

long long ReadAt(int fd, char* pBuffer, std::size_t nLength, std::uint64_t nOffset) {
    std::size_t nDone = 0;
    while (nDone < nLength) {
        const ssize_t n =
            ::pread(fd, pBuffer + nDone, nLength - nDone, static_cast<off_t>(nOffset + nDone));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        nDone += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(nDone);
}

long long HashFileRange(int fd, std::uint64_t nOffset, std::uint64_t nLength, CHasher& hasher,
                        std::vector<char>& buffer, const std::atomic<int>* pAbort,
                        const FOnRead& onRead) {
    // Large blocks, however small the buffer came: a long file read in small ones costs a call
    // per block.
    const auto nBlock = static_cast<std::size_t>(std::clamp<std::uint64_t>(nLength, 1, kReadBlock));
    if (buffer.size() < nBlock) buffer.resize(nBlock);
    if (nLength > buffer.size())
        ::posix_fadvise(fd, static_cast<off_t>(nOffset), 0, POSIX_FADV_SEQUENTIAL);
    std::uint64_t nDone = 0;
    while (nDone < nLength) {
        if (IsAborted(pAbort)) return -1;
        const std::size_t nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(nLength - nDone, buffer.size()));
        const long long nGot = ReadAt(fd, buffer.data(), nWant, nOffset + nDone);
        if (nGot < 0) return -1;
        if (onRead) onRead(nOffset + nDone, static_cast<std::size_t>(nGot));
        hasher.Update(buffer.data(), static_cast<std::size_t>(nGot));
        nDone += static_cast<std::uint64_t>(nGot);
        if (static_cast<std::size_t>(nGot) < nWant) break;  // the end of the file
    }
    return static_cast<long long>(nDone);
}

std::optional<std::uint64_t> CFileInfo::GetChecksum(std::uint64_t nBytes,
                                                    const std::atomic<int>* pAbort) const {
    return HashPath(GetFilePath(), GetLength(), nBytes, EHashKind::Xxh3, pAbort);
}

std::optional<std::uint32_t> CFileInfo::GetCRC(std::uint64_t nBytes,
                                               const std::atomic<int>* pAbort) const {
    const auto nCrc = HashPath(GetFilePath(), GetLength(), nBytes, EHashKind::Crc32, pAbort);
    if (!nCrc) return std::nullopt;
    return static_cast<std::uint32_t>(*nCrc);
}
