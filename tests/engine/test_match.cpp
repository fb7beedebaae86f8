// The matcher: which pairs it finds under each criterion, the rows it writes, and cancel.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "Collect.h"
#include "Match.h"
#include "MatchTuning.h"
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
using CPhases = std::vector<ESearchPhase>;
const CPhases READY = {ESearchPhase::Matching, ESearchPhase::Ready};

// Collects the tree (file names order the ties of equal size) and matches it.
class MatchTest : public ::testing::Test {
protected:
    void Collect(const std::string& strSub = "") {
        m_state.m_files.RemoveAll();
        m_state.m_files.AddDir(m_tree.Root() + strSub, "*.*", true, &m_state.m_bAbort);
    }

    // Source and target names, in row order; the phases and completions go to the members.
    CPairs Match(int nCriterion, const char* pszPartial = "64", int bReflect = 1) {
        CSearchSettings settings;
        settings.m_nCriterion = nCriterion;
        settings.m_strPartial = pszPartial;
        settings.m_bReflect = bReflect;
        settings.m_nMinSize = m_sizes.m_nMin;
        settings.m_nMaxSize = m_sizes.m_nMax;
        m_phases.clear();
        m_nDone = 0;
        CMatchCallbacks callbacks;
        callbacks.onPhase = [&](ESearchPhase nPhase) {
            m_phases.push_back(nPhase);
            if (m_onPhase) m_onPhase(nPhase);
        };
        callbacks.postMatchDone = [&] { ++m_nDone; };
        m_sink = CRecordingSink{};
        m_sink.m_onAppend = m_onAppend;
        MatchFilesProc(settings, m_state, m_sink, callbacks);
        CPairs pairs;
        for (const CResultRow& row : m_sink.m_rows)
            pairs.emplace_back(NameOf(row.m_strSourcePath), NameOf(row.m_strTargetPath));
        return pairs;
    }

    CTempTree m_tree;
    CSearchState m_state;
    CRecordingSink m_sink;
    CPhases m_phases;
    int m_nDone = 0;
    std::function<void(ESearchPhase)> m_onPhase;  // after each phase the matcher sets
    std::function<void()> m_onAppend;             // after each batch the sink takes
    CSizeLimits m_sizes;
};

const int g_criteria[] = {MATCH_SIZE, MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS};
const int g_reading[] = {MATCH_CHECKSUM, MATCH_CRC32, MATCH_CONTENTS};

std::string Bytes(std::size_t n, unsigned nSeed) {
    std::string str(n, '\0');
    std::mt19937 rng(nSeed);
    for (char& c : str) c = static_cast<char>(rng());
    return str;
}

TEST_F(MatchTest, RunsOfOneSizeGiveEachSetItsOwnChain) {
    // Contents of files 1..n (equal sizes), then the pairs expected without and with reflect
    // under the byte criteria. Under Size every case is one set of all files.
    const std::string a(10, 'a'), b(10, 'b'), c(10, 'c');
    const struct {
        std::vector<std::string> contents;
        CPairs noReflect, reflect;
    } cases[] = {
        {{a, a, a}, {{"1", "2"}, {"2", "3"}}, {{"1", "2"}, {"2", "3"}, {"3", "2"}}},
        {{a, b, a}, {{"1", "3"}}, {{"1", "3"}, {"3", "1"}}},
        {{c, a, a}, {{"2", "3"}}, {{"2", "3"}, {"3", "2"}}},  // the first file has no twin
        {{a, b, a, b}, {{"1", "3"}, {"2", "4"}}, {{"1", "3"}, {"3", "1"}, {"2", "4"}, {"4", "2"}}},
        {{"aaaaaaaaaX", "aaaaaaaaaY"}, {}, {}},
    };
    int nCase = 0;
    for (const auto& c : cases) {
        const std::string strSub = "case" + std::to_string(nCase++) + "/";
        SCOPED_TRACE(strSub);
        for (std::size_t i = 0; i < c.contents.size(); ++i)
            m_tree.Add(strSub + std::to_string(i + 1), c.contents[i]);
        Collect(strSub);
        for (int nCriterion : g_reading) {
            EXPECT_EQ(Match(nCriterion, "64", 0), c.noReflect) << nCriterion;
            EXPECT_EQ(Match(nCriterion, "64", 1), c.reflect) << nCriterion;
        }
        const std::size_t n = c.contents.size();
        EXPECT_EQ(Match(MATCH_SIZE, "64", 0).size(), n - 1);
        std::set<std::string> sources;
        for (const auto& [src, dst] : Match(MATCH_SIZE, "64", 1)) sources.insert(src);
        EXPECT_EQ(sources.size(), n) << "with reflect every file stands once as a source";
        EXPECT_EQ(m_sink.m_rows.size(), n);
    }
}

