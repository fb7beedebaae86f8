// The hash cache in the matcher: what a second search reads, when a cached value must not be
// used, and that results never depend on it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "HashCache.h"
#include "MatchSets.h"
#include "TempTree.h"

namespace {

std::string Bytes(std::size_t n, unsigned nSeed) {
    std::string str(n, '\0');
    std::mt19937 rng(nSeed);
    for (char& c : str) c = static_cast<char>(rng());
    return str;
}

// One search: its sets as file names, and how often each file was opened.
struct CSearch {
    std::set<std::set<std::string>> m_sets;
    std::map<std::string, int> m_opened;
    int Opened(const std::string& strName) const {
        auto it = m_opened.find(strName);
        return it == m_opened.end() ? 0 : it->second;
    }
    int OpenedInAll() const {
        int n = 0;
        for (const auto& [str, nOpened] : m_opened) n += nOpened;
        return n;
    }
};

CSearch Search(const std::string& strRoot, int nCriterion, std::uint64_t nLimit, CHashCache* pCache) {
    CFileInfoArray files;
    files.AddDir(strRoot, "*", true, nullptr);
    CSearch result;
    std::mutex mutex;
    CMatchTuning tuning;
    tuning.m_nThreads = 3;
    tuning.m_pCache = pCache;
    tuning.m_onOpened = [&](const CFileInfo& f) {
        std::lock_guard lock(mutex);
        ++result.m_opened[f.GetFilePath().substr(strRoot.size())];
    };
    EXPECT_TRUE(FindDuplicateSets(files, nCriterion, nLimit, nullptr, tuning,
                                  [&](std::size_t, std::size_t, const CFileSets& sets) {
                                      for (const auto& set : sets) {
                                          std::set<std::string> names;
                                          for (std::size_t i : set)
                                              names.insert(files[i].GetFilePath().substr(strRoot.size()));
                                          result.m_sets.insert(names);
                                      }
                                  }));
    return result;
}

std::unique_ptr<CHashCache> OpenCache(const std::string& strPath, int nWaitMs = 2000) {
    std::string strProblem;
    auto pCache = CHashCache::Open(strPath, strProblem, nWaitMs);
    EXPECT_TRUE(pCache) << strProblem;
    if (pCache) pCache->m_nSettleNs = 0;  // the tests' files are all brand new
    return pCache;
}

// Runs SQL on the cache file from a connection of the test's own.
void Sql(const std::string& strPath, const std::string& strSql) {
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(strPath.c_str(), &pDb), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(pDb, strSql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(pDb);
    sqlite3_close(pDb);
}

// Rewrites a file in place with other bytes of the same size and puts its modification time
// back, until its change time shows it (the file system's clock may not have ticked yet).
void ChangeKeepingTimes(const std::string& strPath, const std::string& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(strPath.c_str(), &before), 0);
    for (int nTry = 0; nTry < 200; ++nTry) {
        const int fd = ::open(strPath.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::futimens(fd, times), 0);
        ::close(fd);
        struct stat after {};
        ASSERT_EQ(::stat(strPath.c_str(), &after), 0);
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec || after.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
            return;
        ::usleep(5000);
    }
    FAIL() << "the change time never moved";
}

TEST(HashCacheMatchTest, UnchangedFilesAreNotReadAgainAndFilesChangedInPlaceAre) {
    CTempTree tree;
    const std::string big = Bytes(200 * 1024, 1), small = Bytes(1000, 2);
    tree.Add("big1", big);
    tree.Add("big2", big);
    tree.Add("bigOther", Bytes(200 * 1024, 3));
    tree.Add("small1", small);
    tree.Add("small2", small);
    CTempTree cacheDir;
    auto pCache = OpenCache(cacheDir.Path("c.sqlite"));
    for (int nCriterion : {MATCH_CHECKSUM, MATCH_CRC32}) {
        SCOPED_TRACE(nCriterion);
        const CSearch first = Search(tree.Root(), nCriterion, 0, pCache.get());
        const std::set<std::set<std::string>> expected{{"big1", "big2"}, {"small1", "small2"}};
        EXPECT_EQ(first.m_sets, expected);
        EXPECT_GE(first.Opened("big1"), 1);
        const CSearch second = Search(tree.Root(), nCriterion, 0, pCache.get());
        EXPECT_EQ(second.m_sets, expected);
        EXPECT_EQ(second.OpenedInAll(), 0);
    }
    // Same size, same modification time, other bytes: only the change time tells.
    std::string changed = big;
    changed[100 * 1024] ^= 1;
    ChangeKeepingTimes(tree.Path("big2"), changed);
    const CSearch third = Search(tree.Root(), MATCH_CRC32, 0, pCache.get());
    EXPECT_EQ(third.m_sets, (std::set<std::set<std::string>>{{"small1", "small2"}}));
    EXPECT_GE(third.Opened("big2"), 1);
    EXPECT_EQ(third.Opened("small1") + third.Opened("bigOther"), 0);
    EXPECT_TRUE(pCache->Problem().empty()) << pCache->Problem();
}

TEST(HashCacheMatchTest, AValueForAnotherSpanIsNotUsed) {
    CTempTree tree;
    // Equal in the first 120 KiB, different after.
    std::string a = Bytes(300 * 1024, 4), b = a;
    b[130 * 1024] ^= 1;
    tree.Add("a", a);
    tree.Add("b", b);
    CTempTree cacheDir;
    auto pCache = OpenCache(cacheDir.Path("c.sqlite"));
    using Sets = std::set<std::set<std::string>>;
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 100 * 1024, pCache.get()).m_sets, Sets({{"a", "b"}}));
    const CSearch longer = Search(tree.Root(), MATCH_CHECKSUM, 150 * 1024, pCache.get());
    EXPECT_EQ(longer.m_sets, Sets{});
    EXPECT_GE(longer.Opened("a"), 1);
    // The other span's value replaced this one's; a short span read whole is no whole file.
    const CSearch again = Search(tree.Root(), MATCH_CHECKSUM, 100 * 1024, pCache.get());
    EXPECT_EQ(again.m_sets, Sets({{"a", "b"}}));
    EXPECT_GE(again.Opened("b"), 1);
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 2, pCache.get()).m_sets, Sets({{"a", "b"}}));
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets, Sets{});
}

