// The hash cache: what a second search reads, when a cached value must not be used, that
// results never depend on it, and its file when damaged, cut short, locked or not writable.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <limits>
#include <tuple>
#include <map>
#include <mutex>
#include <random>
#include <set>

#include "CacheRow.h"
#include "HashCache.h"
#include "MatchBatch.h"
#include "MatchSets.h"
#include "TempTree.h"

namespace {

using Sets = std::set<std::set<std::string>>;

std::string Bytes(std::size_t n, unsigned nSeed) {
    std::string str(n, '\0');
    std::mt19937 rng(nSeed);
    for (char& c : str) c = static_cast<char>(rng());
    return str;
}

// One search: its sets as file names, and how often each file was opened.
struct CSearch {
    Sets m_sets;
    std::map<std::string, int> m_opened;
    int m_nOpened = 0;
};

// bPrune: then drops what the search shows gone, as a search that ran to its end does.
CSearch Search(const std::string& strRoot, int nCriterion, std::uint64_t nLimit, CHashCache* pCache,
               bool bPrune = false) {
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
        ++result.m_nOpened;
    };
    auto onSets = [&](std::size_t, std::size_t, const CFileSets& sets) {
        for (const auto& set : sets) {
            std::set<std::string> names;
            for (std::size_t i : set) names.insert(files[i].GetFilePath().substr(strRoot.size()));
            result.m_sets.insert(names);
        }
    };
    EXPECT_TRUE(FindDuplicateSets(files, nCriterion, nLimit, nullptr, tuning, onSets));
    if (bPrune) pCache->Prune(files);
    return result;
}

std::unique_ptr<CHashCache> OpenCache(const std::string& strPath, int nWaitMs = 2000) {
    std::string strProblem;
    auto pCache = CHashCache::Open(strPath, strProblem, nWaitMs);
    EXPECT_TRUE(pCache) << strProblem;
    if (pCache) pCache->m_nSettleNs = 0;  // the tests' files are all brand new
    return pCache;
}

// Rewrites a file in place with other bytes of the same size and puts its modification time
// back, until its change time shows it (the file system's clock may not have ticked yet).
void ChangeKeepingTimes(const std::string& strPath, const std::string& bytes) {
    struct stat before {}, after {};
    ASSERT_EQ(::stat(strPath.c_str(), &before), 0);
    for (int nTry = 0; nTry < 200; ++nTry, ::usleep(5000)) {
        const int fd = ::open(strPath.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::futimens(fd, times), 0);
        ::close(fd);
        ASSERT_EQ(::stat(strPath.c_str(), &after), 0);
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec || after.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
            return;
    }
    FAIL() << "the change time never moved";
}

// Exact copies, files equal but in the middle (same first and last blocks), and files equal
// only in their first kilobytes, of short and long spans. Returns the bytes of g1_0.
std::string AddMatchingCorpus(CTempTree& tree) {
    std::mt19937 rng(7);
    for (int nGroup = 0; nGroup < 12; ++nGroup) {
        const std::size_t nSize = nGroup % 3 == 0 ? 900 : nGroup % 3 == 1 ? 30 * 1024 : 150 * 1024;
        const std::string base = Bytes(nSize, 100 + nGroup);
        for (int i = 0; i < 4; ++i) {
            std::string bytes = base;
            if (i == 2) bytes[nSize / 2] ^= 1;
            if (i == 3 && nGroup % 2) bytes[3000 % nSize] ^= 2;
            tree.Add("g" + std::to_string(nGroup) + "_" + std::to_string(i), bytes);
        }
    }
    return Bytes(30 * 1024, 101);
}

// Runs SQL on the cache file from a connection of the test's own; the first value it gives.
std::int64_t Sql(const std::string& strCache, const std::string& strSql) {
    sqlite3* pDb = nullptr;
    std::int64_t n = 0;
    auto onRow = [](void* p, int, char** values, char**) {
        *static_cast<std::int64_t*>(p) = std::stoll(values[0]);
        return 0;
    };
    if (sqlite3_open(strCache.c_str(), &pDb) != SQLITE_OK ||
        sqlite3_exec(pDb, strSql.c_str(), onRow, &n, nullptr) != SQLITE_OK)
        n = -1;
    sqlite3_close(pDb);
    return n;
}

