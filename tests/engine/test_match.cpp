// The matcher: which pairs it finds under each criterion, the rows it writes, and cancel.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "Format.h"
#include "Match.h"
#include "MatchSets.h"
#include "TempTree.h"

namespace {

class CRecordingSink : public IResultSink {
public:
    void Clear() override { m_events.push_back("clear"); }
    void Append(std::vector<CResultRow>&& batch) override {
        m_events.push_back("append " + std::to_string(batch.size()));
        for (auto& row : batch) m_rows.push_back(std::move(row));
        if (m_onAppend) m_onAppend();
    }
    void End() override { m_events.push_back("end"); }

    std::vector<std::string> m_events;
    std::vector<CResultRow> m_rows;
    std::function<void()> m_onAppend;
};

using CPairs = std::vector<std::pair<std::string, std::string>>;

struct CRun {
    CPairs m_pairs;  // source and target names, row order
    std::vector<ESearchPhase> m_statuses;
    int m_nDone = 0;
};

// Collects the tree (file names order the ties of equal size) and matches it.
class MatchTest : public ::testing::Test {
protected:
    void Collect(const std::string& strSub = "") {
        m_state.m_files.RemoveAll();
        m_state.m_files.AddDir(m_tree.Root() + strSub, "*.*", true, &m_state.m_bAbort);
    }

    CRun Match(int nCriterion, const std::string& strPartial = "64", int bReflect = 1) {
        CSearchSettings settings;
        settings.m_nCriterion = nCriterion;
        settings.m_strPartial = strPartial;
        settings.m_bReflect = bReflect;
        CRun run;
        CMatchCallbacks callbacks;
        callbacks.onPhase = [&](ESearchPhase nPhase) {
            run.m_statuses.push_back(nPhase);
            if (m_onStatus) m_onStatus(nPhase);
        };
        callbacks.postMatchDone = [&] { ++run.m_nDone; };
        m_sink = CRecordingSink{};
        m_sink.m_onAppend = m_onAppend;
        MatchFilesProc(settings, m_state, m_sink, callbacks);
        for (const CResultRow& row : m_sink.m_rows)
            run.m_pairs.emplace_back(NameOf(row.m_strSourcePath), NameOf(row.m_strTargetPath));
        return run;
    }

