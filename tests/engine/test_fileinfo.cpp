// Collection of files: walking, masks, order, one entry per file, checksums.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <xxhash.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "DirWalk.h"
#include "FileInfo.h"
#include "TempTree.h"

namespace {

std::atomic<int> g_noAbort{0};

// Paths relative to the tree's root, in array order.
std::vector<std::string> Relative(const CFileInfoArray& files, const CTempTree& tree) {
    std::vector<std::string> paths;
    for (const CFileInfo& f : files.GetData()) {
        const std::string strPath = f.GetFilePath();
        EXPECT_EQ(strPath.compare(0, tree.Root().size(), tree.Root()), 0) << strPath;
        paths.push_back(strPath.substr(tree.Root().size()));
    }
    return paths;
}

// Every (device, inode) once, and ascending by size then path bytes.
void ExpectArrayInvariants(const CFileInfoArray& files) {
    std::set<std::pair<std::uint64_t, std::uint64_t>> ids;
    const auto& data = files.GetData();
    EXPECT_EQ(files.GetSize(), data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        EXPECT_TRUE(ids.insert({data[i].GetDevice(), data[i].GetInode()}).second)
            << "stored twice: " << data[i].GetFilePath();
        if (i > 0) {
            const auto prev = std::make_pair(data[i - 1].GetLength(), data[i - 1].GetFilePath());
            const auto cur = std::make_pair(data[i].GetLength(), data[i].GetFilePath());
            EXPECT_LT(prev, cur) << "out of order at " << i;
        }
    }
}

auto CountOpenFds() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

}  // namespace

TEST(MaskTest, WildcardsCountCharactersFoldCaseAndDotStarTakesNoExtension) {
    // A UTF-8 letter is one character, a stray byte one and equal only to itself; case folds
    // in any script.
    struct {
        const char* name;
        const char* mask;
        bool match;
    } const table[] = {
        // clang-format off
        {"readme", "*.*", true}, {"", "*.*", true}, {"Notes.TXT", "*.txt", true}, {"notes.txt", "*.TXT", true},
        {"notes.txt.bak", "*.txt", false}, {"abc", "a?c", true}, {"ac", "a?c", false}, {"abbc", "a?c", false},
        {"\xc3\xa9.txt", "?.txt", true}, {"\xc3\xa9.txt", "??.txt", false}, {"\xff\xfe.txt", "??.txt", true}, {"abcabd", "*abd", true},
        {"aaaa", "a*a*a*a*a", false}, {"report2024", "report*.*", true}, {"report", "report.*", true}, {"reports", "report.*", false},
        {"x.c", "", false}, {"star*name", "star*name", true}, {"\xc3\x89", "\xc3\xa9", true}, {"\xc3\x89T\xc3\x89.TXT", "\xc3\xa9*", true},
        {"\xd0\x9a\xd0\x9e\xd0\xa2.txt", "\xd0\xba\xd0\xbe\xd1\x82.*", true}, {"\xe2\x84\xaa", "k", true}, {"\xc3\x89", "\xc3\xa8", false}, {"\xc3", "\xe3", false},
        {"\xc9", "\xe9", false}, {"a\xc3\xa9", "a?", true}, {"a\xc3\xa9", "a??", false}, {"a\xc3", "a?", true},
        {"\xc3\x41", "??", true}, {"\xc1\x81", "?", false}, {"\xc2\xa0", "?", true}, {"\xdf\xbf", "?", true},
        {"\xe0\xa0\x80", "?", true}, {"\xef\xbf\xbf", "?", true}, {"\xf0\x90\x80\x80", "?", true}, {"\xf4\x8f\xbf\xbf", "?", true},
        {"\xf5\x80\x80\x80", "?", false}, {"\xc3\xa9", "*\xa9", false}, {"ab", "a**b", true}, {"abc", "abc**", true},
        {"abc", "abc*d", false}, {"a", "ab*", false}, {"a", "ab.*", false}, {"@", "`", false},
        {"[", "{", false},
        // clang-format on
    };
    for (const auto& c : table)
        EXPECT_EQ(MatchMask(c.name, c.mask), c.match) << "'" << c.name << "' vs '" << c.mask << "'";
}