bool Exists(const std::string& strPath) { return ::access(strPath.c_str(), F_OK) == 0; }

// One set of three copies and a file of their size that differs.
const Sets COPIES{{"a", "b", "sub/c"}};
void AddCopies(CTempTree& tree) {
    for (const char* psz : {"a", "b", "sub/c"}) tree.Add(psz, std::string(50000, 'x'));
    tree.Add("d", std::string(49999, 'x') + "y");
}

TEST(HashCacheMatchTest, SameResultsWithTheCacheAndUnchangedFilesAreNotReadAgain) {
    CTempTree tree, cacheDir;
    std::string changed = AddMatchingCorpus(tree);
    const std::string strCache = cacheDir.Path("c.sqlite");
    auto pCache = OpenCache(strCache);
    for (int nCriterion : {MATCH_SIZE, MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS})
        for (std::uint64_t nLimit : {std::uint64_t(0), std::uint64_t(2048), std::uint64_t(64 * 1024)}) {
            SCOPED_TRACE(std::to_string(nCriterion) + " " + std::to_string(nLimit));
            const CSearch plain = Search(tree.Root(), nCriterion, nLimit, nullptr);
            EXPECT_FALSE(plain.m_sets.empty());
            EXPECT_EQ(Search(tree.Root(), nCriterion, nLimit, pCache.get()).m_sets, plain.m_sets);
            CSearch warm = Search(tree.Root(), nCriterion, nLimit, pCache.get());
            EXPECT_EQ(warm.m_sets, plain.m_sets);
            if (nCriterion == MATCH_CONTENTS) {
                // Cached hashes only split sets: whatever is listed was still compared byte by byte.
                EXPECT_LT(warm.m_nOpened, plain.m_nOpened);
                for (const auto& set : warm.m_sets)
                    for (const std::string& strName : set) EXPECT_GE(warm.m_opened[strName], 1) << strName;
            } else if (nLimit == 0 || nLimit >= CCachedHashes::EDGE) {
                EXPECT_EQ(warm.m_nOpened, 0);  // a shorter span is read in the first read anyway
            }
        }
    // Same size, same modification time, other bytes: only the change time tells.
    Search(tree.Root(), MATCH_CRC32, 0, pCache.get());
    changed[10 * 1024] ^= 1;
    ChangeKeepingTimes(tree.Path("g1_0"), changed);
    CSearch after = Search(tree.Root(), MATCH_CRC32, 0, pCache.get());
    EXPECT_EQ(after.m_sets, Search(tree.Root(), MATCH_CRC32, 0, nullptr).m_sets);
    EXPECT_FALSE(after.m_sets.contains({"g1_0", "g1_1"}));
    EXPECT_GE(after.m_opened["g1_0"], 1);
    EXPECT_EQ(after.m_nOpened, after.m_opened["g1_0"]);
    EXPECT_TRUE(pCache->Problem().empty()) << pCache->Problem();
    // A cache that says every file of a size is alike still never makes unequal files a set.
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*", true, nullptr);
    std::vector<CHashCache::CEntry> alike;
    for (const CFileInfo& f : files.GetData()) {
        struct stat st {};
        ASSERT_EQ(::stat(f.GetFilePath().c_str(), &st), 0);
        alike.push_back({StampOf(st), {true, true, true, 1, 2, CACHED_NONE, 0, 0, 3, 4, 0},
                         CHashCache::FolderKey(f.GetFileDir())});
    }
    pCache->Store(alike, CHashCache::NowNs());
    pCache->Flush();
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets,
              Search(tree.Root(), MATCH_CONTENTS, 0, nullptr).m_sets);
}