    CTempTree m_tree;
    CSearchState m_state;
    CRecordingSink m_sink;
    std::function<void(ESearchPhase)> m_onStatus;  // after each status the matcher sets
    std::function<void()> m_onAppend;      // after each batch the sink takes
};

const int g_criteria[] = {MATCH_SIZE, MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS};

std::string Bytes(std::size_t n, unsigned nSeed) {
    std::string str(n, '\0');
    std::mt19937 rng(nSeed);
    for (char& c : str) c = static_cast<char>(rng());
    return str;
}

TEST_F(MatchTest, RunsOfOneSizeGiveEachSetItsOwnChain) {
    // Each case: contents of files 1..n (equal sizes), then the pairs expected without and
    // with reflect under the byte criteria. Under Size every case is one set of all files.
    struct {
        std::vector<std::string> contents;
        CPairs noReflect, reflect;
    } cases[] = {
        {{"aaaaaaaaaa", "aaaaaaaaaa", "aaaaaaaaaa"},
         {{"1", "2"}, {"2", "3"}},
         {{"1", "2"}, {"2", "3"}, {"3", "2"}}},
        {{"aaaaaaaaaa", "bbbbbbbbbb", "aaaaaaaaaa"}, {{"1", "3"}}, {{"1", "3"}, {"3", "1"}}},
        // The first file has no twin; the later set is still found.
        {{"cccccccccc", "aaaaaaaaaa", "aaaaaaaaaa"}, {{"2", "3"}}, {{"2", "3"}, {"3", "2"}}},
        // Two sets in one size, in the order of their first file.
        {{"aaaaaaaaaa", "bbbbbbbbbb", "aaaaaaaaaa", "bbbbbbbbbb"},
         {{"1", "3"}, {"2", "4"}},
         {{"1", "3"}, {"3", "1"}, {"2", "4"}, {"4", "2"}}},
        {{"aaaaaaaaaX", "aaaaaaaaaY"}, {}, {}},
    };
    int nCase = 0;
    for (const auto& c : cases) {
        const std::string strSub = "case" + std::to_string(nCase++) + "/";
        for (std::size_t i = 0; i < c.contents.size(); ++i)
            m_tree.Add(strSub + std::to_string(i + 1), c.contents[i]);
        Collect(strSub);
        for (int nCriterion : {MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS}) {
            EXPECT_EQ(Match(nCriterion, "64", 0).m_pairs, c.noReflect) << nCriterion;
            EXPECT_EQ(Match(nCriterion, "64", 1).m_pairs, c.reflect) << nCriterion;
        }
        const std::size_t n = c.contents.size();
        EXPECT_EQ(Match(MATCH_SIZE, "64", 0).m_pairs.size(), n - 1);
        const CPairs sizeRows = Match(MATCH_SIZE, "64", 1).m_pairs;
        ASSERT_EQ(sizeRows.size(), n);
        std::set<std::string> sources;
        for (const auto& [src, dst] : sizeRows) sources.insert(src);
        EXPECT_EQ(sources.size(), n) << "with reflect every file stands once as a source";
    }
}

TEST_F(MatchTest, RowsCarryCellsPathsAndAscendingSizes) {
    const std::string strB = m_tree.Add("sub/b", "xyzxyzxyzxyz");
    const std::string strA = m_tree.Add("a", "xyzxyzxyzxyz");
    m_tree.Add("c", "12");
    m_tree.Add("d", "12");
    // Times apart, so that each side's time is told from the other's.
    for (const auto& [strPath, t] : {std::pair{strA, 1700000000}, std::pair{strB, 1600000000}}) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, strPath.c_str(), times, 0), 0);
    }
    Collect();
    const CRun run = Match(MATCH_CRC32, "64", 0);
    ASSERT_EQ(run.m_pairs, (CPairs{{"c", "d"}, {"a", "b"}}));
    const CResultRow& row = m_sink.m_rows[1];
    EXPECT_EQ(row.m_strSourcePath, strA);
    EXPECT_EQ(row.m_strTargetPath, strB);
    EXPECT_EQ(row.m_nSize, 12u);
    EXPECT_EQ(row.m_tSource, 1700000000);
    EXPECT_EQ(row.m_tTarget, 1600000000);
    EXPECT_EQ(run.m_statuses, (std::vector<ESearchPhase>{ESearchPhase::Matching, ESearchPhase::Ready}));
    EXPECT_EQ(run.m_nDone, 1);
    EXPECT_EQ(m_state.m_nProgressPos.load(), 4);
    EXPECT_EQ(m_state.m_nProgressMax.load(), 4);
    EXPECT_EQ(m_state.m_nMatches.load(), m_state.m_matches.size());
    EXPECT_EQ(m_state.m_bBusy.load() + m_state.m_bMatching.load(), 0);
}

TEST_F(MatchTest, FewerThanTwoFilesEmptyTheSink) {
    for (int nFiles : {0, 1}) {
        if (nFiles) m_tree.Add("only", "x");
        Collect();
        for (int nCriterion : g_criteria) {
            const CRun run = Match(nCriterion);
            EXPECT_TRUE(run.m_pairs.empty());
            EXPECT_EQ(m_sink.m_events, (std::vector<std::string>{"clear", "end"}));
            EXPECT_EQ(run.m_nDone, 1);
        }
    }
}

TEST_F(MatchTest, PartialLimitDecidesWhatIsCompared) {
    // Equal in the first 80 KiB, different after; and short files that differ at the end.
    std::string strLong = Bytes(100 * 1024, 1);
    m_tree.Add("1", strLong);
    strLong[80 * 1024] ^= 1;
    m_tree.Add("2", strLong);
    m_tree.Add("3", "short file A");
    m_tree.Add("4", "short file B");
    Collect();
    for (int nCriterion : {MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS}) {
        EXPECT_EQ(Match(nCriterion, "80", 0).m_pairs, (CPairs{{"1", "2"}})) << nCriterion;
        EXPECT_EQ(Match(nCriterion, "81", 0).m_pairs, CPairs{}) << nCriterion;
    }
    EXPECT_EQ(Match(MATCH_SIZE, "0", 0).m_pairs, (CPairs{{"3", "4"}, {"1", "2"}}));
}

TEST_F(MatchTest, AFileThatChangedSizeSinceCollectionMatchesNothing) {
    // After collection one copy shrinks and one grows, keeping the bytes a partial comparison reads.
    const std::string str = Bytes(100 * 1024, 2);
    for (const char* psz : {"1", "2", "3", "4"}) m_tree.Add(psz, str);
    Collect();
    std::filesystem::resize_file(m_tree.Path("2"), 70 * 1024);
    std::ofstream(m_tree.Path("3"), std::ios::app) << "grown";
    for (int nCriterion : {MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS})
        for (const char* pszPartial : {"0", "64"})
            EXPECT_EQ(Match(nCriterion, pszPartial, 0).m_pairs, (CPairs{{"1", "4"}}))
                << nCriterion << " " << pszPartial;
}

