#include "FileInfo.h"

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>

#include <fcntl.h>
#include <locale.h>
#include <wctype.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include "DirWalk.h"
#include "FastCrc32.h"

// ---------------------------------------------------------------------------------------------
// Folder blocks

struct CFileInfo::CDir {
    std::atomic<std::size_t> m_nRefs{0};
    std::string m_strPath;   // ends with '/'
    std::string m_strNames;  // the names of its files, back to back
};

namespace {

void AddRef(CFileInfo::CDir* pDir) {
    if (pDir) pDir->m_nRefs.fetch_add(1, std::memory_order_relaxed);
}

void Release(CFileInfo::CDir* pDir) {
    if (pDir && pDir->m_nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete pDir;
}

}  // namespace

CFileInfo::CFileInfo(std::shared_ptr<const std::string> pDir, std::string strName,
                     std::uint64_t nSize, std::int64_t tModified, std::uint64_t nDevice,
                     std::uint64_t nInode)
    : m_pDir(new CDir), m_nSize(nSize), m_tModified(tModified), m_nDevice(nDevice),
      m_nInode(nInode), m_nNameLength(static_cast<std::uint32_t>(strName.size())) {
    AddRef(m_pDir);
    if (pDir) m_pDir->m_strPath = *pDir;
    if (!m_pDir->m_strPath.empty() && m_pDir->m_strPath.back() != '/')
        m_pDir->m_strPath.push_back('/');
    m_pDir->m_strNames = std::move(strName);
}

CFileInfo::CFileInfo(CDir* pDir, std::uint32_t nNameOffset, std::uint32_t nNameLength,
                     std::uint64_t nSize, std::int64_t tModified, std::uint64_t nDevice,
                     std::uint64_t nInode) noexcept
    : m_pDir(pDir), m_nSize(nSize), m_tModified(tModified), m_nDevice(nDevice),
      m_nInode(nInode), m_nNameOffset(nNameOffset), m_nNameLength(nNameLength) {
    AddRef(m_pDir);
}

CFileInfo::CFileInfo(const CFileInfo& other) noexcept
    : m_pDir(other.m_pDir), m_nSize(other.m_nSize), m_tModified(other.m_tModified),
      m_nDevice(other.m_nDevice), m_nInode(other.m_nInode), m_nNameOffset(other.m_nNameOffset),
      m_nNameLength(other.m_nNameLength) {
    AddRef(m_pDir);
}

CFileInfo::CFileInfo(CFileInfo&& other) noexcept
    : m_pDir(std::exchange(other.m_pDir, nullptr)), m_nSize(other.m_nSize),
      m_tModified(other.m_tModified), m_nDevice(other.m_nDevice), m_nInode(other.m_nInode),
      m_nNameOffset(other.m_nNameOffset), m_nNameLength(other.m_nNameLength) {}

void CFileInfo::CopyPlainFields(const CFileInfo& other) noexcept {
    m_nSize = other.m_nSize;
    m_tModified = other.m_tModified;
    m_nDevice = other.m_nDevice;
    m_nInode = other.m_nInode;
    m_nNameOffset = other.m_nNameOffset;
    m_nNameLength = other.m_nNameLength;
}

CFileInfo& CFileInfo::operator=(const CFileInfo& other) noexcept {
    if (this != &other) {
        AddRef(other.m_pDir);
        Release(m_pDir);
        m_pDir = other.m_pDir;
        CopyPlainFields(other);
    }
    return *this;
}

CFileInfo& CFileInfo::operator=(CFileInfo&& other) noexcept {
    if (this != &other) {
        Release(m_pDir);
        m_pDir = std::exchange(other.m_pDir, nullptr);
        CopyPlainFields(other);
    }
    return *this;
}

CFileInfo::~CFileInfo() { Release(m_pDir); }

std::string_view CFileInfo::GetNameView() const {
    if (!m_pDir) return {};
    return std::string_view(m_pDir->m_strNames).substr(m_nNameOffset, m_nNameLength);
}

const std::string& CFileInfo::GetFileDir() const {
    static const std::string s_strEmpty;
    return m_pDir ? m_pDir->m_strPath : s_strEmpty;
}

std::string CFileInfo::GetFilePath() const {
    const std::string& strDir = GetFileDir();
    const std::string_view strName = GetNameView();
    std::string strPath;
    strPath.reserve(strDir.size() + strName.size());
    strPath.append(strDir).append(strName);
    return strPath;
}

// ---------------------------------------------------------------------------------------------
// Checksums

namespace {

// The regular file opened read-only, of size *pSize when that is given; else -1.
int OpenRegular(int fdDir, const std::string& strName, const std::uint64_t* pSize) {
    // O_NONBLOCK: should the path have become a FIFO, open must not wait for a writer.
    const int fd = openat(fdDir, strName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int nError = errno;
        close(fd);
        errno = nError;
        return -1;
    }
    if (!S_ISREG(st.st_mode) || (pSize && static_cast<std::uint64_t>(st.st_size) != *pSize)) {
        close(fd);
        errno = 0;  // there, but not the file it was
        return -1;
    }
    return fd;
}

}  // namespace

int OpenRegularFileAt(int fdDir, const std::string& strName) {
    return OpenRegular(fdDir, strName, nullptr);
}

int OpenUnchangedFileAt(int fdDir, const std::string& strName, std::uint64_t nSize) {
    return OpenRegular(fdDir, strName, &nSize);
}

int OpenRegularFile(const std::string& strPath) { return OpenRegular(AT_FDCWD, strPath, nullptr); }

int OpenFolderPath(const std::string& strDir) {
    const int fd = open(strDir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
    // Deeper than the kernel takes in one path: go down in pieces that it does take.
    int fdAt = AT_FDCWD;
    std::size_t nPos = 0;
    while (nPos < strDir.size()) {
        std::size_t nEnd = strDir.size();
        if (nEnd - nPos >= PATH_MAX) {
            nEnd = strDir.rfind('/', nPos + PATH_MAX - 1);
            if (nEnd == std::string::npos || nEnd <= nPos) {
                if (fdAt != AT_FDCWD) close(fdAt);
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const std::string strPiece = strDir.substr(nPos, std::max<std::size_t>(nEnd - nPos, 1));
        const int fdNext = openat(fdAt, strPiece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int nError = errno;
        if (fdAt != AT_FDCWD) close(fdAt);
        if (fdNext < 0) {
            errno = nError;
            return -1;
        }
        fdAt = fdNext;
        nPos = nEnd + 1;
    }
    return fdAt;
}

namespace {

constexpr std::size_t kReadBufferSize = 256 * 1024;

struct CHashScratch {
    std::unique_ptr<char[]> m_pBuffer{new char[kReadBufferSize]};
    XXH3_state_t* m_pState = XXH3_createState();
    ~CHashScratch() { XXH3_freeState(m_pState); }
};

// One buffer per thread: the matcher hashes from several threads, and small files would
// otherwise pay for a large allocation each.
CHashScratch& Scratch() {
    thread_local CHashScratch s_scratch;
    return s_scratch;
}

// Feeds the first nBytes bytes of the file (0: all of it, up to its current end) to feed in
// large pieces. False when the file cannot be opened as a regular file, a read fails, or the
// abort flag is raised.
template <class FFeed>
bool ReadPrefix(const std::string& strPath, std::uint64_t nBytes, const std::atomic<int>* pAbort,
                FFeed&& feed) {
    auto aborted = [pAbort] { return pAbort && pAbort->load(std::memory_order_relaxed) != 0; };
    if (aborted()) return false;
    const int fd = OpenRegularFile(strPath);
    if (fd < 0) return false;
    bool bOk = true;
    posix_fadvise(fd, 0, static_cast<off_t>(nBytes), POSIX_FADV_SEQUENTIAL);
    char* pBuffer = Scratch().m_pBuffer.get();
    std::uint64_t nLeft = nBytes ? nBytes : std::numeric_limits<std::uint64_t>::max();
    while (nLeft > 0) {
        const std::size_t nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, kReadBufferSize));
        const ssize_t n = read(fd, pBuffer, nWant);
        if (n < 0) {
            if (errno == EINTR) continue;
            bOk = false;
            break;
        }
        if (n == 0) break;
        feed(pBuffer, static_cast<std::size_t>(n));
        nLeft -= static_cast<std::uint64_t>(n);
        if (aborted()) {
            bOk = false;
            break;
        }
    }
    close(fd);
    return bOk;
}

}  // namespace

std::optional<std::uint64_t> CFileInfo::GetChecksum(std::uint64_t nBytes,
                                                    const std::atomic<int>* pAbort) const {
    XXH3_state_t* pState = Scratch().m_pState;
    if (!pState || XXH3_64bits_reset(pState) != XXH_OK) return std::nullopt;
    const bool bOk = ReadPrefix(GetFilePath(), nBytes, pAbort, [pState](const char* p, std::size_t n) {
        XXH3_64bits_update(pState, p, n);
    });
    if (!bOk) return std::nullopt;
    return XXH3_64bits_digest(pState);
}

std::optional<std::uint32_t> CFileInfo::GetCRC(std::uint64_t nBytes,
                                               const std::atomic<int>* pAbort) const {
    std::uint32_t nCrc = 0;
    const bool bOk = ReadPrefix(GetFilePath(), nBytes, pAbort, [&nCrc](const char* p, std::size_t n) {
        nCrc = Crc32Update(nCrc, p, n);
    });
    if (!bOk) return std::nullopt;
    return nCrc;
}

// ---------------------------------------------------------------------------------------------
// Masks

namespace {


// Bytes of the character at i: a whole UTF-8 sequence when one starts there, else one byte,
// so that '?' stands for one letter of a UTF-8 name and still copes with other bytes.
std::size_t CharLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0xC2 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 1;
    if (i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// The character at i as a number, and its length in bytes. A byte that starts no valid UTF-8
// sequence stands for itself, numbered above every code point so it only equals itself.
char32_t CharAt(std::string_view s, std::size_t i, std::size_t& nLength) {
    nLength = CharLength(s, i);
    const auto c = static_cast<unsigned char>(s[i]);
    if (nLength == 1) return c < 0x80 ? c : 0x110000 + c;
    char32_t nCode = c & (0x7F >> nLength);
    for (std::size_t k = 1; k < nLength; ++k)
        nCode = (nCode << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return nCode;
}

// Letter case folded: ASCII by hand, other letters by the C.UTF-8 tables, whatever locale the
// process selected, so that "\xc3\xa9*" takes "\xc3\x89T\xc3\x89.TXT".
char32_t FoldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
    if (c > 0x10FFFF) return c;
    static const locale_t s_utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    return s_utf8 ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), s_utf8)) : c;
}

bool MatchWildcards(std::string_view strName, std::string_view strMask) {
    std::size_t n = 0, m = 0;
    std::size_t nStarMask = std::string_view::npos, nStarName = 0;
    while (n < strName.size()) {
        if (m < strMask.size() && strMask[m] == '*') {
            nStarMask = ++m;
            nStarName = n;
            continue;
        }
        if (m < strMask.size()) {
            if (strMask[m] == '?') {
                n += CharLength(strName, n);
                ++m;
                continue;
            }
            // Character by character: a letter and its other case may differ in length.
            std::size_t nMaskLength = 1, nNameLength = 1;
            if (FoldCase(CharAt(strMask, m, nMaskLength)) == FoldCase(CharAt(strName, n, nNameLength))) {
                n += nNameLength;
                m += nMaskLength;
                continue;
            }
        }
        if (nStarMask == std::string_view::npos) return false;
        // Let the last '*' take one more character and try again from there.
        nStarName += CharLength(strName, nStarName);
        n = nStarName;
        m = nStarMask;
    }
    while (m < strMask.size() && strMask[m] == '*') ++m;
    return m == strMask.size();
}

bool MatchesAll(std::string_view strMask) { return strMask == "*" || strMask == "*.*"; }

}  // namespace

bool MatchMask(std::string_view strName, std::string_view strMask) {
    if (MatchesAll(strMask)) return true;
    if (MatchWildcards(strName, strMask)) return true;
    // "name.*" also takes "name" without a dot: a user who writes "*.*" or "report.*" means
    // every extension, none included, and would otherwise miss files such as "README".
    if (strMask.size() >= 2 && strMask.substr(strMask.size() - 2) == ".*")
        return MatchWildcards(strName, strMask.substr(0, strMask.size() - 2));
    return false;
}

// ---------------------------------------------------------------------------------------------
// Collection

namespace {

// Size first, then the full path's bytes, without building the paths.
bool FileLess(const CFileInfo& a, const CFileInfo& b) {
    if (a.GetLength() != b.GetLength()) return a.GetLength() < b.GetLength();
    const std::string& strDirA = a.GetFileDir();
    const std::string& strDirB = b.GetFileDir();
    std::string_view partsA[2] = {strDirA, a.GetNameView()};
    std::string_view partsB[2] = {strDirB, b.GetNameView()};
    if (&strDirA == &strDirB || strDirA == strDirB) return partsA[1] < partsB[1];
    int ia = 0, ib = 0;
    for (;;) {
        while (ia < 2 && partsA[ia].empty()) ++ia;
        while (ib < 2 && partsB[ib].empty()) ++ib;
        if (ia == 2 || ib == 2) return ia == 2 && ib != 2;
        const std::size_t n = std::min(partsA[ia].size(), partsB[ib].size());
        const int c = std::memcmp(partsA[ia].data(), partsB[ib].data(), n);
        if (c != 0) return c < 0;
        partsA[ia].remove_prefix(n);
        partsB[ib].remove_prefix(n);
    }
}

}  // namespace

// Gathers one walk's files in fixed chunks, so that growing never copies them and never
// holds twice their memory.
class CFileInfoArray::CCollector final : public IDirVisitor {
public:
    static constexpr std::size_t kChunk = 4096;