TEST(HashCacheMatchTest, AnEntryIsUsedOnlyWhileTheFileHasItsSizeAndTimes) {
    CTempTree tree, cacheDir;
    AddCopies(tree);
    // From before 1970, with a fraction of a second: times are told in whole seconds too.
    const timespec times[2] = {{-3, 500'000'000}, {-3, 500'000'000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("a").c_str(), times, 0), 0);
    auto pCache = OpenCache(cacheDir.Path("c.sqlite"));
    Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get());
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get()).m_nOpened, 0);
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("a").c_str(), &st), 0);
    const CCacheStamp stamp = StampOf(st);
    // An entry written under any other size or time is not the file's.
    for (int nOther = 0; nOther < 3; ++nOther) {
        SCOPED_TRACE(nOther);
        CCacheStamp changed = stamp;
        if (nOther == 0) ++changed.m_nSize;
        if (nOther == 1) changed.m_nModifiedNs -= 1'000'000'000;
        if (nOther == 2) ++changed.m_nChangedNs;
        pCache->Store({{changed, {true, true, true, 1, 2, CACHED_CHECKSUM, 50000, 3, 4, 5, 0},
                        CHashCache::FolderKey(tree.Root())}},
                      CHashCache::NowNs());
        pCache->Flush();
        CSearch again = Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get());
        EXPECT_EQ(again.m_sets, COPIES);
        EXPECT_GE(again.m_opened["a"], 1);
        EXPECT_EQ(again.m_nOpened, again.m_opened["a"]);
    }
}

TEST(HashCacheMatchTest, AValueForAnotherSpanIsNotUsed) {
    CTempTree tree, cacheDir;
    // Equal in the first 120 KiB, different after.
    std::string a = Bytes(300 * 1024, 4), b = a;
    b[130 * 1024] ^= 1;
    tree.Add("a", a);
    tree.Add("b", b);
    auto pCache = OpenCache(cacheDir.Path("c.sqlite"));
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 100 * 1024, pCache.get()).m_sets, Sets({{"a", "b"}}));
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 150 * 1024, pCache.get()).m_sets, Sets{});
    // The other span's value replaced this one's; a short span read whole is no whole file.
    CSearch again = Search(tree.Root(), MATCH_CHECKSUM, 100 * 1024, pCache.get());
    EXPECT_EQ(again.m_sets, Sets({{"a", "b"}}));
    EXPECT_GE(again.m_opened["b"], 1);
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 2, pCache.get()).m_sets, Sets({{"a", "b"}}));
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets, Sets{});
}

TEST(HashCacheMatchTest, ACopyNewSinceTheLastSearchJoinsTheCopiesTheCacheKnows) {
    CTempTree tree, cacheDir;
    AddCopies(tree);
    auto pCache = OpenCache(cacheDir.Path("c.sqlite"));
    // Each criterion learns the whole files' hashes its own way; Contents then reads only the
    // new copy, and must find it equal to the others.
    for (int nCriterion : {MATCH_CHECKSUM, MATCH_CRC32}) {
        SCOPED_TRACE(nCriterion);
        ::unlink(tree.Path("new").c_str());
        EXPECT_EQ(Search(tree.Root(), nCriterion, 0, pCache.get()).m_sets, COPIES);
        tree.Add("new", std::string(50000, 'x'));
        CSearch contents = Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get());
        EXPECT_EQ(contents.m_sets, Sets({{"a", "b", "new", "sub/c"}}));
        EXPECT_GE(contents.m_opened["new"], 1);
    }
}

TEST(HashCacheMatchTest, FilesReplacedUnderTheSameInodeAreReadAgain) {
    CTempTree tree, cacheDir;
    const std::string x(50000, 'x');
    // All of one modification time, so that any of their inode numbers given again to another
    // of them agrees with its entry in all but the change time.
    const timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    for (int i = -1; i < 20; ++i) {
        const std::string strName = i < 0 ? "keep" : "k" + std::to_string(i);
        tree.Add(strName, x);
        ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path(strName).c_str(), times, 0), 0);
    }
    auto pCache = OpenCache(cacheDir.Path("c.sqlite"));
    ASSERT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get()).m_sets.size(), 1u);
    // Deleted and written again with other bytes of the same size and the same modification
    // time, as a copy tool that keeps times does. A freed inode number is often given to the
    // next new file, unless another program on the machine takes it first.
    std::set<ino_t> old;
    std::vector<std::string> reused;
    for (int i = 0; i < 20; ++i) {
        const std::string strPath = tree.Path("k" + std::to_string(i));
        struct stat before {}, after {};
        ASSERT_EQ(::stat(strPath.c_str(), &before), 0);
        old.insert(before.st_ino);
        ASSERT_EQ(::unlink(strPath.c_str()), 0);
        std::ofstream(strPath) << std::string(50000, static_cast<char>('A' + i));
        ASSERT_EQ(::utimensat(AT_FDCWD, strPath.c_str(), times, 0), 0);
        ASSERT_EQ(::stat(strPath.c_str(), &after), 0);
        if (old.contains(after.st_ino)) reused.push_back("k" + std::to_string(i));
    }
    if (reused.empty()) GTEST_SKIP() << "no new file was given a freed inode number here";
    CSearch again = Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get());
    EXPECT_EQ(again.m_sets, Sets{});
    for (const std::string& strName : reused) EXPECT_GE(again.m_opened[strName], 1) << strName;
}

