// The hash cache's file when things go wrong: damaged, cut short, locked, not writable; and
// what pruning drops; two processes at once.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "HashCache.h"
#include "Match.h"
#include "MatchSets.h"
#include "TempTree.h"

namespace {

class CNullSink : public IResultSink {
public:
    void Clear() override {}
    void Append(std::vector<CResultRow>&& rows) override { m_nRows += rows.size(); }
    void End() override {}
    std::size_t m_nRows = 0;
};

// A tree with one set of three copies and a file of their size that differs.
void AddCopies(CTempTree& tree) {
    const std::string bytes(50000, 'x');
    for (const char* psz : {"a", "b", "sub/c"}) tree.Add(psz, bytes);
    tree.Add("d", std::string(49999, 'x') + "y");
}

// Collects the tree and matches it with the settings' cache; the pairs found (with reflect).
// bNew: the cache is opened here and takes brand-new files too.
std::size_t MatchWithCache(const CTempTree& tree, const std::string& strCache, std::string& strProblem,
                           bool bNew = false) {
    CMatchTuning tuning;
    std::unique_ptr<CHashCache> pCache;
    if (bNew) {
        pCache = CHashCache::Open(strCache, strProblem);
        if (!pCache) return 0;
        pCache->m_nSettleNs = 0;
        tuning.m_pCache = pCache.get();
    }
    CSearchState state;
    state.m_files.AddDir(tree.Root(), "*", true, nullptr);
    CSearchSettings settings;
    settings.m_nCriterion = MATCH_CHECKSUM;
    settings.m_strPartial = "0";
    settings.m_bUseCache = true;
    settings.m_strCachePath = strCache;
    CNullSink sink;
    MatchFilesTuned(settings, state, sink, {}, tuning);
    strProblem = state.m_strCacheProblem;
    return sink.m_nRows;
}

std::int64_t Count(const std::string& strCache, const char* pszWhere = "1") {
    sqlite3* pDb = nullptr;
    sqlite3_stmt* pStmt = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open(strCache.c_str(), &pDb) == SQLITE_OK &&
        sqlite3_prepare_v2(pDb, (std::string("SELECT count(*) FROM files WHERE ") + pszWhere).c_str(), -1,
                           &pStmt, nullptr) == SQLITE_OK &&
        sqlite3_step(pStmt) == SQLITE_ROW)
        n = sqlite3_column_int64(pStmt, 0);
    sqlite3_finalize(pStmt);
    sqlite3_close(pDb);
    return n;
}

bool Exists(const std::string& strPath) { return ::access(strPath.c_str(), F_OK) == 0; }

// Fills a cache with many entries through the engine, so that its file spans many pages.
void FillCache(const std::string& strCache, std::size_t nEntries) {
    std::string strProblem;
    auto pCache = CHashCache::Open(strCache, strProblem);
    ASSERT_TRUE(pCache) << strProblem;
    std::vector<CHashCache::CEntry> entries;
    for (std::uint64_t i = 0; i < nEntries; ++i)
        entries.push_back({{1, i, 10, 1, 1}, {true, true, false, i, i, CACHED_CHECKSUM, 10, i, 0, 0, 0}, i});
    pCache->Store(entries, CHashCache::NowNs());
}

TEST(HashCacheFileTest, DamagedAndCutShortCachesAreSetAsideAndTheSearchStillFinds) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    std::string strProblem;
    // Not a database at all, and someone else's database.
    for (const char* pszKind : {"garbage", "foreign"}) {
        SCOPED_TRACE(pszKind);
        ::unlink(strCache.c_str());
        if (std::string(pszKind) == "garbage") {
            std::ofstream(strCache) << std::string(10000, 'G');
        } else {
            sqlite3* pDb = nullptr;
            ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
            sqlite3_exec(pDb, "CREATE TABLE t(x); PRAGMA application_id=7;", nullptr, nullptr, nullptr);
            sqlite3_close(pDb);
        }
        EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
        EXPECT_NE(strProblem.find("set aside"), std::string::npos) << strProblem;
        EXPECT_TRUE(Exists(strCache + ".damaged"));
        // The new one is used, and says nothing more.
        EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
        EXPECT_EQ(strProblem, "");
        EXPECT_GE(Count(strCache), 0);
    }
    // Cut short: the damage shows when a lookup reaches the missing pages.
    ::unlink(strCache.c_str());
    FillCache(strCache, 30000);
    struct stat st {};
    ASSERT_EQ(::stat(strCache.c_str(), &st), 0);
    ASSERT_EQ(::truncate(strCache.c_str(), st.st_size / 3), 0);
    for (int nRun = 0; nRun < 2; ++nRun) {
        std::unique_ptr<CHashCache> pCache = CHashCache::Open(strCache, strProblem);
        std::vector<CHashCache::CId> ids;
        for (std::uint64_t i = 0; i < 30000; i += 7) ids.emplace_back(1, i);
        std::vector<CHashCache::CFound> found;
        if (pCache) pCache->Lookup(ids, found);
        if (nRun == 0) {
            ASSERT_TRUE(!pCache || !pCache->IsUsable() || !pCache->Problem().empty());
            EXPECT_FALSE(pCache && pCache->IsUsable() && pCache->Problem().empty());
            EXPECT_NE((pCache ? pCache->Problem() : strProblem).find("damaged"), std::string::npos);
        } else {
            ASSERT_TRUE(pCache && pCache->IsUsable());  // a new one, empty
            EXPECT_EQ(pCache->Problem(), "");
            EXPECT_TRUE(std::none_of(found.begin(), found.end(), [](auto& f) { return f.m_bFound; }));
        }
    }
    EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
    // A place where no file can be made: no cache, said once, the search done all the same.
    EXPECT_EQ(MatchWithCache(tree, "/dev/null/twinex/c.sqlite", strProblem), 3u);
    EXPECT_NE(strProblem.find("cannot be opened"), std::string::npos) << strProblem;
}

