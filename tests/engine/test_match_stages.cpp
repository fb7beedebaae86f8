// The matcher's stages: what each reads and splits, every path through them, and files that
// change while they are read.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>

#include "MatchSets.h"
#include "TempTree.h"

namespace {

std::string Bytes(std::size_t n, unsigned nSeed) {
    std::string str(n, '\0');
    std::mt19937 rng(nSeed);
    for (char& c : str) c = static_cast<char>(rng());
    return str;
}

// Bytes read per file name, and the furthest byte read, as the matcher reports its reads.
struct CReads {
    std::mutex m_mutex;
    std::map<std::string, std::uint64_t> m_bytes;
    std::uint64_t m_nEnd = 0;
};

CFileSets FindSets(const CFileInfoArray& files, int nCriterion, std::uint64_t nLimit,
                   CMatchTuning tuning = {}, CReads* pReads = nullptr) {
    if (pReads) {
        tuning.m_onRead = [pReads](const CFileInfo& f, std::uint64_t nOffset, std::size_t n) {
            std::lock_guard lock(pReads->m_mutex);
            pReads->m_bytes[f.GetFileName()] += n;
            pReads->m_nEnd = std::max(pReads->m_nEnd, nOffset + n);
        };
    }
    CFileSets all;
    EXPECT_TRUE(FindDuplicateSets(files, nCriterion, nLimit, nullptr, tuning,
                                  [&](std::size_t nBegin, std::size_t nEnd, const CFileSets& sets) {
                                      for (const auto& set : sets) {
                                          EXPECT_TRUE(set.front() >= nBegin && set.back() < nEnd);
                                          all.push_back(set);
                                      }
                                  }));
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    return all;
}

std::size_t IndexOf(const CFileInfoArray& files, const std::string& strName) {
    for (std::size_t i = 0; i < files.GetSize(); ++i)
        if (files[i].GetFileName() == strName) return i;
    ADD_FAILURE() << strName;
    return 0;
}

const int g_reading[] = {MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS};

TEST(StagesTest, EachStageReadsOnlyWhatItNeedsAndNothingPastTheSpan) {
    CTempTree tree;
    const std::size_t n = 300 * 1024;
    const std::string str = Bytes(n, 1);
    for (const auto& [pszName, nFlip] :
         {std::pair{"a", n}, {"a2", n}, {"first", 0}, {"last", n - 1}, {"middle", n / 2}}) {
        std::string bytes = str;
        if (nFlip < n) bytes[nFlip] ^= 1;
        tree.Add(pszName, bytes);
    }
    ASSERT_EQ(::link(tree.Path("a").c_str(), tree.Path("link").c_str()), 0);  // one file, not two
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*", false, nullptr);
    auto set = [&](std::initializer_list<const char*> names) {
        std::vector<std::size_t> v;
        for (const char* psz : names) v.push_back(IndexOf(files, psz));
        std::sort(v.begin(), v.end());
        return v;
    };
    for (int nCriterion : g_reading) {
        for (bool bSameHashes : {false, true}) {  // every edge hash collides: the criterion decides
            CMatchTuning tuning;
            tuning.m_bSameHashes = bSameHashes;
            CReads whole, partial;
            EXPECT_EQ(FindSets(files, nCriterion, 0, tuning, &whole), CFileSets{set({"a", "a2"})})
                << nCriterion;
            // The span stops before the middle and the last byte: those files still match.
            EXPECT_EQ(FindSets(files, nCriterion, 128 * 1024, tuning, &partial),
                      CFileSets{set({"a", "a2", "last", "middle"})})
                << nCriterion << bSameHashes;
            EXPECT_LE(partial.m_nEnd, 128u * 1024);
            if (bSameHashes) continue;
            EXPECT_EQ(whole.m_bytes["first"], 4096u) << nCriterion;
            EXPECT_EQ(whole.m_bytes["last"], 8192u) << nCriterion;
            EXPECT_GT(whole.m_bytes["middle"], 8192u) << nCriterion;
        }
    }
    CReads none;
    EXPECT_EQ(FindSets(files, MATCH_SIZE, 0, {}, &none),
              CFileSets{set({"a", "a2", "first", "last", "middle"})});
    EXPECT_TRUE(none.m_bytes.empty());
}

TEST(StagesTest, GigabyteFilesThatDifferInTheirFirstByteAreToldApartByTheirFirstBlocks) {
    CTempTree tree;
    for (const char* pszName : {"x", "y"}) {
        const std::string strPath = tree.Add(pszName, pszName);  // sparse after the first byte
        ASSERT_EQ(::truncate(strPath.c_str(), 1LL << 30), 0);
    }
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*", false, nullptr);
    for (int nCriterion : g_reading) {
        CReads reads;
        EXPECT_EQ(FindSets(files, nCriterion, 0, {}, &reads), CFileSets{});
        EXPECT_EQ(reads.m_bytes.size(), 2u);
        for (const auto& [strName, nBytes] : reads.m_bytes) EXPECT_LE(nBytes, 8192u) << strName;
    }
}

// A tree that reaches every path of the stages: small and large files, sets of up to five,
// files that differ in their first, middle or last byte, several sets per size; and one run of
// 75 files holding interleaved sets and a pair at both ends.
class SplitPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(7);
        std::vector<std::string> contents;
        for (int i = 0; i < 8; ++i) contents.push_back(Bytes(100, 100 + i));
        for (int i = 0; i < kLongRun; ++i) {
            std::string str = i == 31 || i == 32            ? contents[4]
                              : i == 0 || i == kLongRun - 1 ? contents[5]
                              : i == 63 || i == 64          ? contents[6]
                              : i % 10 == 9                 ? Bytes(100, 200 + i)
                                                            : contents[i % 4];
            char szName[16];
            std::snprintf(szName, sizeof szName, "run/r%02d", i);
            m_tree.Add(szName, str);
        }
        int nFile = 0;
        for (std::size_t nSize : {1u, 700u, 4096u, 9000u, 70000u, 300000u}) {
            for (int nBase = 0; nBase < 3; ++nBase) {
                const std::string strBase = Bytes(nSize, rng());
                for (int nCopy = 0; nCopy < 1 + nBase * 2; ++nCopy) {
                    std::string str = strBase;
                    // Copies 1 and 3 of the last base differ from it in the first or last byte.
                    if (nBase == 2 && nCopy % 2) str[nCopy == 1 ? 0 : nSize - 1] ^= 0x40;
                    char szName[16];
                    std::snprintf(szName, sizeof szName, "f%03d", nFile++);
                    m_tree.Add(std::string(nFile % 2 ? "x/" : "y/") + szName, str);
                }
            }
        }
        m_files.AddDir(m_tree.Root(), "*.*", true, nullptr);
    }

    // The sets by brute force: files grouped by their first nLimit bytes.
    CFileSets Expected(std::uint64_t nLimit) const {
        std::map<std::pair<std::uint64_t, std::string>, std::vector<std::size_t>> byBytes;
        for (std::size_t i = 0; i < m_files.GetSize(); ++i) {
            std::ifstream in(m_files[i].GetFilePath(), std::ios::binary);
            std::string str((std::istreambuf_iterator<char>(in)), {});
            if (nLimit) str.resize(std::min<std::size_t>(str.size(), nLimit));
            byBytes[{m_files[i].GetLength(), str}].push_back(i);
        }
        CFileSets sets;
        for (auto& [key, set] : byBytes)
            if (set.size() >= 2) sets.push_back(set);
        std::sort(sets.begin(), sets.end());
        return sets;
    }

    static constexpr int kLongRun = 75;
    CTempTree m_tree;
    CFileInfoArray m_files;
};