TEST(HashCacheFileTest, ARowGivesBackEveryEntryAsWrittenAndRefusesBrokenBytes) {
    using CEntry = CHashCache::CEntry;
    const std::int64_t nMin = std::numeric_limits<std::int64_t>::min();
    const std::int64_t nMax = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t nAll = ~std::uint64_t(0);
    // Times far apart, before 1970, change time before modification time; a device change
    // between neighbours; one-block files; every kind; hashes with every bit set.
    const std::vector<CEntry> entries{
        {{1, 5, 0, nMin, nMax}, {true, true, false, 9, 9, CACHED_NONE, 0, 0, 0, 0, 3}, 7},
        {{1, 6, nAll, nMax, nMin}, {false, true, true, 0, nAll, CACHED_CRC32, nAll, 4, nAll, 1, 20000}, 7},
        {{1, 1000000, 4096, -5, -7}, {true, true, true, 2, 3, CACHED_CHECKSUM, 4096, nAll, 5, 6, 19000}, 7},
        {{nAll, 2, 1, 0, 0}, {false, false, false, 0, 0, CACHED_NONE, 0, 0, 0, 0, nMax}, 7},
    };
    CCacheRowWriter row;
    for (const CEntry& e : entries) row.Add(e);
    const std::string& bytes = row.Bytes();
    std::vector<CEntry> back;
    ASSERT_TRUE(ReadCacheRow(bytes.data(), bytes.size(), 7, back));
    ASSERT_EQ(back.size(), entries.size());
    // What a reader may use: the flags, and the values they flag.
    auto flagged = [](const CCachedHashes& h) {
        return std::tuple(h.m_bFirst, h.m_bLast, h.m_bWhole, h.m_nKind, h.m_nSeenDay,
                          h.m_bFirst ? h.m_nFirst : 0, h.m_bLast ? h.m_nLast : 0,
                          h.m_nKind ? h.m_nSpan : 0, h.m_nKind ? h.m_nValue : 0,
                          h.m_bWhole ? h.m_nWholeHigh : 0, h.m_bWhole ? h.m_nWholeLow : 0);
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back[i].m_stamp, entries[i].m_stamp);
        EXPECT_EQ(flagged(back[i].m_hashes), flagged(entries[i].m_hashes));
        EXPECT_EQ(back[i].m_nFolder, 7u);
    }
    // Cut short: refused, or fewer entries, each as written.
    for (std::size_t n = 1; n < bytes.size(); ++n) {
        std::vector<CEntry> part;
        const bool bOk = ReadCacheRow(bytes.data(), n, 7, part);
        EXPECT_TRUE(!bOk || part.size() < entries.size()) << n;
        EXPECT_TRUE(!bOk || part.empty() || part.back().m_stamp == entries[part.size() - 1].m_stamp) << n;
    }
    CCacheRowWriter twice;
    twice.Add(entries[2]);
    twice.Add(entries[0]);
    EXPECT_FALSE(ReadCacheRow(twice.Bytes().data(), twice.Bytes().size(), 7, back));
}

