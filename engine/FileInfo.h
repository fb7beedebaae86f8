// One collected file, and the size-ordered array that collects them.
// Plain C++: shared by the desktop program and twinex-cli.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Reports a folder or file that could not be read during a walk: path (exact bytes) and errno.
using FWalkError = std::function<void(const std::string& strPath, int nErrno)>;

// A regular file found by CFileInfoArray::AddDir. Paths are the exact bytes the
// file system returned: never converted, so names that are not valid UTF-8 survive.
// Files of one folder share one folder string.
class CFileInfo {
public:
    CFileInfo() = default;
    CFileInfo(std::shared_ptr<const std::string> pDir, std::string strName, std::uint64_t nSize,
              std::int64_t tModified, std::uint64_t nDevice, std::uint64_t nInode);

    std::string GetFilePath() const;  // folder + name
    const std::string& GetFileName() const { return m_strName; }
    // Linux has no drive part; kept so that drive + folder is the folder, as callers expect.
    std::string GetFileDrive() const { return {}; }
    const std::string& GetFileDir() const;  // ends with '/'
    std::uint64_t GetLength() const { return m_nSize; }
    std::int64_t GetTime() const { return m_tModified; }  // seconds since the epoch
    std::uint64_t GetDevice() const { return m_nDevice; }
    std::uint64_t GetInode() const { return m_nInode; }

    // XXH3-64 of the first nBytes bytes (0: the whole file). nullopt when the file cannot be
    // opened or read, is no longer a regular file, or the abort flag was raised: an unreadable
    // file must never look equal to another unreadable file.
    std::optional<std::uint64_t> GetChecksum(std::uint64_t nBytes,
                                             const std::atomic<int>* pAbort) const;
    // Standard CRC-32 (check value 0xCBF43926) of the first nBytes bytes; nullopt as above.
    std::optional<std::uint32_t> GetCRC(std::uint64_t nBytes, const std::atomic<int>* pAbort) const;

private:
    std::shared_ptr<const std::string> m_pDir;
    std::string m_strName;
    std::uint64_t m_nSize = 0;
    std::int64_t m_tModified = 0;
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
};

// The collected files, always in ascending order of size (ties in byte order of the full
// path), each (device, inode) at most once.
class CFileInfoArray {
public:
    // Adds the regular files in strDir whose names match strMask ('*' and '?', any letter
    // case; "*.*" matches every name), descending into subfolders when bRecurse. Symbolic
    // links are never followed and special files never collected. Returns promptly once
    // *pAbort is nonzero. Returns the number of files added. onError, when set, hears of
    // every folder or file that could not be read.
    int AddDir(const std::string& strDir, const std::string& strMask, bool bRecurse,
               const std::atomic<int>* pAbort, const FWalkError& onError = {});

    // Safe to call from another thread while AddDir runs.
    std::size_t GetSize() const { return m_nCount.load(std::memory_order_relaxed); }
    const CFileInfo& GetAt(std::size_t i) const { return m_files[i]; }
    const CFileInfo& operator[](std::size_t i) const { return m_files[i]; }
    const std::vector<CFileInfo>& GetData() const { return m_files; }
    void RemoveAll();

private:
    std::vector<CFileInfo> m_files;
    std::atomic<std::size_t> m_nCount{0};
    // Implementation state (seen inodes, folder strings) may be added here.
};

// True when strName matches strMask: '*' any run, '?' one character, letter case ignored;
// "*.*" matches every name, also names without a dot.
bool MatchMask(const std::string& strName, const std::string& strMask);
