// twinex-cli remove / link / move on a results document: a dry run changes nothing, the real
// run acts on exactly the extra copies, odd names survive, and the exit status tells the truth.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "ActCommand.h"
#include "CliProcess.h"
#include "TempTree.h"

namespace {

namespace fs = std::filesystem;

// Every file below strRoot: its path below it, inode and contents.
std::map<std::string, std::pair<ino_t, std::string>> Listing(const std::string& strRoot) {
    std::map<std::string, std::pair<ino_t, std::string>> files;
    for (const auto& entry : fs::recursive_directory_iterator(strRoot)) {
        if (!entry.is_regular_file()) continue;
        struct stat st {};
        lstat(entry.path().c_str(), &st);
        files[entry.path().string().substr(strRoot.size())] = {st.st_ino, ReadAll(entry.path())};
    }
    return files;
}

// Two sets with odd names (a newline, a byte that is not UTF-8, a leading dash) and a file of
// the same size that is no copy; the search's results document beside them.
class CliActTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_tree.Add("in/a/photo", "set one bytes");
        m_tree.Add("in/b/-photo\ncopy", "set one bytes");
        m_tree.Add("in/b/caf\xE9", "set one bytes");
        m_tree.Add("in/a/song", "second set");
        m_tree.Add("in/c/song", "second set");
        m_tree.Add("in/c/other", "second sex");
        m_strResults = m_tree.Path("results.json");
        const CResult search = RunCli({"--format", "json", m_tree.Path("in")});
        ASSERT_EQ(search.m_nStatus, 0) << search.m_strErr;
        std::ofstream(m_strResults, std::ios::binary) << search.m_strOut;
    }
    std::string In() const { return m_tree.Path("in"); }

    CTempTree m_tree;
    std::string m_strResults;
};

}  // namespace

TEST_F(CliActTest, ADryRunTellsEveryActionAndChangesNothing) {
    const auto before = Listing(In());
    for (const char* pszCommand : {"remove", "link", "move"}) {
        std::vector<std::string> args = {pszCommand, "--dry-run", m_strResults};
        if (std::string(pszCommand) == "move")
            args.insert(args.begin() + 1, {"--to", m_tree.Path("out")});
        const CResult r = RunCli(args);
        EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
        EXPECT_EQ(Split(r.m_strOut, '\n').size(), 4u) << pszCommand << ": three extra copies\n"
                                                      << r.m_strOut;
        EXPECT_EQ(Listing(In()), before) << pszCommand;
        EXPECT_FALSE(fs::exists(m_tree.Path("out")));
    }
}

TEST_F(CliActTest, LinkReplacesTheExtraCopiesWithTheKeptFile) {
    // Oldest: the files written first stay.
    const std::string strOldest = m_tree.Path("in/a/photo");
    const timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, strOldest.c_str(), old, 0), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, m_tree.Path("in/a/song").c_str(), old, 0), 0);
    const CResult search = RunCli({"--format", "json", In()});
    std::ofstream(m_strResults, std::ios::binary) << search.m_strOut;

    const CResult link = RunCli({"link", "--keep", "oldest", "--", m_strResults});
    EXPECT_EQ(link.m_nStatus, 0) << link.m_strErr;
    auto after = Listing(In());
    EXPECT_EQ(after.size(), 6u);
    EXPECT_EQ(after["/b/-photo\ncopy"].first, after["/a/photo"].first);
    EXPECT_EQ(after["/b/caf\xE9"].first, after["/a/photo"].first);
    EXPECT_EQ(after["/c/song"].first, after["/a/song"].first);
    EXPECT_EQ(after["/c/other"].second, "second sex");

    // The rows no longer match the files (the links carry the kept file's time): nothing goes.
    EXPECT_EQ(RunCli({"remove", m_strResults}).m_nStatus, 0);
    EXPECT_EQ(Listing(In()).size(), 6u);
}

TEST_F(CliActTest, MoveKeepsThePathBelowTheSearchedFolderAndNeverOverwrites) {
    m_tree.Add("out/b/caf\xE9", "in the way");
    const CResult move =
        RunCli({"move", "--keep", "in", In() + "/a", "--to", m_tree.Path("out"), m_strResults});
    EXPECT_EQ(move.m_nStatus, 1) << "one destination was taken\n" << move.m_strErr;
    const auto after = Listing(In());
    EXPECT_EQ(after.size(),
              4u);  // the two kept in a/, the copy whose place was taken, the false one
    EXPECT_TRUE(after.count("/a/photo") && after.count("/a/song") && after.count("/b/caf\xE9"));
    EXPECT_EQ(ReadAll(m_tree.Path("out/b/-photo\ncopy")), "set one bytes");
    EXPECT_EQ(ReadAll(m_tree.Path("out/b/caf\xE9")), "in the way");
    EXPECT_EQ(ReadAll(m_tree.Path("out/c/song")), "second set");

    // Copies that all lie in one subfolder keep it: the path is below the searched folder.
    m_tree.Add("in2/deep/x", "pair");
    m_tree.Add("in2/deep/y", "pair");
    std::ofstream(m_strResults, std::ios::binary) << RunCli({"--format", "json", m_tree.Path("in2")}).m_strOut;
    EXPECT_EQ(RunCli({"move", "--to", m_tree.Path("out2"), m_strResults}).m_nStatus, 0);
    EXPECT_EQ(Listing(m_tree.Path("out2")).size(), 1u);
    EXPECT_TRUE(fs::is_directory(m_tree.Path("out2/deep")));
}

