// The hash cache in the matcher: what a second search reads, when a cached value must not be
// used, and that results never depend on it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <random>
#include <set>

#include "HashCache.h"
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
    return result;
}

std::unique_ptr<CHashCache> OpenCache(const std::string& strPath) {
    std::string strProblem;
    auto pCache = CHashCache::Open(strPath, strProblem);
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
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec || after.st_ctim.tv_nsec != before.st_ctim.tv_nsec) return;
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
    pCache.reset();
    sqlite3* pDb = nullptr;
    ASSERT_EQ(sqlite3_open(strCache.c_str(), &pDb), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(pDb, "UPDATE files SET first=1, last=2, whole_hi=3, whole_lo=4", 0, 0, 0), SQLITE_OK);
    sqlite3_close(pDb);
    pCache = OpenCache(strCache);
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets,
              Search(tree.Root(), MATCH_CONTENTS, 0, nullptr).m_sets);
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
    CSearch longer = Search(tree.Root(), MATCH_CHECKSUM, 150 * 1024, pCache.get());
    EXPECT_EQ(longer.m_sets, Sets{});
    EXPECT_GE(longer.m_opened["a"], 1);
    // The other span's value replaced this one's; a short span read whole is no whole file.
    CSearch again = Search(tree.Root(), MATCH_CHECKSUM, 100 * 1024, pCache.get());
    EXPECT_EQ(again.m_sets, Sets({{"a", "b"}}));
    EXPECT_GE(again.m_opened["b"], 1);
    EXPECT_EQ(Search(tree.Root(), MATCH_CHECKSUM, 2, pCache.get()).m_sets, Sets({{"a", "b"}}));
    EXPECT_EQ(Search(tree.Root(), MATCH_CONTENTS, 0, pCache.get()).m_sets, Sets{});
}

}  // namespace