// A tree of exact copies, files equal but in the middle (same first and last blocks), and
// files equal only in their first kilobytes, of short and long spans.
void AddMatchingCorpus(CTempTree& tree) {
    std::mt19937 rng(7);
    for (int nGroup = 0; nGroup < 12; ++nGroup) {
        const std::size_t nSize = nGroup % 3 == 0 ? 900 : nGroup % 3 == 1 ? 30 * 1024 : 150 * 1024;
        const std::string base = Bytes(nSize, 100 + nGroup);
        for (int i = 0; i < 4; ++i) {
            std::string bytes = base;
            if (i == 2) bytes[nSize / 2] ^= 1;
            if (i == 3 && nGroup % 2) bytes[3000 % nSize] ^= 2;
            tree.Add("d" + std::to_string(rng() % 3) + "/g" + std::to_string(nGroup) + "_" + std::to_string(i),
                     bytes);
        }
    }
}

TEST(HashCacheMatchTest, ResultsAreTheSameWithAndWithoutTheCacheAndContentsStillComparesBytes) {
    CTempTree tree;
    AddMatchingCorpus(tree);
    CTempTree cacheDir;
    const std::string strCache = cacheDir.Path("c.sqlite");
    auto pCache = OpenCache(strCache);
    for (int nCriterion : {MATCH_SIZE, MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS})
        for (std::uint64_t nLimit : {std::uint64_t(0), std::uint64_t(2048), std::uint64_t(64 * 1024)}) {
            SCOPED_TRACE(std::to_string(nCriterion) + " " + std::to_string(nLimit));
            const CSearch plain = Search(tree.Root(), nCriterion, nLimit, nullptr);
            EXPECT_FALSE(plain.m_sets.empty());
            const CSearch cold = Search(tree.Root(), nCriterion, nLimit, pCache.get());
            const CSearch warm = Search(tree.Root(), nCriterion, nLimit, pCache.get());
            EXPECT_EQ(cold.m_sets, plain.m_sets);
            EXPECT_EQ(warm.m_sets, plain.m_sets);
            if (nCriterion != MATCH_CONTENTS) continue;
            EXPECT_LT(warm.OpenedInAll(), plain.OpenedInAll());
            for (const auto& set : warm.m_sets)
                for (const std::string& strName : set) EXPECT_GE(warm.Opened(strName), 1) << strName;
        }
    EXPECT_TRUE(pCache->Problem().empty()) << pCache->Problem();
    // A cache that says every file of a size is alike still never makes unequal files a set.
    pCache.reset();
    Sql(strCache, "UPDATE files SET first=1, last=2, whole_hi=3, whole_lo=4");
    pCache = OpenCache(strCache);
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets,
              Search(tree.Root(), MATCH_CONTENTS, 0, nullptr).m_sets);
}