class CollectTest : public testing::Test {
protected:
    CTempTree m_tree;
    CFileInfoArray m_files;
    int Add(const std::string& strDir, const std::string& strMask = "*.*", bool bRecurse = true) {
        return m_files.AddDir(strDir, strMask, bRecurse, &g_noAbort, {}, m_walk);
    }
    CWalkTuning m_walk;
};

TEST_F(CollectTest, WalksSubfoldersOnlyWhenAskedAndAppliesTheMask) {
    const char* names[] = {"a.txt", "B.TXT", "c\n\xff\xfe.doc", ".hidden Make*?", ".sub/d.txt", ".sub/deeper/e.txt"};
    for (int i = 0; i < 6; ++i) m_tree.Add(names[i], std::string(i + 1, 'x'));
    EXPECT_EQ(Add(m_tree.Root(), "*.txt", false), 2);
    EXPECT_EQ(Relative(m_files, m_tree), (std::vector<std::string>{"a.txt", "B.TXT"}));
    m_files.RemoveAll();
    EXPECT_EQ(Add(m_tree.Root().substr(0, m_tree.Root().size() - 1), "*.*", true), 6);
    EXPECT_EQ(Relative(m_files, m_tree), std::vector<std::string>(std::begin(names), std::end(names)));
    EXPECT_EQ(m_files[4].GetFileDir() + "|" + m_files[4].GetFileName(), m_tree.Root() + ".sub/|d.txt");
}

TEST_F(CollectTest, OrdersBySizeThenFullPathBytesAcrossCalls) {
    // Same size: "a/z" before "a0" ('/' < '0' in the full path); "two/a1x/p" after "two/a1",
    // whose whole path begins its own.
    for (const auto& [pszName, nSize] : {std::pair{"a0", 2}, {"a/z", 2}, {"big", 100}, {"one/small", 1},
                                         {"two/mid", 50}, {"two/a1", 2}, {"two/a1x/p", 2}})
        m_tree.Add(pszName, std::string(nSize, 'x'));
    Add(m_tree.Path("two"));
    Add(m_tree.Root(), "a*", false);
    Add(m_tree.Root());
    EXPECT_EQ(Relative(m_files, m_tree), (std::vector<std::string>{"one/small", "a/z", "a0", "two/a1",
                                                                  "two/a1x/p", "two/mid", "big"}));
    ExpectArrayInvariants(m_files);
}

TEST_F(CollectTest, StoresEachFileOnceHoweverItIsReached) {
    m_tree.Add("top/x.txt", "x");
    m_tree.Add("top/sub/y.txt", "yy");
    m_tree.Add("top/sub/z.dat", "zzz");
    ASSERT_EQ(link(m_tree.Path("top/x.txt").c_str(), m_tree.Path("top/sub/hard.txt").c_str()), 0);
    ASSERT_EQ(link(m_tree.Path("top/x.txt").c_str(), m_tree.Path("other-hard").c_str()), 0);

    // Each call counts only the files it added.
    EXPECT_EQ(Add(m_tree.Path("top/sub")), 3);       // a row inside the next one
    EXPECT_EQ(Add(m_tree.Path("top"), "*.txt"), 0);  // overlapping rows, two masks matching one file
    EXPECT_EQ(Add(m_tree.Path("top"), "?.*"), 0);
    EXPECT_EQ(Add(m_tree.Root()), 0);
    EXPECT_EQ(m_files.GetSize(), 3u);
    ExpectArrayInvariants(m_files);
    // Within one call the first path in order stands for the inode.
    CFileInfoArray fresh;
    fresh.AddDir(m_tree.Root(), "*", true, &g_noAbort);
    ASSERT_EQ(fresh.GetSize(), 3u);
    EXPECT_EQ(fresh[0].GetFilePath(), m_tree.Path("other-hard"));
}