TEST_F(MatchTest, UnreadableFilesJoinNoSetButEmptyFilesAlwaysMatch) {
    for (const char* psz : {"e1", "e2", "g1", "g2", "k1", "k2", "k3"})
        m_tree.Add(psz, std::string(psz[0] == 'e' ? 0 : psz[0] == 'g' ? 9 : 14, psz[0]));
    Collect();
    // After collection: every empty file and both "gone" files vanish, one "kept" file
    // becomes a FIFO (it must not be opened, let alone block), one becomes a link to a twin.
    for (const char* psz : {"e1", "e2", "g1", "g2", "k2", "k3"}) std::filesystem::remove(m_tree.Path(psz));
    ASSERT_EQ(::mkfifo(m_tree.Path("k2").c_str(), 0600), 0);
    std::filesystem::create_symlink(m_tree.Path("k1"), m_tree.Path("k3"));
    for (int nCriterion : {MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS})
        EXPECT_EQ(Match(nCriterion, "64", 0).m_pairs, (CPairs{{"e1", "e2"}})) << nCriterion;
    // Size opens nothing.
    EXPECT_EQ(Match(MATCH_SIZE, "64", 0).m_pairs,
              (CPairs{{"e1", "e2"}, {"g1", "g2"}, {"k1", "k2"}, {"k2", "k3"}}));
}

TEST_F(MatchTest, CancelBeforeTheFillLeavesTheSinkAloneAndDuringItKeepsTheRowsWritten) {
    m_tree.Add("two/1", "same");
    m_tree.Add("two/2", "same");
    Collect("two/");
    m_onStatus = [&](ESearchPhase nPhase) { m_state.m_bAbort = nPhase == ESearchPhase::Matching; };
    for (int nCriterion : g_criteria) {
        const CRun run = Match(nCriterion);
        EXPECT_TRUE(m_sink.m_events.empty());
        EXPECT_EQ(m_state.m_nProgressPos.load(), 0);
        EXPECT_EQ(run.m_nDone, 1);
        EXPECT_EQ(run.m_statuses, (std::vector<ESearchPhase>{ESearchPhase::Matching, ESearchPhase::Ready}));
    }
    m_onStatus = nullptr;
    m_state.m_bAbort = 0;
    for (int i = 0; i < 4100; ++i) m_tree.Add("many/e" + std::to_string(i), "");
    Collect("many/");
    m_onAppend = [&] { m_state.m_bAbort = 1; };
    EXPECT_EQ(Match(MATCH_SIZE, "64", 0).m_nDone, 1);
    EXPECT_EQ(m_state.m_matches.size(), 4099u);
    EXPECT_EQ(m_sink.m_events, (std::vector<std::string>{"clear", "append 4096", "end"}));
}

// A tree that reaches every path of the contents split: small and large files, sets of up
// to five, files that differ in their first, middle or last byte, several sets per size; and
// one run of 75 files, more than two slices of checksums, holding interleaved sets, a pair on
// each side of a slice boundary and a pair at both ends.
class SplitPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 rng(7);
        std::vector<std::string> contents;
        for (int i = 0; i < 8; ++i) contents.push_back(Bytes(100, 100 + i));
        for (int i = 0; i < kLongRun; ++i) {
            std::string str = i == 31 || i == 32 ? contents[4]
                              : i == 0 || i == kLongRun - 1 ? contents[5]
                              : i == 63 || i == 64 ? contents[6]
                              : i % 10 == 9 ? Bytes(100, 200 + i)
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

    CFileSets Found(int nCriterion, std::uint64_t nLimit, const CMatchTuning& tuning) const {
        CFileSets all;
        EXPECT_TRUE(FindDuplicateSets(m_files, nCriterion, nLimit, nullptr, tuning,
                                      [&](std::size_t nBegin, std::size_t nEnd, const CFileSets& sets) {
                                          for (const auto& set : sets) {
                                              EXPECT_TRUE(std::is_sorted(set.begin(), set.end()));
                                              EXPECT_TRUE(set.front() >= nBegin && set.back() < nEnd);
                                              all.push_back(set);
                                          }
                                      }));
        EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
        return all;
    }

    static constexpr int kLongRun = 75;
    CTempTree m_tree;
    CFileInfoArray m_files;
};

