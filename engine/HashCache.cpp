// The hash cache's SQLite file: opening it (or setting a damaged one aside), lookups, writes in
// one transaction per batch, and pruning.

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
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "FileInfo.h"

namespace {

struct CIdHash {
    std::size_t operator()(const CHashCache::CId& id) const {
        return std::hash<std::uint64_t>()(id.first * 0x9e3779b97f4a7c15ull ^ id.second);
    }
};

constexpr int APPLICATION_ID = 0x54574e58;  // "TWNX"
constexpr int SCHEMA_VERSION = 1;
constexpr std::int64_t KEEP_DAYS = 90;
constexpr const char* DAMAGED_SUFFIX = ".damaged";
constexpr std::size_t PENDING_MAX = 16384;  // entries written in one transaction, at most

constexpr const char* SCHEMA =
    "CREATE TABLE IF NOT EXISTS files("
    "dev INTEGER NOT NULL, ino INTEGER NOT NULL, size INTEGER NOT NULL,"
    "mtime INTEGER NOT NULL, ctime INTEGER NOT NULL, seen INTEGER NOT NULL,"
    "folder INTEGER NOT NULL, first INTEGER, last INTEGER, kind INTEGER NOT NULL,"
    "span INTEGER, value INTEGER, whole_hi INTEGER, whole_lo INTEGER,"
    "PRIMARY KEY(dev, ino)) WITHOUT ROWID;"
    "CREATE INDEX IF NOT EXISTS files_folder ON files(folder);";

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

}  // namespace

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
    sqlite3_stmt* pStmt = nullptr;
    nCode = sqlite3_prepare_v2(m_pDb, "PRAGMA application_id", -1, &pStmt, nullptr);
    int nAppId = 0;
    if (nCode == SQLITE_OK && (nCode = sqlite3_step(pStmt)) == SQLITE_ROW) {
        nAppId = sqlite3_column_int(pStmt, 0);
        nCode = SQLITE_OK;
    }
    sqlite3_finalize(pStmt);
    // Someone else's database is no cache of ours either.
    if (nCode == SQLITE_OK && nAppId != 0 && nAppId != APPLICATION_ID) nCode = SQLITE_NOTADB;
    if (nCode != SQLITE_OK) return Fail(nCode, "cannot be read");
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=NORMAL") ||
        !Exec("BEGIN IMMEDIATE") || !Exec(SCHEMA) ||
        !Exec(("PRAGMA application_id=" + std::to_string(APPLICATION_ID)).c_str()) ||
        !Exec(("PRAGMA user_version=" + std::to_string(SCHEMA_VERSION)).c_str()) || !Exec("COMMIT"))
        return false;
    nCode = sqlite3_prepare_v2(m_pDb,
                               "SELECT size, mtime, ctime, seen, first, last, kind, span, value,"
                               " whole_hi, whole_lo FROM files WHERE dev=? AND ino=?",
                               -1, &m_pSelect, nullptr);
    if (nCode == SQLITE_OK)
        nCode = sqlite3_prepare_v2(m_pDb,
                                   "INSERT OR REPLACE INTO files VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                                   -1, &m_pInsert, nullptr);
    if (nCode != SQLITE_OK) return Fail(nCode, "cannot be read");
    sqlite3_stmt* pAny = nullptr;
    nCode = sqlite3_prepare_v2(m_pDb, "SELECT 1 FROM files LIMIT 1", -1, &pAny, nullptr);
    if (nCode == SQLITE_OK) nCode = sqlite3_step(pAny);
    sqlite3_finalize(pAny);
    if (nCode != SQLITE_ROW && nCode != SQLITE_DONE) return Fail(nCode, "cannot be read");
    m_bWasEmpty = m_bEmpty = nCode == SQLITE_DONE;
    return true;
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
    m_pSelect = m_pInsert = nullptr;
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

void CHashCache::Lookup(const std::vector<CId>& ids, std::vector<CFound>& found) {
    found.assign(ids.size(), CFound{});
    // One read transaction: else every statement takes and drops the file's locks.
    if (ids.empty() || m_bEmpty || !Exec("BEGIN")) return;
    for (std::size_t i = 0; i < ids.size() && m_pDb; ++i) {
        sqlite3_bind_int64(m_pSelect, 1, S(ids[i].first));
        sqlite3_bind_int64(m_pSelect, 2, S(ids[i].second));
        const int nCode = sqlite3_step(m_pSelect);
        if (nCode != SQLITE_ROW) {
            sqlite3_reset(m_pSelect);
            if (nCode == SQLITE_DONE) continue;
            Fail(nCode, "cannot be read");
            break;
        }
        auto col = [&](int n) { return sqlite3_column_int64(m_pSelect, n); };
        auto has = [&](int n) { return sqlite3_column_type(m_pSelect, n) != SQLITE_NULL; };
        found[i].m_bFound = true;
        found[i].m_stamp = {ids[i].first, ids[i].second, U(col(0)), col(1), col(2)};
        CCachedHashes& h = found[i].m_hashes;
        h.m_nSeenDay = col(3);
        if ((h.m_bFirst = has(4))) h.m_nFirst = U(col(4));
        if ((h.m_bLast = has(5))) h.m_nLast = U(col(5));
        h.m_nKind = static_cast<int>(col(6));
        if (h.m_nKind != CACHED_CHECKSUM && h.m_nKind != CACHED_CRC32) h.m_nKind = CACHED_NONE;
        h.m_nSpan = U(col(7));
        h.m_nValue = U(col(8));
        if ((h.m_bWhole = has(9) && has(10))) h.m_nWholeHigh = U(col(9)), h.m_nWholeLow = U(col(10));
        sqlite3_reset(m_pSelect);
    }
    if (m_pDb) Exec("COMMIT");
    if (!m_pDb) found.assign(ids.size(), CFound{});
}

void CHashCache::Store(const std::vector<CEntry>& entries, std::int64_t nStampedNs) {
    if (!m_pDb) return;
    for (const CEntry& e : entries)
        if (std::max(e.m_stamp.m_nChangedNs, e.m_stamp.m_nModifiedNs) <= nStampedNs - m_nSettleNs)
            m_pending.push_back(e);
    // Each commit rewrites the pages it touched: fewer, larger ones cost less.
    if (m_pending.size() >= PENDING_MAX) Flush();
}

void CHashCache::Flush() {
    if (!m_pDb || m_pending.empty() || !Exec("BEGIN IMMEDIATE")) {
        m_pending.clear();
        return;
    }
    const std::int64_t nToday = Today();
    // In key order, each page of the table is visited once.
    std::sort(m_pending.begin(), m_pending.end(), [](const CEntry& a, const CEntry& b) {
        return std::pair(a.m_stamp.m_nDevice, a.m_stamp.m_nInode) < std::pair(b.m_stamp.m_nDevice, b.m_stamp.m_nInode);
    });
    for (const CEntry& e : m_pending) {
        const CCacheStamp& s = e.m_stamp;
        const CCachedHashes& h = e.m_hashes;
        sqlite3_stmt* p = m_pInsert;
        sqlite3_bind_int64(p, 1, S(s.m_nDevice));
        sqlite3_bind_int64(p, 2, S(s.m_nInode));
        sqlite3_bind_int64(p, 3, S(s.m_nSize));
        sqlite3_bind_int64(p, 4, s.m_nModifiedNs);
        sqlite3_bind_int64(p, 5, s.m_nChangedNs);
        sqlite3_bind_int64(p, 6, nToday);
        sqlite3_bind_int64(p, 7, S(e.m_nFolder));
        if (h.m_bFirst) sqlite3_bind_int64(p, 8, S(h.m_nFirst));
        if (h.m_bLast) sqlite3_bind_int64(p, 9, S(h.m_nLast));
        sqlite3_bind_int(p, 10, h.m_nKind);
        if (h.m_nKind != CACHED_NONE) {
            sqlite3_bind_int64(p, 11, S(h.m_nSpan));
            sqlite3_bind_int64(p, 12, S(h.m_nValue));
        }
        if (h.m_bWhole) {
            sqlite3_bind_int64(p, 13, S(h.m_nWholeHigh));
            sqlite3_bind_int64(p, 14, S(h.m_nWholeLow));
        }
        const int nCode = StepOnce(p);
        if (nCode != SQLITE_DONE) {
            m_pending.clear();
            Fail(nCode, "cannot be written");
            return;
        }
    }
    m_pending.clear();
    if (Exec("COMMIT")) m_bEmpty = false;
}

namespace {

// The (device, inode) of every entry in strFolder as it is now, without following links.
std::unordered_set<CHashCache::CId, CIdHash> ListFolder(const std::string& strFolder) {
    std::unordered_set<CHashCache::CId, CIdHash> ids;
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
    std::unordered_set<CId, CIdHash> present;
    std::unordered_map<const std::string*, std::uint64_t> folders;
    for (const CFileInfo& f : files.GetData()) {
        present.emplace(f.GetDevice(), f.GetInode());
        folders.emplace(&f.GetFileDir(), 0);
    }
    std::unordered_map<std::uint64_t, const std::string*> keys;
    for (auto& [pFolder, nKey] : folders) keys.emplace(FolderKey(*pFolder), pFolder);

    sqlite3_stmt* pFind = nullptr;
    sqlite3_stmt* pDrop = nullptr;
    int nCode = sqlite3_prepare_v2(m_pDb, "SELECT dev, ino FROM files WHERE folder=?", -1, &pFind, nullptr);
    if (nCode == SQLITE_OK)
        nCode = sqlite3_prepare_v2(m_pDb, "DELETE FROM files WHERE dev=? AND ino=?", -1, &pDrop, nullptr);
    if (nCode == SQLITE_OK && Exec("BEGIN IMMEDIATE")) {
        std::vector<CId> gone;
        for (const auto& [nKey, pFolder] : keys) {
            const std::size_t nFirst = gone.size();
            sqlite3_bind_int64(pFind, 1, S(nKey));
            while ((nCode = sqlite3_step(pFind)) == SQLITE_ROW) {
                const CId id{U(sqlite3_column_int64(pFind, 0)), U(sqlite3_column_int64(pFind, 1))};
                if (!present.contains(id)) gone.push_back(id);
            }
            sqlite3_reset(pFind);
            if (nCode != SQLITE_DONE) break;
            if (gone.size() == nFirst) continue;
            // Not collected is not gone: a mask or a size limit may have left the file out.
            const auto there = ListFolder(*pFolder);
            gone.erase(std::remove_if(gone.begin() + std::ptrdiff_t(nFirst), gone.end(),
                                      [&](const CId& id) { return there.contains(id); }),
                       gone.end());
        }
        for (const auto& [nDev, nIno] : gone) {
            if (nCode != SQLITE_DONE) break;
            sqlite3_bind_int64(pDrop, 1, S(nDev));
            sqlite3_bind_int64(pDrop, 2, S(nIno));
            nCode = sqlite3_step(pDrop);
            sqlite3_reset(pDrop);
        }
        if (nCode == SQLITE_DONE)
            Exec(("DELETE FROM files WHERE seen < " + std::to_string(Today() - KEEP_DAYS)).c_str()) &&
                Exec("COMMIT");
    }
    sqlite3_finalize(pFind);
    sqlite3_finalize(pDrop);
    if (nCode != SQLITE_OK && nCode != SQLITE_DONE) Fail(nCode, "cannot be written");
}