TEST_F(MatchTest, RowsCarryCellsPathsAndAscendingSizesAndProgressReachesTheEnd) {
    const std::string strB = m_tree.Add("sub/b", "xyzxyzxyzxyz");
    const std::string strA = m_tree.Add("a", "xyzxyzxyzxyz");
    m_tree.Add("e", "Xyzxyzxyzxyz");  // told apart by its first byte; its rest counts as done
    m_tree.Add("c", "12");
    m_tree.Add("d", "12");
    // Times apart, so that each side's time is told from the other's.
    for (const auto& [strPath, t] : {std::pair{strA, 1700000000}, std::pair{strB, 1600000000}}) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {t, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, strPath.c_str(), times, 0), 0);
    }
    Collect();
    ASSERT_EQ(Match(MATCH_CRC32, "64", 0), (CPairs{{"c", "d"}, {"a", "b"}}));
    const CResultRow& row = m_sink.m_rows[1];
    EXPECT_EQ(std::make_pair(row.m_strSourcePath, row.m_strTargetPath), std::make_pair(strA, strB));
    EXPECT_EQ(row.m_nSize, 12u);
    EXPECT_EQ(row.m_tSource, 1700000000);
    EXPECT_EQ(row.m_tTarget, 1600000000);
    EXPECT_EQ(m_phases, READY);
    EXPECT_EQ(m_nDone, 1);
    EXPECT_EQ(m_state.m_nProgressPos.load(), 5);
    EXPECT_EQ(m_state.m_nProgressMax.load(), 5);
    EXPECT_EQ(m_state.m_nBytesTotal.load(), 3u * 12 + 2 * 2);
    EXPECT_EQ(m_state.m_nBytesDone.load(), m_state.m_nBytesTotal.load());
    EXPECT_EQ(m_state.m_nMatches.load(), m_state.m_matches.size());
    EXPECT_EQ(m_state.m_bBusy.load() + m_state.m_bMatching.load(), 0);
}

TEST_F(MatchTest, FilesChangedSinceCollectionMatchNothingButEmptyFilesAlwaysMatch) {
    // After collection: one copy of "c" shrinks and one grows, keeping the bytes a partial
    // comparison reads; every empty file and both "g" files vanish; one "k" becomes a FIFO
    // (never opened, let alone blocking) and one a link to its twin.
    const std::string str = Bytes(100 * 1024, 2);
    for (const char* psz : {"c1", "c2", "c3", "c4"}) m_tree.Add(psz, str);
    for (const char* psz : {"e1", "e2", "g1", "g2", "k1", "k2", "k3"})
        m_tree.Add(psz, std::string(psz[0] == 'e' ? 0 : psz[0] == 'g' ? 9 : 14, psz[0]));
    Collect();
    std::filesystem::resize_file(m_tree.Path("c2"), 70 * 1024);
    std::ofstream(m_tree.Path("c3"), std::ios::app) << "grown";
    for (const char* psz : {"e1", "e2", "g1", "g2", "k2", "k3"}) std::filesystem::remove(m_tree.Path(psz));
    ASSERT_EQ(::mkfifo(m_tree.Path("k2").c_str(), 0600), 0);
    std::filesystem::create_symlink(m_tree.Path("k1"), m_tree.Path("k3"));
    for (int nCriterion : g_reading)
        for (const char* pszPartial : {"0", "64"})
            EXPECT_EQ(Match(nCriterion, pszPartial, 0), (CPairs{{"e1", "e2"}, {"c1", "c4"}}))
                << nCriterion << " " << pszPartial;
    // Size opens nothing.
    EXPECT_EQ(Match(MATCH_SIZE, "64", 0), (CPairs{{"e1", "e2"}, {"g1", "g2"}, {"k1", "k2"},
                                                  {"k2", "k3"}, {"c1", "c2"}, {"c2", "c3"}, {"c3", "c4"}}));
}