    CCollector(std::string_view strMask, std::atomic<std::size_t>& nCount, std::size_t nOld)
        : m_strMask(strMask), m_bAll(MatchesAll(strMask)), m_nCount(nCount), m_nOld(nOld) {}

    void EnterDir(const std::string& strDir) override {
        m_pDirPath = &strDir;
        m_pDir = nullptr;
    }

    void LeaveDir() override {
        // Names were appended one by one; give back the slack of the doubling.
        if (m_pDir && m_pDir->m_strNames.capacity() > m_pDir->m_strNames.size() + 64)
            m_pDir->m_strNames.shrink_to_fit();
        m_pDir = nullptr;
    }

    bool WantFile(std::string_view strName) override {
        return m_bAll || MatchMask(strName, m_strMask);
    }

    void AddFile(std::string_view strName, const struct stat& st) override {
        // Offsets are 32-bit: a folder whose names outgrow them continues in a new block.
        if (!m_pDir ||
            m_pDir->m_strNames.size() + strName.size() > std::numeric_limits<std::uint32_t>::max()) {
            m_pDir = new CFileInfo::CDir;
            m_pDir->m_strPath = *m_pDirPath;
        }
        const auto nOffset = static_cast<std::uint32_t>(m_pDir->m_strNames.size());
        m_pDir->m_strNames.append(strName);
        if (m_chunks.empty() || m_chunks.back().size() == kChunk) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(kChunk);
        }
        m_chunks.back().push_back(CFileInfoArray::MakeFile(
            m_pDir, nOffset, static_cast<std::uint32_t>(strName.size()), st));
        ++m_nFiles;
        m_nCount.store(m_nOld + m_nFiles, std::memory_order_relaxed);
    }

