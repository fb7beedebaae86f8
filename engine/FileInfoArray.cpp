// The size-ordered array of collected files: gathering a walk's files, and merging them in with
// one entry per (device, inode).

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>

#include <sys/stat.h>

#include "DirWalk.h"
#include "FileInfo.h"
#include "MaskList.h"

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

    // strTop as the walk names it, ending with '/': paths of exclusions are below it.
    CCollector(std::string_view strMask, const CExclusions& exclusions, bool bReference,
               std::atomic<std::size_t>& nCount, std::size_t nTopLength)
        : m_strMask(strMask), m_bAll(MaskMatchesAll(strMask)), m_exclusions(exclusions),
          m_bReference(bReference), m_nTopLength(nTopLength), m_nCount(nCount) {}

    void EnterDir(const std::string& strDir) override {
        m_pDirPath = &strDir;
        m_pDir = nullptr;
    }

    std::unique_ptr<IDirVisitor> Fork() override {
        return std::make_unique<CCollector>(m_strMask, m_exclusions, m_bReference, m_nCount,
                                            m_nTopLength);
    }

    void Join(std::unique_ptr<IDirVisitor> pFork) override {
        auto& fork = static_cast<CCollector&>(*pFork);
        for (auto& chunk : fork.m_chunks) m_chunks.push_back(std::move(chunk));
        m_nFiles += fork.m_nFiles;
    }

    void LeaveDir() override {
        // Names were appended one by one; give back the slack of the doubling.
        if (m_pDir && m_pDir->m_strNames.capacity() > m_pDir->m_strNames.size() + 64)
            m_pDir->m_strNames.shrink_to_fit();
        m_pDir = nullptr;
    }

    bool WantFile(std::string_view strName) override {
        return (m_bAll || MatchMask(strName, m_strMask)) && !Excluded(strName, false);
    }

    bool WantDir(std::string_view strName) override { return !Excluded(strName, true); }

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
            m_pDir, nOffset, static_cast<std::uint32_t>(strName.size()), st, m_bReference));
        ++m_nFiles;
        m_nCount.fetch_add(1, std::memory_order_relaxed);
    }

    std::size_t GetCount() const { return m_nFiles; }
    std::vector<std::vector<CFileInfo>>& Chunks() { return m_chunks; }

private:
    bool Excluded(std::string_view strName, bool bFolder) {
        if (m_exclusions.ExcludesName(strName)) return true;
        if (m_exclusions.m_paths.empty()) return false;
        m_strRel.assign(*m_pDirPath, m_nTopLength).append(strName);
        if (bFolder) m_strRel.push_back('/');
        return m_exclusions.ExcludesPath(m_strRel);
    }

    std::string_view m_strMask;
    bool m_bAll;
    const CExclusions& m_exclusions;
    bool m_bReference;
    std::size_t m_nTopLength;
    std::string m_strRel;  // reused for each path tested
    std::atomic<std::size_t>& m_nCount;
    const std::string* m_pDirPath = nullptr;
    CFileInfo::CDir* m_pDir = nullptr;
    std::vector<std::vector<CFileInfo>> m_chunks;
    std::size_t m_nFiles = 0;
};

CFileInfo CFileInfoArray::MakeFile(CFileInfo::CDir* pDir, std::uint32_t nNameOffset,
                                   std::uint32_t nNameLength, const struct stat& st,
                                   bool bReference) {
    CFileInfo file(pDir, nNameOffset, nNameLength, static_cast<std::uint64_t>(st.st_size),
                   static_cast<std::int64_t>(st.st_mtime), static_cast<std::uint64_t>(st.st_dev),
                   static_cast<std::uint64_t>(st.st_ino),
                   std::int64_t(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec);
    file.m_bReference = bReference;
    return file;
}

int CFileInfoArray::AddDir(const std::string& strDir, const std::string& strMask, bool bRecurse,
                           const std::atomic<int>* pAbort, const FWalkError& onError,
                           const CWalkTuning& tuning) {
    return AddDir(strDir, strMask, bRecurse, CExclusions{}, false, pAbort, onError, tuning);
}

int CFileInfoArray::AddDir(const std::string& strDir, const std::string& strMask, bool bRecurse,
                           const CExclusions& exclusions, bool bReference,
                           const std::atomic<int>* pAbort, const FWalkError& onError,
                           const CWalkTuning& tuning) {
    const std::size_t nOld = m_files.size();
    m_nCount.store(nOld, std::memory_order_relaxed);
    CCollector collector(strMask, exclusions, bReference, m_nCount,
                         strDir.size() + (strDir.empty() || strDir.back() != '/' ? 1 : 0));
    const bool bComplete = WalkTree(strDir, bRecurse, pAbort, collector, onError, tuning);
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
        // A file found again stays a reference file if any of its finds was one.
        std::size_t nKept = 0;
        for (std::size_t i = 1; i < keys.size(); ++i) {
            if (!sameFile(keys[i], keys[i - 1])) {
                nKept = i;
                continue;
            }
            drop[keys[i].m_nPos] = true;
            ++nDropped;
            m_files[nOld + keys[nKept].m_nPos].m_bReference |= m_files[nOld + keys[i].m_nPos].m_bReference;
        }
        for (std::size_t i = 0; i < nOld; ++i) {
            CFileInfo& f = m_files[i];
            const std::int64_t nDevice = deviceIndex(f.GetDevice(), false);
            if (nDevice < 0) continue;
            const CKey probe{f.GetInode(), static_cast<std::uint32_t>(nDevice), 0};
            const auto it = std::lower_bound(keys.begin(), keys.end(), probe, keyLess);
            if (it != keys.end() && sameFile(*it, probe) && !drop[it->m_nPos]) {
                drop[it->m_nPos] = true;
                ++nDropped;
                f.m_bReference |= m_files[nOld + it->m_nPos].m_bReference;
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
