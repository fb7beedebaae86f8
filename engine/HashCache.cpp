// The hash cache's SQLite file: opening it (or setting a damaged one aside), lookups, writes and
// pruning. A row holds one folder's entries, packed: a search reads and writes a row per folder
// rather than one per file, which costs SQLite far less.

#include "HashCache.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <thread>
#include <unordered_set>
#include <utility>

#include "CacheRow.h"
#include "FileInfo.h"

namespace {

constexpr int APPLICATION_ID = 0x54574e58;  // "TWNX"
constexpr int SCHEMA_VERSION = 2;  // 1 kept a row per file
constexpr std::int64_t KEEP_DAYS = 90;
constexpr const char* DAMAGED_SUFFIX = ".damaged";
// Entries held in memory at most (about 150 bytes each); beyond, they are written and let go.
constexpr std::size_t HELD_MAX = 1 << 18;

// key: FolderKey of the folder; seen, oldest: the newest and oldest day its entries were seen;
// files: its entries, packed (CacheRow.h).
constexpr const char* SCHEMA =
    "CREATE TABLE IF NOT EXISTS folders(key INTEGER PRIMARY KEY, seen INTEGER NOT NULL,"
    " oldest INTEGER NOT NULL, files BLOB NOT NULL);";

// SQLite keeps signed 64-bit integers; ours are unsigned, kept bit for bit.
sqlite3_int64 S(std::uint64_t n) { return static_cast<sqlite3_int64>(n); }
std::uint64_t U(sqlite3_int64 n) { return static_cast<std::uint64_t>(n); }

bool IsDamage(int nCode) {
    const int nPrimary = nCode & 0xff;
    return nPrimary == SQLITE_CORRUPT || nPrimary == SQLITE_NOTADB;
}

bool IsLock(int nCode) {
    const int nPrimary = nCode & 0xff;
    return nPrimary == SQLITE_BUSY || nPrimary == SQLITE_LOCKED;
}

// Creates the folders above strPath that are missing.
void MakeParents(const std::string& strPath) {
    for (std::size_t n = strPath.find('/', 1); n != std::string::npos; n = strPath.find('/', n + 1))
        ::mkdir(strPath.substr(0, n).c_str(), 0700);
}

// Steps a statement once and makes it ready for the next use; the step's result.
int StepOnce(sqlite3_stmt* pStmt) {
    const int nCode = sqlite3_step(pStmt);
    sqlite3_reset(pStmt);
    sqlite3_clear_bindings(pStmt);
    return nCode;
}

// An integer pragma's value; the SQLite result code.
int ReadPragma(sqlite3* pDb, const char* pszSql, int& nValue) {
    sqlite3_stmt* pStmt = nullptr;
    int nCode = sqlite3_prepare_v2(pDb, pszSql, -1, &pStmt, nullptr);
    if (nCode == SQLITE_OK && (nCode = sqlite3_step(pStmt)) == SQLITE_ROW) {
        nValue = sqlite3_column_int(pStmt, 0);
        nCode = SQLITE_OK;
    }
    sqlite3_finalize(pStmt);
    return nCode;
}

CHashCache::CId IdOf(const CHashCache::CEntry& e) { return {e.m_stamp.m_nDevice, e.m_stamp.m_nInode}; }

}  // namespace

std::size_t CHashCache::CIdHash::operator()(const CId& id) const {
    return std::hash<std::uint64_t>()(id.first * 0x9e3779b97f4a7c15ull ^ id.second);
}


std::string CHashCache::DefaultPath() {
    const char* pszXdg = std::getenv("XDG_CACHE_HOME");
    std::string strBase;
    if (pszXdg && pszXdg[0] == '/') {
        strBase = pszXdg;
    } else {
        const char* pszHome = std::getenv("HOME");
        strBase = std::string(pszHome && *pszHome ? pszHome : "/tmp") + "/.cache";
    }
    return strBase + "/twinex/checksums.sqlite";
}

std::uint64_t CHashCache::FolderKey(const std::string& strFolder) {
    return XXH3_64bits(strFolder.data(), strFolder.size());
}

