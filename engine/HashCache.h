// What the matcher learned about files, kept between searches in one SQLite file, so that a
// repeated search reads only what changed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CacheEntry.h"

class CFileInfoArray;
struct sqlite3;
struct sqlite3_stmt;

// One cache file, used from one thread. Every failure is remembered once (Problem()); after it
// the cache answers nothing and keeps nothing, and the search goes on without it.
class CHashCache {
public:
    // $XDG_CACHE_HOME/twinex/checksums.sqlite, or ~/.cache/twinex/checksums.sqlite.
    static std::string DefaultPath();
    // Opens or creates the cache (and its folder). Waits up to nWaitMs for another process
    // that holds it locked. A file that is no cache of ours, or damaged, is renamed aside
    // (path + ".damaged") and a new one started; Problem() then says so. nullptr when it
    // cannot be used at all, with the reason in strProblem.
    static std::unique_ptr<CHashCache> Open(const std::string& strPath, std::string& strProblem,
                                            int nWaitMs = 2000);
    // Deletes the cache file and its journal. False, with the reason, when one stays.
    static bool Remove(const std::string& strPath, std::string& strProblem);

    ~CHashCache();
    CHashCache(const CHashCache&) = delete;
    CHashCache& operator=(const CHashCache&) = delete;

    bool IsUsable() const { return m_pDb != nullptr; }
    // The one thing to tell the user about this cache, or empty.
    const std::string& Problem() const { return m_strProblem; }

    // Entries are kept by folder (FolderKey) and found there by device and inode.
    using CEntry = CCacheEntry;
    using CId = std::pair<std::uint64_t, std::uint64_t>;
    struct CIdHash {
        std::size_t operator()(const CId& id) const;
    };
    struct CPlace {
        std::uint64_t m_nFolder = 0;
        CId m_id;
    };
    // The entries kept for these files, null where none is: the caller compares each stamp
    // with the file's own. Valid until the next Store, Flush or Prune.
    void Lookup(const std::vector<CPlace>& places, std::vector<const CEntry*>& found);
    // Keeps entries, replacing what was kept for the same device and inode in their folder.
    // Entries of files changed less than m_nSettleNs before nStampedNs (when their stamps were
    // taken) are left out. Written in one transaction by Flush, Prune or the destructor at the
    // latest.
    void Store(std::vector<CEntry> entries, std::int64_t nStampedNs);
    void Flush();
    // After a search that ran to its end: drops the entries of the folders that files were
    // found in whose file is no longer there, and entries not seen for 90 days.
    void Prune(const CFileInfoArray& files);
    // Nothing was kept when the search began, nor written since: lookups can be skipped.
    bool IsEmpty() const { return m_bEmpty; }
    // The entries kept in the file.
    std::size_t CountEntries();

    static std::uint64_t FolderKey(const std::string& strFolder);
    static std::int64_t Today();
    static std::int64_t NowNs();  // the wall clock, as file times are
    // An entry is written only for a file unchanged for this long before its stamp was taken: a
    // change within one tick of the file system's clock would leave the stamp as it was.
    std::int64_t m_nSettleNs = 2'000'000'000;
    // The day entries are seen on: today, unless a test moves it on.
    std::int64_t m_nToday = Today();

private:
    using CHeld = CEntry;

    CHashCache() = default;
    bool TryOpen(int nWaitMs);
    // Handles a failed SQLite call: remembers why and gives the cache up, setting a damaged
    // file aside. Returns false.
    bool Fail(int nCode, const char* pszWhat);
    bool Exec(const char* pszSql);
    void Close();
    int HoldsAny();  // 1 when the file keeps any entry, 0 when none, -1 (given up) on failure
    // A folder's entries, read once until written. Null when the cache gave up.
    const std::vector<CHeld>* LoadFolder(std::uint64_t nFolder);
    void Release();  // writes what is pending and lets go of what was read
    // A folder's entries as kept in the file, in (device, inode) order. False, giving the
    // cache up, when they cannot be read.
    bool ReadFolder(std::uint64_t nFolder, std::vector<CHeld>& entries);
    // Replaces a folder's entries in the file (drops its row when none is left).
    bool WriteFolder(std::uint64_t nFolder, const std::vector<CHeld>& entries);
    // Keeps of a folder's entries those that pass, and of them none unseen for 90 days.
    template <class FKeep>
    bool RewriteFolder(std::uint64_t nFolder, FKeep keep);

    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pSelect = nullptr;
    sqlite3_stmt* m_pInsert = nullptr;
    sqlite3_stmt* m_pDelete = nullptr;
    std::string m_strPath;
    std::string m_strProblem;
    bool m_bDamaged = false;
    bool m_bLocked = false;  // the last failure was another process holding the file
    // Nothing was kept when the search began: a first search neither looks up nor prunes.
    bool m_bWasEmpty = false;
    bool m_bEmpty = false;  // and nothing was written since
    // The folders read, each in (device, inode) order, and the entries stored since the last
    // write; together at most HELD_MAX entries.
    std::unordered_map<std::uint64_t, std::vector<CHeld>> m_loaded;
    std::vector<std::vector<CHeld>> m_pending;  // as stored, not copied again
    std::size_t m_nPending = 0;
    std::size_t m_nHeld = 0;
};