TEST(HashCacheFileTest, EntriesKeepTheirStampAndValuesInLittleRoom) {
    CTempTree dir;
    const std::string strPath = dir.Path("sub/c.sqlite");  // the folder is made on first use
    auto pCache = OpenCache(strPath);
    ASSERT_TRUE(pCache);
    const CCacheStamp stamp{1, 2, 3, 4'000'000'001, 5'000'000'002};
    CCachedHashes hashes;
    hashes.m_bFirst = true;
    hashes.m_nFirst = 0xfedcba9876543210ull;  // past the signed range
    hashes.m_nKind = CACHED_CRC32;
    hashes.m_nSpan = 3;
    hashes.m_nValue = 77;
    std::vector<CHashCache::CEntry> entries{{stamp, hashes, 9}};
    // Many files, all values: under 200 bytes each.
    for (std::uint64_t i = 0; i < 20000; ++i) {
        CCachedHashes h{true, true, true, ~i, ~i << 1, CACHED_CHECKSUM, 1 << 20, ~i << 2, ~i, i << 3, 0};
        entries.push_back({{2049, 1000000 + i, 1 << 20, 1'700'000'000'123'456'789, 1'700'000'000'123'456'789}, h, i / 30});
    }
    pCache->Store(entries, CHashCache::NowNs());
    pCache->Flush();
    std::vector<CHashCache::CFound> found;
    pCache->Lookup({{1, 2}, {1, 3}, {2049, 1000000 + 5}}, found);
    ASSERT_EQ(found.size(), 3u);
    ASSERT_TRUE(found[0].m_bFound);
    EXPECT_EQ(found[0].m_stamp, stamp);
    const CCachedHashes& h = found[0].m_hashes;
    EXPECT_TRUE(h.m_bFirst && !h.m_bLast && !h.m_bWhole);
    EXPECT_EQ(h.m_nFirst, hashes.m_nFirst);
    EXPECT_EQ(h.m_nKind, CACHED_CRC32);
    EXPECT_EQ(h.m_nValue, 77u);
    EXPECT_EQ(h.m_nSeenDay, CHashCache::Today());
    EXPECT_FALSE(found[1].m_bFound);
    EXPECT_TRUE(found[2].m_bFound && found[2].m_hashes.m_bWhole && found[2].m_hashes.m_nWholeLow == 5 << 3);
    pCache.reset();
    struct stat st {};
    ASSERT_EQ(::stat(strPath.c_str(), &st), 0);
    EXPECT_LT(st.st_size, 200 * 20001);

    // Changed just before the stamp was taken: not written, as the stamp may not show a change.
    pCache = OpenCache(strPath);
    pCache->m_nSettleNs = 2'000'000'000;
    const CCacheStamp recent{7, 7, 7, CHashCache::NowNs() - 1'000'000'000, 1};
    pCache->Store({{recent, hashes, 1}}, CHashCache::NowNs());
    pCache->Flush();
    pCache->Lookup({{7, 7}}, found);
    EXPECT_FALSE(found[0].m_bFound);
}

}  // namespace