TEST(HashCacheFileTest, ALockedCacheIsGivenUpAfterTheWait) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    std::string strProblem;
    ASSERT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
    // Another program holds it: opening waits, then gives up.
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(CHashCache::Open(strCache, strProblem, 100));
    EXPECT_NE(strProblem.find("in use"), std::string::npos) << strProblem;
    sqlite3_exec(pDb, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(pDb);
    // Locked while a search writes: it goes on without the cache, and finds the same.
    auto pCache = CHashCache::Open(strCache, strProblem, 100);
    ASSERT_TRUE(pCache) << strProblem;
    pCache->m_nSettleNs = 0;
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "BEGIN IMMEDIATE; DELETE FROM files;", nullptr, nullptr, nullptr), SQLITE_OK);
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*", true, nullptr);
    CMatchTuning tuning;
    tuning.m_pCache = pCache.get();
    std::size_t nSets = 0;
    EXPECT_TRUE(FindDuplicateSets(files, MATCH_CONTENTS, 0, nullptr, tuning,
                                  [&](std::size_t, std::size_t, const CFileSets& sets) { nSets += sets.size(); }));
    EXPECT_EQ(nSets, 1u);
    EXPECT_FALSE(pCache->IsUsable());
    EXPECT_NE(pCache->Problem().find("in use"), std::string::npos) << pCache->Problem();
    sqlite3_exec(pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(pDb);
}

TEST(HashCacheFileTest, TwoProcessesSearchingAtOnceBothFinish) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    pid_t pids[2];
    for (pid_t& pid : pids) {
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string strProblem;
            for (int i = 0; i < 15; ++i)
                if (MatchWithCache(tree, strCache, strProblem, true) != 3u || !strProblem.empty()) _exit(1);
            _exit(0);
        }
    }
    for (pid_t pid : pids) {
        int nStatus = 0;
        ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
        EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    }
    EXPECT_EQ(Count(strCache), 4);
}

TEST(HashCacheFileTest, ReadOnlyCacheIsLeftAloneUnprivileged) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root (twinex_engine_unprivileged runs this)";
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    std::string strProblem;
    ASSERT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
    ASSERT_EQ(::chmod(strCache.c_str(), 0444), 0);
    EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
    EXPECT_NE(strProblem, "");
    EXPECT_TRUE(Exists(strCache));
    EXPECT_FALSE(Exists(strCache + ".damaged"));
}

TEST(HashCacheFileTest, PruningDropsFilesGoneFromSearchedFoldersAndOldEntries) {
    CTempTree tree, other, dir;
    AddCopies(tree);
    AddCopies(other);
    const std::string strCache = dir.Path("c.sqlite");
    std::string strProblem;
    MatchWithCache(tree, strCache, strProblem, true);
    MatchWithCache(other, strCache, strProblem, true);
    ASSERT_EQ(Count(strCache), 8);
    ASSERT_EQ(::unlink(tree.Path("a").c_str()), 0);
    MatchWithCache(tree, strCache, strProblem, true);
    EXPECT_EQ(Count(strCache), 7);
    // All unseen for 91 days; the files of this search are seen again, the others go.
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "UPDATE files SET seen = seen - 91", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(pDb);
    MatchWithCache(tree, strCache, strProblem, true);
    EXPECT_EQ(Count(strCache), 3);
}

}  // namespace
