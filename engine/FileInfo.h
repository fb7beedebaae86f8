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
#include <string_view>
#include <vector>

struct stat;
struct CExclusions;  // MaskList.h

// Reports a folder or file that could not be read during a walk: path (exact bytes) and errno.
using FWalkError = std::function<void(const std::string& strPath, int nErrno)>;

// How a folder walk spends descriptors and trusts entry types. The defaults suit every real
// use; tests change them to reach the paths that real trees reach only when very deep.
struct CWalkTuning {
    int m_nMaxOpenDirs = 64;  // open folders at most; the others are reopened on the way back
    // Take every entry's type as unknown, as some file systems give it, and learn it from fstatat.
    bool m_bIgnoreEntryTypes = false;
    // Stay on the file system of the folder searched: mounts below it are not entered.
    bool m_bOneFileSystem = false;
    // Folders walked at once: a cold disk answers several stats in about the time of one.
    unsigned m_nThreads = 4;
};

// A regular file found by CFileInfoArray::AddDir. Paths are the exact bytes the
// file system returned: never converted, so names that are not valid UTF-8 survive.
// The files of one folder share one block holding the folder text and their names, so a
// record is 56 bytes plus its name; copies stay valid on their own (the block is counted).
class CFileInfo {
public:
    CFileInfo() = default;
    CFileInfo(std::shared_ptr<const std::string> pDir, std::string strName, std::uint64_t nSize,
              std::int64_t tModified, std::uint64_t nDevice, std::uint64_t nInode);
    CFileInfo(const CFileInfo& other) noexcept;
    CFileInfo(CFileInfo&& other) noexcept;
    CFileInfo& operator=(const CFileInfo& other) noexcept;
    CFileInfo& operator=(CFileInfo&& other) noexcept;
    ~CFileInfo();

    std::string GetFilePath() const;  // folder + name
    std::string GetFileName() const { return std::string(GetNameView()); }
    std::string_view GetNameView() const;  // the name without a copy, valid as long as this record
    // Linux has no drive part; kept so that drive + folder is the folder, as callers expect.
    std::string GetFileDrive() const { return {}; }
    const std::string& GetFileDir() const;  // ends with '/'
    std::uint64_t GetLength() const { return m_nSize; }
    std::int64_t GetTime() const { return m_tModified; }  // seconds since the epoch
    // The change time in nanoseconds as collected; 0 for a record not made by a folder walk.
    std::int64_t GetChangedNs() const { return m_nChangedNs; }
    std::uint64_t GetDevice() const { return m_nDevice; }
    std::uint64_t GetInode() const { return m_nInode; }
    // Collected from a reference folder (also when reached from a plain folder as well).
    bool IsReference() const { return m_bReference != 0; }

    // XXH3-64 of the first nBytes bytes (0: the whole file). nullopt when the file cannot be
    // opened or read, is no longer a regular file, or the abort flag was raised: an unreadable
    // file must never look equal to another unreadable file. The bytes hashed are the file's
    // contents now: a file that shrank or grew since it was collected hashes what is there.
    std::optional<std::uint64_t> GetChecksum(std::uint64_t nBytes,
                                             const std::atomic<int>* pAbort) const;
    // Standard CRC-32 (check value 0xCBF43926) of the first nBytes bytes; nullopt as above.
    std::optional<std::uint32_t> GetCRC(std::uint64_t nBytes, const std::atomic<int>* pAbort) const;

    struct CDir;  // folder text and file names of one folder, shared and counted

private:
    // Everything but the shared folder block, whose count the callers manage.
    void CopyPlainFields(const CFileInfo& other) noexcept;
    friend class CFileInfoArray;
    CFileInfo(CDir* pDir, std::uint32_t nNameOffset, std::uint32_t nNameLength,
              std::uint64_t nSize, std::int64_t tModified, std::uint64_t nDevice,
              std::uint64_t nInode, std::int64_t nChangedNs) noexcept;

    CDir* m_pDir = nullptr;
    std::uint64_t m_nSize = 0;
    std::int64_t m_tModified = 0;
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
    // Kept so that a repeated search can tell a cached file unchanged without asking again.
    std::int64_t m_nChangedNs = 0;
    std::uint32_t m_nNameOffset = 0;  // into the folder block's names
    // A name is at most 255 bytes: its length leaves a bit for the mark, and the record its size.
    std::uint32_t m_nNameLength : 31 = 0;
    std::uint32_t m_bReference : 1 = 0;
};