    std::size_t GetCount() const { return m_nFiles; }
    std::vector<std::vector<CFileInfo>>& Chunks() { return m_chunks; }

private:
    std::string_view m_strMask;
    bool m_bAll;
    std::atomic<std::size_t>& m_nCount;
    std::size_t m_nOld;
    const std::string* m_pDirPath = nullptr;
    CFileInfo::CDir* m_pDir = nullptr;
    std::vector<std::vector<CFileInfo>> m_chunks;
    std::size_t m_nFiles = 0;
};

CFileInfo CFileInfoArray::MakeFile(CFileInfo::CDir* pDir, std::uint32_t nNameOffset,
                                   std::uint32_t nNameLength, const struct stat& st) {
    return CFileInfo(pDir, nNameOffset, nNameLength, static_cast<std::uint64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtime), static_cast<std::uint64_t>(st.st_dev),
                     static_cast<std::uint64_t>(st.st_ino));
}

int CFileInfoArray::AddDir(const std::string& strDir, const std::string& strMask, bool bRecurse,
                           const std::atomic<int>* pAbort, const FWalkError& onError) {
    const std::size_t nOld = m_files.size();
    CCollector collector(strMask, m_nCount, nOld);
    const bool bComplete = WalkTree(strDir, bRecurse, pAbort, collector, onError);
    if (!bComplete) {
        // The caller throws an aborted collection away; don't spend time sorting it.
        m_nCount.store(nOld, std::memory_order_relaxed);
        return 0;
    }
    // Grown by doubling: an exact reserve on every call would copy the whole array each time.
    if (m_files.capacity() < nOld + collector.GetCount())
        m_files.reserve(std::max(nOld + collector.GetCount(), 2 * m_files.capacity()));
    for (std::vector<CFileInfo>& chunk : collector.Chunks()) {
        std::move(chunk.begin(), chunk.end(), std::back_inserter(m_files));
        std::vector<CFileInfo>().swap(chunk);
    }
    const std::size_t nAdded = m_nBatchStart == NO_BATCH ? MergeNewFiles(nOld) : m_files.size() - nOld;
    m_nCount.store(m_files.size(), std::memory_order_relaxed);
    return static_cast<int>(std::min<std::size_t>(nAdded, std::numeric_limits<int>::max()));
}