TEST_F(SplitPathsTest, EveryPathFindsTheSameSets) {
    CMatchTuning tunings[7];
    tunings[0].m_nThreads = 1;
    tunings[1].m_nThreads = 3;
    tunings[2].m_nWholeReadMax = 0;  // block by block from the first byte
    tunings[2].m_nFirstBlock = 1000;
    tunings[3] = tunings[2];
    tunings[3].m_nMemoryBudget = 0;  // no block kept: compare by reading again
    tunings[3].m_bSameHashes = true;
    tunings[4] = tunings[2];
    tunings[4].m_nMaxOpenFiles = 2;  // reopen per block
    tunings[5].m_nMemoryBudget = 0;  // small files whole, none kept
    tunings[5].m_nThreads = 2;
    tunings[5].m_bSameHashes = true;
    tunings[6].m_bSameHashes = true;  // kept blocks told apart by their bytes
    for (std::uint64_t nLimit : {0ull, 4096ull, 65536ull}) {
        const CFileSets expected = Expected(nLimit);
        ASSERT_GE(expected.size(), 19u);
        for (const CMatchTuning& tuning : tunings) {
            EXPECT_EQ(Found(MATCH_CONTENTS, nLimit, tuning), expected) << nLimit;
            EXPECT_EQ(Found(MATCH_CHECKSUM, nLimit, tuning), expected) << nLimit;
            EXPECT_EQ(Found(MATCH_CRC32, nLimit, tuning), expected) << nLimit;
        }
    }
}

TEST_F(SplitPathsTest, CancelDuringTheScanStopsReporting) {
    for (unsigned nThreads : {1u, 2u}) {
        for (int nCriterion : {MATCH_CRC32, MATCH_CONTENTS}) {
            std::atomic<int> bAbort{0};
            int nRuns = 0;
            CMatchTuning tuning;
            tuning.m_nThreads = nThreads;
            EXPECT_FALSE(FindDuplicateSets(m_files, nCriterion, 0, &bAbort, tuning,
                                           [&](std::size_t, std::size_t, const CFileSets&) {
                                               ++nRuns;
                                               bAbort = 1;
                                           }));
            EXPECT_EQ(nRuns, 1);
        }
    }
}

TEST_F(SplitPathsTest, FileKeysAreTheChecksumsOfUnchangedFilesOnly) {
    // One file is emptied each time it has just been opened, past the size check: it has no key,
    // every other file its checksum.
    const std::size_t nShrinking = 41;
    const CFileInfo& shrinking = m_files[nShrinking];
    CFolderFds folders(2);  // fewer than the folders: some are closed and opened again
    folders.m_onOpened = [&](const CFileInfo& f) {
        if (&f == &shrinking) std::filesystem::resize_file(f.GetFilePath(), 0);
    };
    auto key = [&](const CFileInfo& f, int nCriterion, std::uint64_t nLimit) {
        std::filesystem::resize_file(shrinking.GetFilePath(), shrinking.GetLength());
        return FileKey(f, nCriterion, nLimit, nullptr, folders);
    };
    for (std::uint64_t nLimit : {0ull, 1000ull, 65536ull}) {
        for (std::size_t i = 0; i < m_files.GetSize(); ++i) {
            const CFileInfo& f = m_files[i];
            if (i == nShrinking) {
                EXPECT_EQ(key(f, MATCH_CHECKSUM, nLimit), std::nullopt) << i << " " << nLimit;
                EXPECT_EQ(key(f, MATCH_CRC32, nLimit), std::nullopt) << i << " " << nLimit;
                continue;
            }
            EXPECT_EQ(key(f, MATCH_CHECKSUM, nLimit), f.GetChecksum(nLimit, nullptr));
            const auto crc = f.GetCRC(nLimit, nullptr);
            ASSERT_TRUE(crc);
            EXPECT_EQ(key(f, MATCH_CRC32, nLimit), std::optional<std::uint64_t>(*crc));
        }
    }
}