// Every kind of entry, with names the masks take, walked twice: once with the types the folder
// entries give, once with every type unknown (as some file systems leave it), so that the
// walk's own stat decides alone. Links, to files or folders, inside the tree or out, are
// never followed; FIFOs and sockets are never collected; folders are entered whatever the mask.
TEST_F(CollectTest, NeverFollowsLinksNorCollectsSpecialFilesWhateverTheEntryTypeSays) {
    m_tree.Add("real/file.txt", "data");
    m_tree.Add("real/other.dat", "other");
    m_tree.Add("real/folder.dat/in.txt", "in");
    CTempTree outside;
    outside.Add("out.txt", "elsewhere");
    outside.Add("sub/deep.txt", "deeper");
    for (const auto& [pszLink, strTarget] :
         {std::pair<const char*, std::string>{"real/link.txt", "file.txt"},
          {"real/loop.txt", ".."},
          {"real/dangling.txt", "missing"},
          {"real/link-out.txt", outside.Path("out.txt")},
          {"real/dir-out.txt", outside.Root()},
          {"link-to-real", m_tree.Path("real")}})
        ASSERT_EQ(symlink(strTarget.c_str(), m_tree.Path(pszLink).c_str()), 0) << pszLink;
    ASSERT_EQ(mkfifo(m_tree.Path("real/fifo.txt").c_str(), 0600), 0);
    const int fdSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{AF_UNIX, {}};
    const std::string strSocket = m_tree.Path("real/socket.txt");
    ASSERT_LT(strSocket.size(), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, strSocket.c_str(), strSocket.size() + 1);
    ASSERT_EQ(bind(fdSocket, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    close(fdSocket);

    using V = std::vector<std::string>;
    const struct {
        const char* pszFolder;
        const char* pszMask;
        bool bRecurse;
        V expected;
    } cases[] = {
        {"", "*.txt", true, {"real/file.txt", "real/folder.dat/in.txt"}},
        {"", "*.*", true, {"real/file.txt", "real/folder.dat/in.txt", "real/other.dat"}},
        {"real", "*.txt", false, {"real/file.txt"}},
    };
    for (bool bIgnoreTypes : {false, true}) {
        m_walk.m_bIgnoreEntryTypes = bIgnoreTypes;
        for (const auto& c : cases) {
            m_files.RemoveAll();
            std::vector<std::string> errors;
            m_files.AddDir(m_tree.Path(c.pszFolder), c.pszMask, c.bRecurse, &g_noAbort,
                           [&](const std::string& p, int) { errors.push_back(p); }, m_walk);
            std::vector<std::string> found = Relative(m_files, m_tree);
            std::sort(found.begin(), found.end());
            EXPECT_EQ(found, c.expected) << bIgnoreTypes << " " << c.pszFolder << c.pszMask;
            EXPECT_EQ(errors, V{});
        }
        // A top folder named through a link is the user's choice and is walked, but nothing
        // below it is followed either.
        m_files.RemoveAll();
        EXPECT_EQ(Add(m_tree.Path("link-to-real"), "*.txt", false), 1) << bIgnoreTypes;
        EXPECT_EQ(Relative(m_files, m_tree), V{"link-to-real/file.txt"});
    }
}

// Full paths of the files a walk takes, with hooks on entering and leaving a folder.
struct CHookVisitor : IDirVisitor {
    std::function<void(const std::string&)> onEnter, onLeave;
    std::function<void()> onFile;
    std::string strDir;
    std::vector<std::string> files;
    void EnterDir(const std::string& s) override { strDir = s; if (onEnter) onEnter(s); }
    void LeaveDir() override { if (onLeave) onLeave(strDir); }
    bool WantFile(std::string_view) override { return true; }
    void AddFile(std::string_view strName, const struct stat&) override {
        files.push_back(strDir + std::string(strName));
        if (onFile) onFile();
    }
};

// A folder swapped while the walk is away from it is left alone, without an error: a subfolder
// that became a link before it was opened, and a closed folder, with subfolders still to visit,
// that became a link to itself or another folder before the walk came back to reopen it.
TEST(WalkTest, AFolderSwappedWhileTheWalkIsAwayIsLeftAlone) {
    CTempTree outside;
    outside.Add("x1/out.txt", "elsewhere");
    CWalkTuning walk;
    walk.m_nMaxOpenDirs = 1;  // a folder with subfolders left is closed while the walk is below it
    enum { CHILD_TO_LINK, CLOSED_TO_LINK_TO_ITSELF, CLOSED_TO_NEW_FOLDER };
    for (int nCase : {CHILD_TO_LINK, CLOSED_TO_LINK_TO_ITSELF, CLOSED_TO_NEW_FOLDER}) {
        CTempTree tree;
        const std::vector<std::string> all = {"top.txt", "x/x1/x1.txt", "x/x2/x2.txt", "y/y1/y1.txt", "y/y2/y2.txt"};
        for (const std::string& str : all) tree.Add(str, "f");
        std::string strGone;  // nothing under this top folder is found...
        std::string strKept;  // ...but what was read before the swap
        auto swap = [&](const std::string& strName) {
            strGone = strName + "/";
            const std::string strPath = tree.Path(strName);
            ASSERT_EQ(rename(strPath.c_str(), (strPath + ".moved").c_str()), 0);
            if (nCase == CLOSED_TO_NEW_FOLDER) {
                for (const char* psz : {"1", "2"})
                    tree.Add(strName + "/" + strName + psz + "/" + strName + psz + ".txt", "new");
            } else {
                const std::string strTarget = nCase == CHILD_TO_LINK ? outside.Root() : strName + ".moved";
                ASSERT_EQ(symlink(strTarget.c_str(), strPath.c_str()), 0);
            }
        };
        CHookVisitor visitor;
        if (nCase == CHILD_TO_LINK) {
            visitor.onLeave = [&](const std::string& strDir) {
                if (strDir == tree.Root() && strGone.empty()) swap("x");
            };
        } else {  // at the first folder two levels down, its parent is closed
            visitor.onEnter = [&](const std::string& strDir) {
                const std::string strRel = strDir.substr(tree.Root().size());
                if (strGone.empty() && std::count(strRel.begin(), strRel.end(), '/') == 2) {
                    strKept = strRel;
                    swap(strRel.substr(0, strRel.find('/')));
                }
            };
        }
        std::vector<std::string> errors;
        EXPECT_TRUE(WalkTree(tree.Root(), true, nullptr, visitor,
                             [&](const std::string& p, int) { errors.push_back(p); }, walk));
        EXPECT_EQ(errors, std::vector<std::string>{}) << nCase;
        std::vector<std::string> expected;
        for (const std::string& str : all)
            if (str.rfind(strGone, 0) != 0 || (!strKept.empty() && str.rfind(strKept, 0) == 0))
                expected.push_back(tree.Path(str));
        std::sort(visitor.files.begin(), visitor.files.end());
        EXPECT_EQ(visitor.files, expected) << nCase;
    }
}

TEST_F(CollectTest, ReportsUnreadableFoldersAndGoesOnUnprivileged) {
    m_tree.Add("open/a", "a");
    m_tree.Add("closed/b", "b");
    std::vector<std::pair<std::string, int>> errors;
    FWalkError onError = [&](const std::string& p, int e) { errors.emplace_back(p, e); };

    m_files.AddDir(m_tree.Path("does-not-exist"), "*.*", true, &g_noAbort, onError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].second, ENOENT);
    EXPECT_EQ(m_files.GetSize(), 0u);

    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root (twinex_engine_unprivileged runs this)";
    errors.clear();
    ASSERT_EQ(chmod(m_tree.Path("closed").c_str(), 0), 0);
    m_files.AddDir(m_tree.Root(), "*.*", true, &g_noAbort, onError);
    EXPECT_EQ(Relative(m_files, m_tree), std::vector<std::string>{"open/a"});
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], std::make_pair(m_tree.Path("closed/"), EACCES));
}