void CFileInfoArray::BeginBatch() {
    if (m_nBatchStart == NO_BATCH) m_nBatchStart = m_files.size();
}

void CFileInfoArray::EndBatch() {
    if (m_nBatchStart == NO_BATCH) return;
    MergeNewFiles(std::exchange(m_nBatchStart, NO_BATCH));
    m_nCount.store(m_files.size(), std::memory_order_relaxed);
}

std::size_t CFileInfoArray::MergeNewFiles(std::size_t nOld) {
    const auto itMid = m_files.begin() + static_cast<std::ptrdiff_t>(nOld);
    const std::size_t nNew = m_files.size() - nOld;
    if (nNew == 0) return 0;
    std::sort(itMid, m_files.end(), FileLess);

    // One entry per (device, inode): among the new files the first in order stays, and a file
    // already in the array wins over a new one. Devices are numbered to keep the keys small.
    struct CKey {
        std::uint64_t m_nInode;
        std::uint32_t m_nDevice;
        std::uint32_t m_nPos;
    };
    auto keyLess = [](const CKey& a, const CKey& b) {
        if (a.m_nInode != b.m_nInode) return a.m_nInode < b.m_nInode;
        if (a.m_nDevice != b.m_nDevice) return a.m_nDevice < b.m_nDevice;
        return a.m_nPos < b.m_nPos;
    };
    std::vector<std::uint64_t> devices;
    std::size_t nLastDevice = 0;
    auto deviceIndex = [&](std::uint64_t nDevice, bool bAdd) -> std::int64_t {
        if (nLastDevice < devices.size() && devices[nLastDevice] == nDevice)
            return static_cast<std::int64_t>(nLastDevice);
        const auto it = std::find(devices.begin(), devices.end(), nDevice);
        if (it == devices.end()) {
            if (!bAdd) return -1;
            devices.push_back(nDevice);
            nLastDevice = devices.size() - 1;
        } else {
            nLastDevice = static_cast<std::size_t>(it - devices.begin());
        }
        return static_cast<std::int64_t>(nLastDevice);
    };

    std::vector<bool> drop(nNew, false);
    std::size_t nDropped = 0;
    {
        std::vector<CKey> keys;
        keys.reserve(nNew);
        for (std::size_t i = 0; i < nNew; ++i) {
            const CFileInfo& f = m_files[nOld + i];
            keys.push_back({f.GetInode(), static_cast<std::uint32_t>(deviceIndex(f.GetDevice(), true)),
                            static_cast<std::uint32_t>(i)});
        }
        std::sort(keys.begin(), keys.end(), keyLess);
        auto sameFile = [](const CKey& a, const CKey& b) {
            return a.m_nInode == b.m_nInode && a.m_nDevice == b.m_nDevice;
        };
        for (std::size_t i = 1; i < keys.size(); ++i) {
            if (sameFile(keys[i], keys[i - 1])) {
                drop[keys[i].m_nPos] = true;
                ++nDropped;
            }
        }
        for (std::size_t i = 0; i < nOld; ++i) {
            const CFileInfo& f = m_files[i];
            const std::int64_t nDevice = deviceIndex(f.GetDevice(), false);
            if (nDevice < 0) continue;
            const CKey probe{f.GetInode(), static_cast<std::uint32_t>(nDevice), 0};
            const auto it = std::lower_bound(keys.begin(), keys.end(), probe, keyLess);
            if (it != keys.end() && sameFile(*it, probe) && !drop[it->m_nPos]) {
                drop[it->m_nPos] = true;
                ++nDropped;
            }
        }
    }
    if (nDropped > 0) {
        std::size_t nWrite = nOld;
        for (std::size_t i = 0; i < nNew; ++i) {
            if (drop[i]) continue;
            if (nWrite != nOld + i) m_files[nWrite] = std::move(m_files[nOld + i]);
            ++nWrite;
        }
        m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(nWrite), m_files.end());
    }
    std::inplace_merge(m_files.begin(), m_files.begin() + static_cast<std::ptrdiff_t>(nOld),
                       m_files.end(), FileLess);
    return nNew - nDropped;
}

void CFileInfoArray::RemoveAll() {
    std::vector<CFileInfo>().swap(m_files);
    if (m_nBatchStart != NO_BATCH) m_nBatchStart = 0;
    m_nCount.store(0, std::memory_order_relaxed);
}