// A file that shrinks once open, past the size check, joins no set: its short read must not
// be taken for a full block. The files repeat one block, and each case runs on a thread of its
// own (fresh buffers) on intact files first, so that every buffer a short read would leave
// unfilled holds what the file would.
TEST(ShortReadTest, AFileThatShrinksWhileOpenJoinsNoSet) {
    CTempTree tree;
    const std::string strBlock = Bytes(4096, 5);
    std::string str;
    for (int i = 0; i < 4; ++i) str += strBlock;
    const std::string strPaths[2] = {tree.Add("1", str), tree.Add("2", str)};
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*", false, nullptr);
    ASSERT_EQ(files.GetSize(), 2u);

    CMatchTuning kept;  // block by block, the first member's block kept
    kept.m_nWholeReadMax = 0;
    kept.m_nFirstBlock = kept.m_nMaxBlock = strBlock.size();
    CMatchTuning reread = kept;  // nothing kept or left open: each block opens each file, and
    reread.m_nMemoryBudget = 0;  // the first file again to compare the second with it
    reread.m_nMaxOpenFiles = 1;
    reread.m_bSameHashes = true;
    // The victim shrinks at its last open, so that no later open's size check notices.
    const struct {
        const CMatchTuning& tuning;
        std::size_t nVictim;
        int nAtOpen;
    } cases[] = {{kept, 0, 1}, {kept, 1, 1}, {reread, 0, 8}, {reread, 1, 4}};
    for (const auto& c : cases) {
        for (std::uint64_t nShrunk : {0u, 6000u}) {
            for (const char* pszName : {"1", "2"}) tree.Add(pszName, str);
            std::thread([&] {
                CFolderFds folders(4);
                EXPECT_EQ(PartitionByContents(files, {0, 1}, 0, nullptr, c.tuning, &folders),
                          (CFileSets{{0, 1}}));
                int nOpens = 0;
                folders.m_onOpened = [&](const CFileInfo& f) {
                    if (&f == &files[c.nVictim] && ++nOpens == c.nAtOpen)
                        std::filesystem::resize_file(strPaths[c.nVictim], nShrunk);
                };
                EXPECT_EQ(PartitionByContents(files, {0, 1}, 0, nullptr, c.tuning, &folders),
                          CFileSets{})
                    << c.nVictim << " " << c.nAtOpen << " " << nShrunk;
                EXPECT_GE(nOpens, c.nAtOpen);
            }).join();
        }
    }

    // The same for two open files compared block by block (blocks of 256 KiB).
    const std::string strBig = Bytes(256 * 1024, 6);
    const std::string strBigPaths[2] = {tree.Path("big1"), tree.Path("big2")};
    for (int nVictim : {0, 1}) {
        for (const char* pszName : {"big1", "big2"}) tree.Add(pszName, strBig + strBig + strBig);
        const int fdA = OpenRegularFile(strBigPaths[0]), fdB = OpenRegularFile(strBigPaths[1]);
        ASSERT_TRUE(fdA >= 0 && fdB >= 0);
        EXPECT_TRUE(CompareOpenFiles(fdA, fdB, 3 * strBig.size(), nullptr));
        std::filesystem::resize_file(strBigPaths[nVictim], strBig.size() + 100);
        EXPECT_FALSE(CompareOpenFiles(fdA, fdB, 3 * strBig.size(), nullptr)) << nVictim;
        ::close(fdA);
        ::close(fdB);
    }
}

TEST(CompareFileContentsTest, ComparesTheLimitedRangeOfReadableRegularFiles) {
    CTempTree tree;
    const std::string str = Bytes(600 * 1024, 3);  // longer than one read block
    std::string strLastDiffers = str;
    strLastDiffers.back() ^= 1;
    for (const auto& [pszName, strBytes] : {std::pair<const char*, std::string>{"a", str}, {"same", str},
             {"last", strLastDiffers}, {"short", str.substr(0, 1000)}, {"long", str + "grown"}, {"empty", ""}})
        tree.Add(pszName, strBytes);
    ASSERT_EQ(::mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink(tree.Path("same"), tree.Path("link"));
    auto dir = std::make_shared<const std::string>(tree.Root());
    auto file = [&](const char* pszName, std::uint64_t nSize) {
        return CFileInfo(dir, pszName, nSize, 0, 0, 0);
    };
    const std::uint64_t n = str.size();
    std::atomic<int> bAbort{0};
    struct {
        CFileInfo a, b;
        std::uint64_t nLimit;
        bool bExpected;
    } cases[] = {
        {file("a", n), file("same", n), 0, true},
        {file("a", n), file("last", n), 0, false},
        {file("a", n), file("last", n), n - 1, true},
        {file("a", n), file("last", n), n, false},
        // Changed size since collection: never equal, even where the limit's bytes are.
        {file("a", n), file("short", n), 1000, false},
        {file("long", n), file("a", n), 1000, false},
        {file("missing", n), file("missing", n), 0, false},
        {file("a", n), file("fifo", n), 0, false},  // never opened for reading, never blocks
        {file("a", n), file("link", n), 0, false},  // links are not followed
        {file("missing", 0), file("missing", 0), 0, true},  // nothing to compare
        {file("empty", 0), file("a", n), 0, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareFileContents(c.a, c.b, c.nLimit, &bAbort), c.bExpected)
            << c.a.GetFileName() << " " << c.b.GetFileName() << " " << c.nLimit;
    bAbort = 1;
    EXPECT_FALSE(CompareFileContents(file("a", n), file("same", n), 0, &bAbort));
}

}  // namespace