TEST_F(SplitPathsTest, EveryPathFindsTheSameSets) {
    CMatchTuning tunings[6];
    tunings[0].m_nThreads = 1;
    tunings[1].m_nThreads = 3;
    tunings[1].m_nBatchFiles = 7;    // runs cut into many batches
    tunings[2].m_nWholeReadMax = 0;  // every span through both edge stages
    tunings[2].m_nEdgeBlock = 1000;
    tunings[3] = tunings[2];
    tunings[3].m_bSameHashes = true;  // and on to the criterion
    tunings[4].m_bSameHashes = true;
    tunings[4].m_nKeptBytes = 0;  // nothing kept from the first read: Contents reads again
    tunings[5] = tunings[3];
    tunings[5].m_nMaxOpenFiles = 2;  // byte comparison pair by pair
    for (std::uint64_t nLimit : {0ull, 4096ull, 65536ull}) {
        const CFileSets expected = Expected(nLimit);
        ASSERT_GE(expected.size(), 19u);
        for (const CMatchTuning& tuning : tunings)
            for (int nCriterion : g_reading)
                EXPECT_EQ(FindSets(m_files, nCriterion, nLimit, tuning), expected)
                    << nLimit << " " << nCriterion;
    }
}

TEST_F(SplitPathsTest, CancelDuringTheScanStopsReporting) {
    for (unsigned nThreads : {1u, 2u}) {
        for (int nCriterion : {MATCH_CRC32, MATCH_CONTENTS}) {
            std::atomic<int> bAbort{0};
            int nRuns = 0;
            CMatchTuning tuning;
            tuning.m_nThreads = nThreads;
            auto onSets = [&](std::size_t, std::size_t, const CFileSets&) { bAbort = ++nRuns; };
            EXPECT_FALSE(FindDuplicateSets(m_files, nCriterion, 0, &bAbort, tuning, onSets));
            EXPECT_EQ(nRuns, 1);
        }
    }
}