TEST(HashCacheFileTest, DamagedAndCutShortCachesAreSetAsideAndANewOneUsed) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("sub/c.sqlite");  // the folder is made on first use
    std::string strProblem;
    // Not a database at all, and someone else's database.
    for (const char* pszSql : {"", "CREATE TABLE t(x); PRAGMA application_id=7;"}) {
        SCOPED_TRACE(pszSql);
        ::unlink(strCache.c_str());
        if (*pszSql) EXPECT_EQ(Sql(strCache, pszSql), 0);
        else std::ofstream(dir.Add("sub/c.sqlite", "")) << std::string(10000, 'G');
        auto pCache = OpenCache(strCache);
        ASSERT_TRUE(pCache && pCache->Problem().find("set aside") != std::string::npos);
        EXPECT_TRUE(Exists(strCache + ".damaged"));
        pCache = OpenCache(strCache);  // the new one is used, and says nothing more
        EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get()).m_sets, COPIES);
        EXPECT_EQ(pCache->Problem(), "");
    }
    // A full cache is small, keeps no file changed just before its stamp was taken (the stamp
    // may not show a change), and cut short is set aside once a lookup reaches the lost pages.
    ::unlink(strCache.c_str());
    auto pCache = OpenCache(strCache);
    pCache->m_nSettleNs = 2'000'000'000;
    const std::int64_t nNow = CHashCache::NowNs(), nOld = 1'700'000'000'123'456'789;
    std::vector<CHashCache::CEntry> entries;
    std::vector<CHashCache::CPlace> places;
    for (std::uint64_t i = 0; i < 30000; ++i) {
        entries.push_back({{2049, i, 1 << 20, nOld, nOld},
                           {true, true, true, ~i, ~i << 1, CACHED_CHECKSUM, 1 << 20, ~i << 2, ~i, i << 3, 0},
                           i / 30});
        places.push_back({i / 30, {2049, i}});
    }
    entries.push_back({{7, 7, 7, nNow - 1'000'000'000, 1}, entries[0].m_hashes, 1});
    places.push_back({1, {7, 7}});
    pCache->Store(entries, nNow);
    pCache->Flush();
    std::vector<const CHashCache::CEntry*> found;
    pCache->Lookup(places, found);
    ASSERT_EQ(found.size(), places.size());
    ASSERT_TRUE(found[5] && found[5]->m_stamp == entries[5].m_stamp);
    EXPECT_EQ(found[5]->m_hashes.m_nWholeLow, 5u << 3);
    EXPECT_EQ(found[5]->m_hashes.m_nSpan, 1u << 20);
    EXPECT_FALSE(found.back());
    pCache.reset();
    struct stat st {};
    ASSERT_EQ(::stat(strCache.c_str(), &st), 0);
    EXPECT_LT(st.st_size, 200 * 30000);  // under 200 bytes a file
    ASSERT_EQ(::truncate(strCache.c_str(), st.st_size / 3), 0);
    if ((pCache = CHashCache::Open(strCache, strProblem))) pCache->Lookup(places, found);
    EXPECT_NE((pCache ? pCache->Problem() : strProblem).find("damaged"), std::string::npos);
    // A folder's row that is no list of entries.
    pCache = OpenCache(strCache);
    Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get());
    pCache.reset();
    ASSERT_EQ(Sql(strCache, "UPDATE folders SET files = x'0102'"), 0);
    pCache = OpenCache(strCache);
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get()).m_sets, COPIES);
    EXPECT_NE(pCache->Problem().find("damaged"), std::string::npos) << pCache->Problem();
    pCache = OpenCache(strCache);
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get()).m_sets, COPIES);
    EXPECT_EQ(pCache->Problem(), "");
    // A place where no file can be made.
    EXPECT_FALSE(CHashCache::Open("/dev/null/twinex/c.sqlite", strProblem));
    EXPECT_NE(strProblem.find("cannot be opened"), std::string::npos) << strProblem;
}

TEST(HashCacheFileTest, ALockedCacheIsGivenUpAfterTheWait) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    std::string strProblem;
    OpenCache(strCache);
    // Another program holds it: opening waits, then gives up.
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", 0, 0, 0), SQLITE_OK);
    EXPECT_FALSE(CHashCache::Open(strCache, strProblem, 100));
    EXPECT_NE(strProblem.find("in use"), std::string::npos) << strProblem;
    sqlite3_exec(pDb, "COMMIT", 0, 0, 0);
    sqlite3_close(pDb);
    // Locked while a search writes: it goes on without the cache, and finds the same.
    auto pCache = OpenCache(strCache, 100);
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(pDb, "BEGIN IMMEDIATE; DELETE FROM folders;", 0, 0, 0), SQLITE_OK);
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets, COPIES);
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
            for (int i = 0; i < 15; ++i) {
                std::string strProblem;
                // Both make a new file at once too: neither may find it in use.
                if (!CHashCache::Open(dir.Path("new" + std::to_string(i)), strProblem) || !strProblem.empty())
                    _exit(1);
                auto pCache = CHashCache::Open(strCache, strProblem);
                if (!pCache) _exit(1);
                pCache->m_nSettleNs = 0;
                if (Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get(), true).m_sets != COPIES ||
                    !pCache->Problem().empty())
                    _exit(1);
            }
            _exit(0);
        }
    for (pid_t pid : pids) {
        int nStatus = 0;
        ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
        EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0);
    }
    EXPECT_EQ(OpenCache(strCache)->CountEntries(), 4u);
}