TEST_F(CollectTest, AnAbortAddsNothingReadsNothingAndStopsTheWalkWithinItsFolder) {
    for (int i = 0; i < 20; ++i) m_tree.Add("d" + std::to_string(i) + "/f", "x");
    Add(m_tree.Path("d0"));
    std::atomic<int> abort{1};
    EXPECT_EQ(m_files.AddDir(m_tree.Root(), "*.*", true, &abort), 0);
    EXPECT_EQ(m_files.GetSize(), 1u);
    EXPECT_EQ(m_files[0].GetChecksum(0, &abort), std::nullopt);
    EXPECT_EQ(m_files[0].GetCRC(0, &abort), std::nullopt);

    abort = 0;
    CHookVisitor visitor;
    visitor.onFile = [&] { abort = 1; };
    EXPECT_FALSE(WalkTree(m_tree.Root(), true, &abort, visitor, {}));
    EXPECT_EQ(visitor.files.size(), 1u);
}

TEST_F(CollectTest, DeepAndWideTreesKeepFewFoldersOpen) {
    m_walk.m_nMaxOpenDirs = 3;
    // Every level has two subfolders, so every ancestor keeps pending work on the stack.
    std::string strPath;
    int nExpected = 0;
    for (int depth = 0; depth < 12; ++depth) {
        m_tree.Add(strPath + "side" + std::to_string(depth) + "/f", "s");
        m_tree.Add(strPath + "g" + std::to_string(depth), "g");
        nExpected += 2;
        strPath += "d" + std::to_string(depth) + "/";
    }
    const int nFdsBefore = CountOpenFds();
    EXPECT_EQ(Add(m_tree.Root()), nExpected);
    EXPECT_EQ(CountOpenFds(), nFdsBefore);
    ExpectArrayInvariants(m_files);
}