// Sets: x only in the reference folder, y in both, z only in the plain one ("plain/" first).
TEST_F(MatchTest, ASetOfReferenceFilesOnlyIsNotListedAndRowsCarryTheMarks) {
    for (const std::string str : {"ref/x1", "ref/x2", "ref/y1", "plain/y2", "plain/z1", "plain/z2"})
        m_tree.Add(str, std::string(str[str.size() - 2] - 'x' + 2, 'q'));
    CollectFilesProc({{m_tree.Path("ref/"), "*.*", "Yes", true}, {m_tree.Path("plain/"), "*.*", "Yes"}}, 1,
                     m_state, {});
    auto marked = [this] {
        std::vector<std::string> rows;
        for (const CResultRow& r : m_sink.m_rows)
            rows.push_back(std::string(NameOf(r.m_strSourcePath)) + (r.m_bSourceReference ? "*" : "") + ">" +
                           std::string(NameOf(r.m_strTargetPath)) + (r.m_bTargetReference ? "*" : ""));
        return rows;
    };
    for (int nCriterion : g_criteria) {
        Match(nCriterion, "64", 0);
        EXPECT_EQ(marked(), (std::vector<std::string>{"y2>y1*", "z1>z2"})) << nCriterion;
        Match(nCriterion, "64", 1);
        EXPECT_EQ(marked(), (std::vector<std::string>{"y2>y1*", "y1*>y2", "z1>z2", "z2>z1"})) << nCriterion;
        EXPECT_EQ(m_state.m_matches.size(), 4u);
    }
}

TEST_F(MatchTest, FilesOutsideTheSizeLimitsTakeNoPartAndEmptyFilesMatchOnlyFromZero) {
    for (const auto& [pszName, nSize] : {std::pair{"e", 0}, {"s", 10}, {"m", 100}, {"l", 1000}})
        for (const char* pszCopy : {"1", "2"}) m_tree.Add(std::string(pszName) + pszCopy, std::string(nSize, 'q'));
    Collect();
    const struct {
        std::uint64_t nMin, nMax;
        CPairs pairs;
    } table[] = {
        {0, UINT64_MAX, {{"e1", "e2"}, {"s1", "s2"}, {"m1", "m2"}, {"l1", "l2"}}},
        {1, UINT64_MAX, {{"s1", "s2"}, {"m1", "m2"}, {"l1", "l2"}}},
        {10, 100, {{"s1", "s2"}, {"m1", "m2"}}},  // both ends included
        {11, 999, {{"m1", "m2"}}},
        {0, 0, {{"e1", "e2"}}},
        {101, 100, {}},
    };
    for (const auto& c : table) {
        m_sizes = {c.nMin, c.nMax};
        for (int nCriterion : g_criteria) {
            EXPECT_EQ(Match(nCriterion, "0", 0), c.pairs) << c.nMin << "-" << c.nMax << " " << nCriterion;
            if (nCriterion == MATCH_SIZE) continue;
            // Left out means never read.
            std::uint64_t nBytes = 0;
            for (const auto& pair : c.pairs) nBytes += 2 * std::filesystem::file_size(m_tree.Path(pair.first));
            EXPECT_EQ(m_state.m_nBytesTotal.load(), nBytes) << c.nMin << "-" << c.nMax;
        }
    }
}