// A file that shrinks while it is read joins no set and is reported: a short read is never
// taken for a full block, at any stage. The victim shrinks once opened (short spans are read
// once and for all), or after its first or second read (long spans, read three times).
TEST(ShrinkTest, AFileThatShrinksWhileItIsReadJoinsNoSet) {
    const struct {
        std::size_t nSize;
        int nAtOpen, nAtRead;  // 1-based; 0: never
    } cases[] = {{10 * 1024, 1, 0}, {300 * 1024, 1, 0}, {300 * 1024, 0, 1}, {300 * 1024, 0, 2}};
    for (const auto& c : cases) {
        CTempTree tree;
        const std::string str = Bytes(c.nSize, 5);
        for (const char* pszName : {"a", "b", "c"}) tree.Add(pszName, str);
        CFileInfoArray files;
        files.AddDir(tree.Root(), "*", false, nullptr);
        for (int nCriterion : g_reading) {
            for (std::uint64_t nShrunk : {std::size_t{0}, c.nSize * 2 / 3}) {
                tree.Add("b", str);
                int nOpens = 0, nReads = 0;
                std::vector<int> unreadable;
                CMatchTuning tuning;
                tuning.m_nThreads = 1;
                auto shrink = [&](const CFileInfo& f, int& nCount, int nAt) {
                    if (f.GetFileName() == "b" && ++nCount == nAt)
                        std::filesystem::resize_file(tree.Path("b"), nShrunk);
                };
                tuning.m_onOpened = [&](const CFileInfo& f) { shrink(f, nOpens, c.nAtOpen); };
                tuning.m_onRead = [&](const CFileInfo& f, std::uint64_t, std::size_t) {
                    shrink(f, nReads, c.nAtRead);
                };
                tuning.m_onUnreadable = [&](const CFileInfo& f, int nErrno) {
                    EXPECT_EQ(f.GetFileName(), "b");
                    unreadable.push_back(nErrno);
                };
                EXPECT_EQ(FindSets(files, nCriterion, 0, tuning), (CFileSets{{0, 2}}))
                    << c.nSize << " " << c.nAtOpen << c.nAtRead << " " << nCriterion << " "
                    << nShrunk;
                EXPECT_EQ(unreadable, std::vector<int>{0});
            }
        }
    }
}

}  // namespace