std::int64_t CHashCache::NowNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t CHashCache::Today() { return NowNs() / (86400LL * 1'000'000'000); }

std::unique_ptr<CHashCache> CHashCache::Open(const std::string& strPath, std::string& strProblem,
                                             int nWaitMs) {
    std::unique_ptr<CHashCache> pCache(new CHashCache);
    pCache->m_strPath = strPath;
    MakeParents(strPath);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(nWaitMs);
    bool bOpen = pCache->TryOpen(nWaitMs);
    // Two processes making the file at once: the switch to WAL can find it busy without
    // waiting on the busy handler, so the wait is ours.
    while (!bOpen && pCache->m_bLocked && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pCache->m_strProblem.clear();
        const auto nLeft = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        bOpen = pCache->TryOpen(static_cast<int>(std::max<std::int64_t>(nLeft.count(), 1)));
    }
    if (!bOpen && pCache->m_bDamaged) {
        // Set aside by now: start again with a new file.
        pCache->m_strProblem.clear();
        bOpen = pCache->TryOpen(nWaitMs);
        if (bOpen)
            pCache->m_strProblem = "The checksum cache '" + strPath + "' was damaged; it was set aside as '" +
                                   strPath + DAMAGED_SUFFIX + "' and a new one started.";
    }
    if (!bOpen) {
        strProblem = pCache->m_strProblem;
        return nullptr;
    }
    return pCache;
}

bool CHashCache::TryOpen(int nWaitMs) {
    m_bDamaged = m_bLocked = false;
    int nCode = sqlite3_open_v2(m_strPath.c_str(), &m_pDb,
                                SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                nullptr);
    if (nCode != SQLITE_OK) return Fail(nCode, "cannot be opened");
    sqlite3_busy_timeout(m_pDb, nWaitMs);
    if (sqlite3_db_readonly(m_pDb, "main") == 1) return Fail(SQLITE_READONLY, "cannot be written");
    // The first statement reads the header: damage shows here.
    int nAppId = 0;
    nCode = ReadPragma(m_pDb, "PRAGMA application_id", nAppId);
    // Someone else's database is no cache of ours either.
    if (nCode == SQLITE_OK && nAppId != 0 && nAppId != APPLICATION_ID) nCode = SQLITE_NOTADB;
    if (nCode != SQLITE_OK) return Fail(nCode, "cannot be read");
    // A new file only: rows of a few kilobytes fit its pages whole, and a write takes fewer
    // calls. (A file's page size is fixed once it holds a table.)
    if (!Exec("PRAGMA page_size=16384")) return false;
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=NORMAL") || !Exec("BEGIN IMMEDIATE"))
        return false;
    // A cache of another layout (an older Twinex's, or a newer one's) starts again empty.
    int nVersion = 0;
    nCode = ReadPragma(m_pDb, "PRAGMA user_version", nVersion);
    if (nCode != SQLITE_OK) return Fail(nCode, "cannot be read");
    if (nVersion != 0 && nVersion != SCHEMA_VERSION &&
        (!Exec("DROP TABLE IF EXISTS files") || !Exec("DROP TABLE IF EXISTS folders")))
        return false;
    if (!Exec(SCHEMA) || !Exec(("PRAGMA application_id=" + std::to_string(APPLICATION_ID)).c_str()) ||
        !Exec(("PRAGMA user_version=" + std::to_string(SCHEMA_VERSION)).c_str()) || !Exec("COMMIT"))
        return false;
    nCode = sqlite3_prepare_v2(m_pDb, "SELECT files FROM folders WHERE key=?", -1, &m_pSelect, nullptr);
    if (nCode == SQLITE_OK)
        nCode = sqlite3_prepare_v2(m_pDb, "INSERT OR REPLACE INTO folders VALUES(?,?,?,?)", -1,
                                   &m_pInsert, nullptr);
    if (nCode == SQLITE_OK)
        nCode = sqlite3_prepare_v2(m_pDb, "DELETE FROM folders WHERE key=?", -1, &m_pDelete, nullptr);
    if (nCode != SQLITE_OK) return Fail(nCode, "cannot be read");
    const int nAny = HoldsAny();
    m_bWasEmpty = m_bEmpty = nAny == 0;
    return nAny >= 0;
}

int CHashCache::HoldsAny() {
    sqlite3_stmt* pAny = nullptr;
    int nCode = sqlite3_prepare_v2(m_pDb, "SELECT 1 FROM folders LIMIT 1", -1, &pAny, nullptr);
    if (nCode == SQLITE_OK) nCode = sqlite3_step(pAny);
    sqlite3_finalize(pAny);
    if (nCode != SQLITE_ROW && nCode != SQLITE_DONE) {
        Fail(nCode, "cannot be read");
        return -1;
    }
    return nCode == SQLITE_ROW ? 1 : 0;
}

bool CHashCache::Exec(const char* pszSql) {
    if (!m_pDb) return false;
    const int nCode = sqlite3_exec(m_pDb, pszSql, nullptr, nullptr, nullptr);
    return nCode == SQLITE_OK || Fail(nCode, "cannot be used");
}

bool CHashCache::Fail(int nCode, const char* pszWhat) {
    const std::string strCache = "The checksum cache '" + m_strPath + "'";
    if (IsDamage(nCode)) {
        Close();
        m_bDamaged = true;
        const std::string strAside = m_strPath + DAMAGED_SUFFIX;
        const bool bMoved = ::rename(m_strPath.c_str(), strAside.c_str()) == 0;
        // The journal belongs to the damaged file.
        ::unlink((m_strPath + "-wal").c_str());
        ::unlink((m_strPath + "-shm").c_str());
        if (m_strProblem.empty())
            m_strProblem = strCache + " is damaged" +
                           (bMoved ? "; it was set aside as '" + strAside + "' and" : ";") +
                           " this search goes on without it.";
        return false;
    }
    m_bLocked = IsLock(nCode);
    if (m_strProblem.empty()) {
        if (IsLock(nCode))
            m_strProblem = strCache + " is in use by another search; this search goes on without it.";
        else
            m_strProblem = strCache + " " + pszWhat + " (" +
                           (m_pDb ? sqlite3_errmsg(m_pDb) : sqlite3_errstr(nCode)) +
                           "); the search goes on without it.";
    }
    Close();
    return false;
}

void CHashCache::Close() {
    sqlite3_finalize(m_pSelect);
    sqlite3_finalize(m_pInsert);
    sqlite3_finalize(m_pDelete);
    m_pSelect = m_pInsert = m_pDelete = nullptr;
    if (m_pDb) sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
}

CHashCache::~CHashCache() {
    Flush();
    Close();
}

bool CHashCache::Remove(const std::string& strPath, std::string& strProblem) {
    for (const char* pszSuffix : {"", "-wal", "-shm"}) {
        const std::string strFile = strPath + pszSuffix;
        if (::unlink(strFile.c_str()) != 0 && errno != ENOENT) {
            strProblem = "Cannot delete '" + strFile + "': " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool CHashCache::ReadFolder(std::uint64_t nFolder, std::vector<CHeld>& entries) {
    if (!m_pDb) return false;
    sqlite3_bind_int64(m_pSelect, 1, S(nFolder));
    int nCode = sqlite3_step(m_pSelect);
    bool bOk = nCode == SQLITE_DONE;
    if (nCode == SQLITE_ROW) {
        const void* pBytes = sqlite3_column_blob(m_pSelect, 0);
        const auto nBytes = static_cast<std::size_t>(sqlite3_column_bytes(m_pSelect, 0));
        bOk = ReadCacheRow(pBytes, pBytes ? nBytes : 0, nFolder, entries);
        if (!bOk) nCode = SQLITE_CORRUPT;
    }
    sqlite3_reset(m_pSelect);
    return bOk || Fail(nCode, "cannot be read");
}

bool CHashCache::WriteFolder(std::uint64_t nFolder, const std::vector<CHeld>& entries) {
    CCacheRowWriter row;
    std::int64_t nSeen = 0, nOldest = 0;
    for (const CHeld& e : entries) {
        const std::int64_t nDay = e.m_hashes.m_nSeenDay;
        if (nDay < m_nToday - KEEP_DAYS) continue;
        nOldest = row.IsEmpty() ? nDay : std::min(nOldest, nDay);
        nSeen = row.IsEmpty() ? nDay : std::max(nSeen, nDay);
        row.Add(e);
    }
    const std::string& bytes = row.Bytes();
    int nCode;
    if (bytes.empty()) {
        sqlite3_bind_int64(m_pDelete, 1, S(nFolder));
        nCode = StepOnce(m_pDelete);
    } else {
        sqlite3_bind_int64(m_pInsert, 1, S(nFolder));
        sqlite3_bind_int64(m_pInsert, 2, nSeen);
        sqlite3_bind_int64(m_pInsert, 3, nOldest);
        sqlite3_bind_blob(m_pInsert, 4, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
        nCode = StepOnce(m_pInsert);
    }
    return nCode == SQLITE_DONE || Fail(nCode, "cannot be written");
}

template <class FKeep>
bool CHashCache::RewriteFolder(std::uint64_t nFolder, FKeep keep) {
    std::vector<CHeld> entries;
    if (!ReadFolder(nFolder, entries)) return false;
    const std::size_t nBefore = entries.size();
    std::erase_if(entries, [&](const CHeld& e) { return !keep(e); });
    const bool bOld = std::any_of(entries.begin(), entries.end(), [&](const CHeld& e) {
        return e.m_hashes.m_nSeenDay < m_nToday - KEEP_DAYS;
    });
    return (entries.size() == nBefore && !bOld) || WriteFolder(nFolder, entries);
}

const std::vector<CHashCache::CHeld>* CHashCache::LoadFolder(std::uint64_t nFolder) {
    static const std::vector<CHeld> NONE;
    if (!m_pDb) return nullptr;
    // A new cache has nothing to read until its first write.
    if (m_bEmpty) return &NONE;
    const auto [it, bNew] = m_loaded.try_emplace(nFolder);
    if (bNew) {
        if (!ReadFolder(nFolder, it->second)) return nullptr;
        m_nHeld += it->second.size();
    }
    return &it->second;
}

void CHashCache::Release() {
    Flush();
    m_loaded.clear();
    m_nHeld = 0;
}

void CHashCache::Lookup(const std::vector<CPlace>& places, std::vector<const CEntry*>& found) {
    found.assign(places.size(), nullptr);
    if (!m_pDb || m_bEmpty) return;
    if (m_nHeld > HELD_MAX) Release();
    // One read transaction: else every statement takes and drops the file's locks.
    if (!Exec("BEGIN")) return;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const std::vector<CHeld>* pEntries = LoadFolder(places[i].m_nFolder);
        if (!pEntries) break;
        const auto it = std::lower_bound(pEntries->begin(), pEntries->end(), places[i].m_id,
                                         [](const CHeld& e, const CId& id) { return IdOf(e) < id; });
        if (it != pEntries->end() && IdOf(*it) == places[i].m_id) found[i] = &*it;
    }
    if (m_pDb) Exec("COMMIT");
    if (!m_pDb) found.assign(places.size(), nullptr);
}

void CHashCache::Store(std::vector<CEntry> entries, std::int64_t nStampedNs) {
    if (!m_pDb) return;
    std::erase_if(entries, [&](const CEntry& e) {
        return std::max(e.m_stamp.m_nChangedNs, e.m_stamp.m_nModifiedNs) > nStampedNs - m_nSettleNs;
    });
    for (CEntry& e : entries) e.m_hashes.m_nSeenDay = m_nToday;
    m_nPending += entries.size();
    m_nHeld += entries.size();
    if (!entries.empty()) m_pending.push_back(std::move(entries));
    if (m_nHeld > HELD_MAX) Release();
}

void CHashCache::Flush() {
    std::vector<const CHeld*> pending;
    pending.reserve(m_nPending);
    for (const auto& entries : m_pending)
        for (const CHeld& e : entries) pending.push_back(&e);
    m_nHeld -= m_nPending;
    m_nPending = 0;
    if (!m_pDb || pending.empty() || !Exec("BEGIN IMMEDIATE")) {
        m_pending.clear();
        return;
    }
    // Folder after folder in key order, each page of the table visited once; a file stored
    // twice keeps what was stored last.
    std::stable_sort(pending.begin(), pending.end(), [](const CHeld* a, const CHeld* b) {
        return std::pair(S(a->m_nFolder), IdOf(*a)) < std::pair(S(b->m_nFolder), IdOf(*b));
    });
    // Another search may have written since this one began: folders are merged with what they
    // hold now, read under the write lock. A file still empty holds nothing to merge.
    const int nAny = HoldsAny();
    std::vector<CHeld> kept, merged;
    for (auto first = pending.begin(); nAny >= 0 && first != pending.end();) {
        const std::uint64_t nFolder = (*first)->m_nFolder;
        const auto last = std::find_if(first, pending.end(), [&](const CHeld* p) { return p->m_nFolder != nFolder; });
        kept.clear();
        if (nAny && !ReadFolder(nFolder, kept)) break;
        merged.clear();
        auto it = kept.begin();
        for (auto p = first; p != last; ++p) {
            if (p + 1 != last && IdOf(*p[1]) == IdOf(**p)) continue;
            for (; it != kept.end() && IdOf(*it) < IdOf(**p); ++it) merged.push_back(*it);
            if (it != kept.end() && IdOf(*it) == IdOf(**p)) ++it;
            merged.push_back(**p);
        }
        merged.insert(merged.end(), it, kept.end());
        if (!WriteFolder(nFolder, merged)) break;
        // What was read of it is out of date.
        if (const auto found = m_loaded.find(nFolder); found != m_loaded.end()) {
            m_nHeld -= found->second.size();
            m_loaded.erase(found);
        }
        first = last;
    }
    m_pending.clear();
    if (m_pDb && Exec("COMMIT")) m_bEmpty = false;
}

std::size_t CHashCache::CountEntries() {
    std::size_t n = 0;
    sqlite3_stmt* pAll = nullptr;
    if (!m_pDb || sqlite3_prepare_v2(m_pDb, "SELECT key, files FROM folders", -1, &pAll, nullptr) != SQLITE_OK)
        return 0;
    std::vector<CHeld> entries;
    while (sqlite3_step(pAll) == SQLITE_ROW) {
        entries.clear();
        const void* pBytes = sqlite3_column_blob(pAll, 1);
        ReadCacheRow(pBytes, pBytes ? static_cast<std::size_t>(sqlite3_column_bytes(pAll, 1)) : 0,
                      U(sqlite3_column_int64(pAll, 0)), entries);
        n += entries.size();
    }
    sqlite3_finalize(pAll);
    return n;
}

namespace {

// The (device, inode) of every entry in strFolder as it is now, without following links.
std::unordered_set<CHashCache::CId, CHashCache::CIdHash> ListFolder(const std::string& strFolder) {
    std::unordered_set<CHashCache::CId, CHashCache::CIdHash> ids;
    const int fd = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return ids;
    DIR* pDir = ::fdopendir(fd);
    if (!pDir) {
        ::close(fd);
        return ids;
    }
    while (const dirent* pEntry = ::readdir(pDir)) {
        struct stat st {};
        if (::fstatat(fd, pEntry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ids.emplace(st.st_dev, st.st_ino);
    }
    ::closedir(pDir);
    return ids;
}

}  // namespace

void CHashCache::Prune(const CFileInfoArray& files) {
    Flush();
    // Whatever a cache new to this search holds, this search wrote for files it found.
    if (!m_pDb || std::exchange(m_bWasEmpty, m_bEmpty)) return;
    // The file changes under what was read: the next search reads it again.
    const auto loaded = std::exchange(m_loaded, {});
    m_nHeld = 0;
    std::unordered_set<CId, CIdHash> present;
    present.reserve(files.GetSize());
    std::unordered_set<const std::string*> folders;
    for (const CFileInfo& f : files.GetData()) {
        present.emplace(f.GetDevice(), f.GetInode());
        folders.insert(&f.GetFileDir());
    }
    std::map<std::uint64_t, const std::string*> keys;  // in key order, as the table
    for (const std::string* pFolder : folders) keys.emplace(FolderKey(*pFolder), pFolder);

    if (!Exec("BEGIN IMMEDIATE")) return;
    for (const auto& [nKey, pFolder] : keys) {
        // A folder as this search read it, none of whose files is missing, stays (old entries
        // go below).
        const auto it = loaded.find(nKey);
        if (it != loaded.end() && std::all_of(it->second.begin(), it->second.end(),
                                              [&](const CHeld& e) { return present.contains(IdOf(e)); }))
            continue;
        std::optional<std::unordered_set<CId, CIdHash>> there;
        const bool bOk = RewriteFolder(nKey, [&](const CHeld& e) {
            const CId id = IdOf(e);
            if (present.contains(id)) return true;
            // Not collected is not gone: a mask or a size limit may have left the file out.
            if (!there) there = ListFolder(*pFolder);
            return there->contains(id);
        });
        if (!bOk) return;
    }
    // Folders not searched now drop their entries unseen for 90 days.
    std::vector<std::uint64_t> old;
    sqlite3_stmt* pOld = nullptr;
    int nCode = sqlite3_prepare_v2(m_pDb, "SELECT key FROM folders WHERE oldest < ?", -1, &pOld, nullptr);
    if (nCode == SQLITE_OK) {
        sqlite3_bind_int64(pOld, 1, m_nToday - KEEP_DAYS);
        while ((nCode = sqlite3_step(pOld)) == SQLITE_ROW) old.push_back(U(sqlite3_column_int64(pOld, 0)));
    }
    sqlite3_finalize(pOld);
    if (nCode != SQLITE_DONE) {
        Fail(nCode, "cannot be read");
        return;
    }
    for (std::uint64_t nKey : old)
        if (!RewriteFolder(nKey, [](const CHeld&) { return true; })) return;
    Exec("COMMIT");
}