TEST(HashCacheFileTest, AFolderWrittenByTwoSearchesKeepsTheEntriesOfBoth) {
    CTempTree dir;
    const std::string strCache = dir.Path("c.sqlite");
    auto pFirst = OpenCache(strCache), pSecond = OpenCache(strCache);
    auto entry = [](std::uint64_t nInode, std::uint64_t nFirst) {
        return CHashCache::CEntry{{1, nInode, 10, 5, 5}, {true, false, false, nFirst, 0, CACHED_NONE, 0, 0, 0, 0, 0}, 42};
    };
    const std::int64_t nNow = CHashCache::NowNs();
    pFirst->Store({entry(1, 100), entry(2, 200)}, nNow);
    pFirst->Store({entry(1, 111)}, nNow);  // stored again: the later one counts
    pSecond->Store({entry(3, 300), entry(2, 222)}, nNow);
    pFirst->Flush();
    pSecond->Flush();  // began before the first wrote, and writes after it
    std::vector<const CHashCache::CEntry*> found;
    auto pCheck = OpenCache(strCache);
    pCheck->Lookup({{42, {1, 1}}, {42, {1, 2}}, {42, {1, 3}}, {43, {1, 3}}}, found);
    ASSERT_TRUE(found[0] && found[1] && found[2]);
    EXPECT_EQ(found[0]->m_hashes.m_nFirst, 111u);
    EXPECT_EQ(found[1]->m_hashes.m_nFirst, 222u);
    EXPECT_EQ(found[2]->m_hashes.m_nFirst, 300u);
    EXPECT_FALSE(found[3]);  // kept for another folder only
    EXPECT_EQ(pCheck->CountEntries(), 3u);
}

TEST(HashCacheFileTest, ReadOnlyCacheIsLeftAloneUnprivileged) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root (twinex_engine_unprivileged runs this)";
    CTempTree dir;
    const std::string strCache = dir.Path("c.sqlite");
    OpenCache(strCache);
    ASSERT_EQ(::chmod(strCache.c_str(), 0444), 0);
    std::string strProblem;
    EXPECT_FALSE(CHashCache::Open(strCache, strProblem));
    EXPECT_NE(strProblem, "");
    EXPECT_TRUE(Exists(strCache));
    EXPECT_FALSE(Exists(strCache + ".damaged"));
}

TEST(HashCacheFileTest, PruningDropsFilesGoneFromSearchedFoldersAndOldEntries) {
    CTempTree tree, other, dir;
    AddCopies(tree);
    AddCopies(other);
    auto pCache = OpenCache(dir.Path("c.sqlite"));
    const auto count = [&] { return pCache->CountEntries(); };
    Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get(), true);
    Search(other.Root(), MATCH_CHECKSUM, 0, pCache.get(), true);
    ASSERT_EQ(count(), 8u);
    ASSERT_EQ(::unlink(tree.Path("a").c_str()), 0);
    Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get(), true);
    EXPECT_EQ(count(), 7u);
    // Left out by a mask is not gone.
    CFileInfoArray onlyB;
    onlyB.AddDir(tree.Root(), "b", true, nullptr);
    pCache->Prune(onlyB);
    EXPECT_EQ(count(), 7u);
    // All unseen for 91 days; the files of this search are seen again, the others go.
    pCache->m_nToday += 91;
    Search(tree.Root(), MATCH_CHECKSUM, 0, pCache.get(), true);
    EXPECT_EQ(count(), 3u);
}

}  // namespace