TEST_F(CollectTest, SizesBeyondFourGigabytesAndCopiesThatOutliveTheArray) {
    const std::string strPath = m_tree.Add("keep/sparse", "");
    ASSERT_EQ(truncate(strPath.c_str(), 5LL << 30), 0);
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, strPath.c_str(), times, 0), 0);
    Add(m_tree.Root());
    ASSERT_EQ(m_files.GetSize(), 1u);
    const CFileInfo copy = m_files[0];
    m_files.RemoveAll();
    EXPECT_EQ(std::make_tuple(copy.GetLength(), copy.GetTime(), copy.GetFilePath()),
              std::make_tuple(5ULL << 30, std::int64_t{1700000000}, strPath));
}

// The checksum and CRC of a file's first bytes, against the libraries' own over those bytes; none
// for a file that vanished or became a FIFO (which must not block) or a link since collection.
TEST(ChecksumTest, StandardValuesOfEachPrefixAndNoneForWhatCannotBeRead) {
    CTempTree tree;
    std::string big(700 * 1024, '\0');  // spans several read buffers
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = char((i * 2654435761u) >> 13);
    tree.Add("big", big);
    for (const char* psz : {"check", "fifo", "gone", "link"}) tree.Add(psz, "123456789");
    CFileInfoArray files;
    files.AddDir(tree.Root(), "*.*", false, &g_noAbort);
    ASSERT_EQ(files.GetSize(), 5u);
    EXPECT_EQ(files[0].GetCRC(0, &g_noAbort), 0xCBF43926u);
    const auto* pBytes = reinterpret_cast<const unsigned char*>(big.data());
    for (std::uint64_t nLimit : {0ull, 1ull, 300ull * 1024, 600ull * 1024 + 1, 10ull << 20}) {
        const std::size_t n = nLimit == 0 ? big.size() : std::min<std::size_t>(nLimit, big.size());
        EXPECT_EQ(files[4].GetChecksum(nLimit, &g_noAbort), XXH3_64bits(pBytes, n)) << nLimit;
        EXPECT_EQ(files[4].GetCRC(nLimit, &g_noAbort), crc32_z(0, pBytes, n)) << nLimit;
    }
    for (const char* psz : {"fifo", "gone", "link"}) ASSERT_EQ(unlink(tree.Path(psz).c_str()), 0);
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink(tree.Path("check").c_str(), tree.Path("link").c_str()), 0);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_FALSE(files[i].GetChecksum(0, &g_noAbort) || files[i].GetCRC(0, &g_noAbort)) << i;
}