TEST_F(CliActTest, AFalsePairIsKeptAndTheExitStatusSaysSo) {
    // A document that claims two different files of one size are copies, as a weak criterion
    // can: the byte check keeps the file, and the run reports failure.
    const CResult search = RunCli({"--format", "json", "--by", "size", In()});
    std::ofstream(m_strResults, std::ios::binary) << search.m_strOut;
    const CResult r = RunCli({"remove", "--keep", "first", m_strResults});
    EXPECT_EQ(r.m_nStatus, 1) << r.m_strErr;
    EXPECT_NE(r.m_strErr.find("not the same bytes"), std::string::npos) << r.m_strErr;
    const auto after = Listing(In());
    EXPECT_EQ(after.size(), 3u);  // one of each set of copies, and the file that only looked alike
}

TEST(CliActUsageTest, BadUsageExitsWithStatusTwo) {
    CActOptions opts;
    EXPECT_TRUE(ParseActCommand({"move", "r.json"}, opts));                  // no --to
    EXPECT_TRUE(ParseActCommand({"remove", "--hard", "r.json"}, opts));      // not remove's
    EXPECT_TRUE(ParseActCommand({"link", "--keep", "largest", "r"}, opts));  // no such rule
    EXPECT_TRUE(ParseActCommand({"link", "a.json", "b.json"}, opts));
    ASSERT_FALSE(ParseActCommand({"link", "--clone", "--keep", "in", "/k", "--", "-r.json"}, opts));
    EXPECT_EQ(opts.nLink, LINK_CLONE);
    EXPECT_EQ(opts.keep.strFolder, "/k");
    EXPECT_EQ(opts.strResults, "-r.json");
    EXPECT_EQ(RunCli({"remove", "--bogus"}).m_nStatus, 2);
    EXPECT_EQ(RunCli({"remove", "/nonexistent/results.json"}).m_nStatus, 2);
    EXPECT_EQ(CommonFolder({"/a/b/c/x", "/a/b/cd/y"}), "/a/b/");
    EXPECT_EQ(MoveDestination("/a/b/c/x", "/a/b/", "/q"), "/q/c/x");
    EXPECT_EQ(SearchedFolderOf("/a/bc/x", {"/a/", "/a/b/", "/a/bc/d/"}), "/a/");
    EXPECT_EQ(SearchedFolderOf("/a/b/c/x", {"/a/", "/a/b/", "/z/"}), "/a/b/");
}

TEST_F(CliActTest, GroupsAndSetNumbersTellTheSetsOtherToolsRead) {
    const CResult groups = RunCli({"--format", "groups", "--sort", "size", In()});
    ASSERT_EQ(groups.m_nStatus, 0) << groups.m_strErr;
    // Two sets: each file once, a blank line after each; the newline in a name is escaped.
    EXPECT_EQ(groups.m_strOut, In() + "/a/song\n" + In() + "/c/song\n\n" + In() + "/a/photo\n" +
                                   In() + "/b/-photo\\ncopy\n" + In() + "/b/caf\\xe9\n\n");
    const CResult groups0 = RunCli({"--format", "groups0", "--no-reflect", In()});
    EXPECT_EQ(groups0.m_strOut, In() + "/a/song" + '\0' + In() + "/c/song" + '\0' + '\0' + In() +
                                    "/a/photo" + '\0' + In() + "/b/-photo\ncopy" + '\0' + In() +
                                    "/b/caf\xE9" + '\0' + '\0');

    for (const char* pszSort : {"", "source"}) {
        std::vector<std::string> args = {"--format", "json", In()};
        if (*pszSort) args.insert(args.begin(), {"--sort", pszSort});
        const CResult json = RunCli(args);
        std::map<std::string, std::set<std::size_t>> setsOfSize;
        std::size_t nAt = 0;
        while ((nAt = json.m_strOut.find("\"size\":", nAt)) != std::string::npos) {
            const std::string strSize = json.m_strOut.substr(nAt + 7, 2);
            const std::size_t nSet = json.m_strOut.find("\"set\":", nAt);
            ASSERT_NE(nSet, std::string::npos);
            setsOfSize[strSize].insert(std::stoul(json.m_strOut.substr(nSet + 6)));
            ++nAt;
        }
        // The sizes tell the two sets apart here: one number for each, 1 and 2.
        ASSERT_EQ(setsOfSize.size(), 2u) << pszSort;
        EXPECT_EQ(setsOfSize["13"].size(), 1u) << pszSort;
        EXPECT_EQ(setsOfSize["10"].size(), 1u) << pszSort;
        EXPECT_NE(*setsOfSize["13"].begin(), *setsOfSize["10"].begin()) << pszSort;
    }
    const CResult version = RunCli({"--version"});
    EXPECT_EQ(version.m_nStatus, 0);
    EXPECT_EQ(version.m_strOut.rfind("twinex-cli ", 0), 0u);
}
