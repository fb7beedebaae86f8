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
    for (const char* psz : {"a", "b", "sub/c"}) tree.Add(psz, std::string(50000, 'x'));
    tree.Add("d", std::string(49999, 'x') + "y");
}

// Collects the tree and matches it with the settings' cache; the pairs found (with reflect).
// bNew: the cache is opened here and takes brand-new files too.
std::size_t MatchWithCache(const CTempTree& tree, const std::string& strCache, std::string& strProblem,
                           bool bNew = false) {
    CMatchTuning tuning;
    std::unique_ptr<CHashCache> pCache;
    if (bNew) {
        if (!(pCache = CHashCache::Open(strCache, strProblem))) return 0;
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

// Runs SQL on the cache file from a connection of the test's own; the first value it gives.
std::int64_t Sql(const std::string& strCache, const std::string& strSql) {
    sqlite3* pDb = nullptr;
    std::int64_t n = 0;
    auto onRow = [](void* p, int, char** values, char**) {
        *static_cast<std::int64_t*>(p) = std::stoll(values[0]);
        return 0;
    };
    if (sqlite3_open(strCache.c_str(), &pDb) != SQLITE_OK || sqlite3_exec(pDb, strSql.c_str(), onRow, &n, 0) != SQLITE_OK)
        n = -1;
    sqlite3_close(pDb);
    return n;
}

bool Exists(const std::string& strPath) { return ::access(strPath.c_str(), F_OK) == 0; }

TEST(HashCacheFileTest, DamagedAndCutShortCachesAreSetAsideAndTheSearchStillFinds) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    std::string strProblem;
    // Not a database at all, and someone else's database.
    for (const char* pszSql : {"", "CREATE TABLE t(x); PRAGMA application_id=7;"}) {
        SCOPED_TRACE(pszSql);
        ::unlink(strCache.c_str());
        if (*pszSql) EXPECT_EQ(Sql(strCache, pszSql), 0);
        else std::ofstream(strCache) << std::string(10000, 'G');
        EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
        EXPECT_NE(strProblem.find("set aside"), std::string::npos) << strProblem;
        EXPECT_TRUE(Exists(strCache + ".damaged"));
        // The new one is used, and says nothing more.
        EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
        EXPECT_EQ(strProblem, "");
    }
    // A full cache is small, keeps no file changed just before its stamp was taken (the stamp
    // may not show a change), and cut short is set aside once a lookup reaches the lost pages.
    ::unlink(strCache.c_str());
    auto pCache = CHashCache::Open(strCache, strProblem);
    ASSERT_TRUE(pCache) << strProblem;
    pCache->m_nSettleNs = 2'000'000'000;
    const std::int64_t nNow = CHashCache::NowNs();
    std::vector<CHashCache::CEntry> entries;
    std::vector<CHashCache::CId> ids;
    for (std::uint64_t i = 0; i < 30000; ++i) {
        entries.push_back({{2049, i, 1 << 20, 1'700'000'000'123'456'789, 1'700'000'000'123'456'789},
                           {true, true, true, ~i, ~i << 1, CACHED_CHECKSUM, 1 << 20, ~i << 2, ~i, i << 3, 0}, i / 30});
        ids.emplace_back(2049, i);
    }
    entries.push_back({{7, 7, 7, nNow - 1'000'000'000, 1}, entries[0].m_hashes, 1});
    ids.emplace_back(7, 7);
    pCache->Store(entries, nNow);
    pCache->Flush();
    std::vector<CHashCache::CFound> found;
    pCache->Lookup(ids, found);
    ASSERT_EQ(found.size(), ids.size());
    EXPECT_TRUE(found[5].m_bFound && found[5].m_hashes.m_nWholeLow == 5 << 3);
    EXPECT_FALSE(found.back().m_bFound);
    pCache.reset();
    struct stat st {};
    ASSERT_EQ(::stat(strCache.c_str(), &st), 0);
    EXPECT_LT(st.st_size, 200 * 30000);  // under 200 bytes a file
    ASSERT_EQ(::truncate(strCache.c_str(), st.st_size / 3), 0);
    if ((pCache = CHashCache::Open(strCache, strProblem))) pCache->Lookup(ids, found);
    EXPECT_NE((pCache ? pCache->Problem() : strProblem).find("damaged"), std::string::npos);
    EXPECT_EQ(MatchWithCache(tree, strCache, strProblem), 3u);
    EXPECT_EQ(strProblem, "");  // a new one
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
    ASSERT_EQ(sqlite3_exec(pDb, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", 0, 0, 0), SQLITE_OK);
    EXPECT_FALSE(CHashCache::Open(strCache, strProblem, 100));
    EXPECT_NE(strProblem.find("in use"), std::string::npos) << strProblem;
    sqlite3_exec(pDb, "COMMIT", 0, 0, 0);
    sqlite3_close(pDb);
    // Locked while a search writes: it goes on without the cache, and finds the same.
    auto pCache = CHashCache::Open(strCache, strProblem, 100);
    ASSERT_TRUE(pCache) << strProblem;
    pCache->m_nSettleNs = 0;
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "BEGIN IMMEDIATE; DELETE FROM files;", 0, 0, 0), SQLITE_OK);
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*", true, nullptr);
    CMatchTuning tuning;
    tuning.m_pCache = pCache.get();
    std::size_t nSets = 0;
    EXPECT_TRUE(FindDuplicateSets(files, MATCH_CONTENTS, 0, nullptr, tuning,
                                  [&](std::size_t, std::size_t, const CFileSets& sets) { nSets += sets.size(); }));
    EXPECT_EQ(nSets, 1u);
    EXPECT_NE(pCache->Problem().find("in use"), std::string::npos) << pCache->Problem();
    sqlite3_exec(pDb, "ROLLBACK", 0, 0, 0);
    sqlite3_close(pDb);
}

TEST(HashCacheFileTest, TwoProcessesSearchingAtOnceBothFinish) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    pid_t pids[2];
    for (pid_t& pid : pids)
        if ((pid = fork()) == 0) {
            std::string strProblem;
            for (int i = 0; i < 15; ++i)
                if (MatchWithCache(tree, strCache, strProblem, true) != 3u || !strProblem.empty()) _exit(1);
            _exit(0);
        }
    for (pid_t pid : pids) {
        int nStatus = 0;
        ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
        EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    }
    EXPECT_EQ(Sql(strCache, "SELECT count(*) FROM files"), 4);
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
    ASSERT_EQ(Sql(strCache, "SELECT count(*) FROM files"), 8);
    ASSERT_EQ(::unlink(tree.Path("a").c_str()), 0);
    MatchWithCache(tree, strCache, strProblem, true);
    EXPECT_EQ(Sql(strCache, "SELECT count(*) FROM files"), 7);
    // All unseen for 91 days; the files of this search are seen again, the others go.
    ASSERT_EQ(Sql(strCache, "UPDATE files SET seen = seen - 91"), 0);
    MatchWithCache(tree, strCache, strProblem, true);
    EXPECT_EQ(Sql(strCache, "SELECT count(*) FROM files"), 3);
}

}  // namespace