TEST_F(MatchTest, FewerThanTwoFilesEmptyTheSinkAndACancelKeepsTheRowsWritten) {
    for (int nFiles : {0, 1}) {
        if (nFiles) m_tree.Add("only", "x");
        Collect();
        for (int nCriterion : g_criteria) {
            EXPECT_TRUE(Match(nCriterion).empty());
            EXPECT_EQ(m_sink.m_events, (std::vector<std::string>{"clear", "end"}));
            EXPECT_EQ(m_nDone, 1);
        }
    }
    // Cancelled before the fill: the sink is left alone.
    m_tree.Add("two/1", "same");
    m_tree.Add("two/2", "same");
    Collect("two/");
    m_onPhase = [&](ESearchPhase nPhase) { m_state.m_bAbort = nPhase == ESearchPhase::Matching; };
    for (int nCriterion : g_criteria) {
        Match(nCriterion);
        EXPECT_TRUE(m_sink.m_events.empty());
        EXPECT_EQ(m_state.m_nProgressPos.load(), 0);
        EXPECT_EQ(m_nDone, 1);
        EXPECT_EQ(m_phases, READY);
    }
    // During it: the rows written stay.
    m_onPhase = nullptr;
    m_state.m_bAbort = 0;
    for (int i = 0; i < 4100; ++i) m_tree.Add("many/e" + std::to_string(i), "");
    Collect("many/");
    m_onAppend = [&] { m_state.m_bAbort = 1; };
    Match(MATCH_SIZE, "64", 0);
    EXPECT_EQ(m_nDone, 1);
    EXPECT_EQ(m_state.m_matches.size(), 4099u);
    EXPECT_EQ(m_sink.m_events, (std::vector<std::string>{"clear", "append 4096", "end"}));
}

// Two identical 1 GiB files (sparse, so they cost no disk), and a third told apart by its first
// byte: the bytes done move while the pair is read, and reach the total at the end, the third
// file's unread bytes included; the position keeps its scale of files.
TEST(MatchProgressTest, BytesDoneAdvanceWhileALargePairIsReadAndReachTheTotal) {
    CTempTree tree;
    for (const char* pszName : {"1", "2", "3"})
        ASSERT_EQ(::truncate(tree.Add(pszName, pszName[0] == '3' ? "x" : "").c_str(), 1LL << 30), 0);
    CSearchState state;
    state.m_files.AddDir(tree.Root(), "*", false, nullptr);
    CSearchSettings settings;
    settings.m_nCriterion = MATCH_CONTENTS;
    settings.m_strPartial = "0";
    CRecordingSink sink;
    std::atomic<bool> bDone{false};
    std::thread worker([&] {
        MatchFilesProc(settings, state, sink, {});
        bDone = true;
    });
    bool bSawBetween = false;
    while (!bDone) {
        const std::uint64_t nDone = state.m_nBytesDone, nTotal = state.m_nBytesTotal;
        bSawBetween = bSawBetween || (nDone > 0 && nDone < nTotal);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    worker.join();
    EXPECT_TRUE(bSawBetween);
    EXPECT_EQ(state.m_nBytesTotal.load(), 3ull << 30);
    EXPECT_EQ(state.m_nBytesDone.load(), state.m_nBytesTotal.load());
    EXPECT_EQ(state.m_nProgressPos.load(), 3);
    EXPECT_EQ(sink.m_rows.size(), 2u);
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
    auto file = [&](const char* pszName, std::uint64_t nSize) { return CFileInfo(dir, pszName, nSize, 0, 0, 0); };
    const std::uint64_t n = str.size();
    std::atomic<int> bAbort{0};
    const struct {
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