// The collected files, always in ascending order of size (ties in byte order of the full
// path), each (device, inode) at most once.
class CFileInfoArray {
public:
    // Adds the regular files in strDir whose names match strMask ('*' and '?', any letter
    // case; "*.*" matches every name), descending into subfolders when bRecurse. Symbolic
    // links are never followed and special files never collected. Returns promptly once
    // *pAbort is nonzero; an aborted call adds nothing. Returns the number of files added.
    // onError, when set, hears of every folder or file that could not be read.
    // strDir itself may be a symbolic link to a folder: the user named it, so it is opened;
    // links met inside the walk never are.
    int AddDir(const std::string& strDir, const std::string& strMask, bool bRecurse,
               const std::atomic<int>* pAbort, const FWalkError& onError = {},
               const CWalkTuning& tuning = {});
    // The same for one mask of a folder row: files and folders the row excludes are passed
    // over (an excluded folder is not entered), and with bReference the files added are
    // reference files. A file already present, or found twice, is a reference file when
    // any of its finds was.
    int AddDir(const std::string& strDir, const std::string& strMask, bool bRecurse,
               const CExclusions& exclusions, bool bReference, const std::atomic<int>* pAbort,
               const FWalkError& onError = {}, const CWalkTuning& tuning = {});

    // Many AddDir calls in a row: between these two, each call only appends what it found, and
    // EndBatch sorts and merges them all at once (the order and the one entry per inode hold
    // again after it, not between). Merging after every call costs the whole array each time.
    void BeginBatch();
    void EndBatch();

    // Safe to call from another thread while AddDir runs (it counts files as they are found).
    std::size_t GetSize() const { return m_nCount.load(std::memory_order_relaxed); }
    const CFileInfo& GetAt(std::size_t i) const { return m_files[i]; }
    const CFileInfo& operator[](std::size_t i) const { return m_files[i]; }
    const std::vector<CFileInfo>& GetData() const { return m_files; }
    void RemoveAll();

private:
    // Sorts the files appended after nOld, drops those whose (device, inode) is already
    // present, and merges the rest in. Returns how many were kept.
    std::size_t MergeNewFiles(std::size_t nOld);
    class CCollector;
    static CFileInfo MakeFile(CFileInfo::CDir* pDir, std::uint32_t nNameOffset,
                              std::uint32_t nNameLength, const struct stat& st, bool bReference);

    std::vector<CFileInfo> m_files;
    std::atomic<std::size_t> m_nCount{0};
    static constexpr std::size_t NO_BATCH = static_cast<std::size_t>(-1);
    std::size_t m_nBatchStart = NO_BATCH;
};

// Opens a file read-only without following a final symbolic link and without waiting on a
// FIFO; -1 unless it is a regular file.
int OpenRegularFile(const std::string& strPath);
// The same for a name inside an open folder, and -1 too unless the file is nSize bytes long: a
// file that shrank or grew since it was collected has changed and is compared with nothing.
// On -1 errno is the open's error, or 0 when something is there that is not that regular file.
// pStat, when given, receives the file's status as it was opened.
int OpenUnchangedFileAt(int fdDir, const std::string& strName, std::uint64_t nSize,
                        struct stat* pStat = nullptr);
// A folder handle (O_PATH) for opening names inside it, also for folders deeper than the
// kernel takes in one path; -1 and errno on failure.
int OpenFolderPath(const std::string& strDir);

// True when strName matches strMask: '*' any run, '?' one character, letter case ignored;
// "*.*" matches every name, also names without a dot (generally, a mask ending in ".*" also
// matches the names that match it without that ending).
bool MatchMask(std::string_view strName, std::string_view strMask);
// True for the masks that take every name ("*" and "*.*").
bool MaskMatchesAll(std::string_view strMask);

// The folder block that the records of one folder share. Engine-private.
struct CFileInfo::CDir {
    std::atomic<std::size_t> m_nRefs{0};
    std::string m_strPath;   // ends with '/'
    std::string m_strNames;  // the names of its files, back to back
};
