// twinex-cli: the built program on temporary trees.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "Base64.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "CliProcess.h"
#include "NoCase.h"
#include "TempTree.h"

namespace {

TEST(CliTest, BadUsageExitsWithStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},          {"--by", "md5", "/tmp"},    {"--partial", "-1", "/tmp"}, {"--partial", "12k", "/tmp"},
        {""},        {"--format=xml", "/tmp"},   {"--sort", "Folders", "/tmp"}, {"--descending", "/tmp"},
        {"--", ""},  {"--reflect=yes", "/tmp"},  {"/tmp", "--mask"},         {"--frobnicate", "/tmp"},
        {"--threads", "2x", "/tmp"},
    };
    for (const auto& args : cases) {
        const CResult r = RunCli(args);
        EXPECT_EQ(r.m_nStatus, 2) << r.m_strErr;
        EXPECT_EQ(r.m_strOut, "");
        EXPECT_NE(r.m_strErr.find("Try 'twinex-cli --help'"), std::string::npos) << r.m_strErr;
    }
    EXPECT_EQ(RunCli({"--help"}).m_strOut.find("Usage: twinex-cli"), 0u);
}

// Each format, streamed and sorted, on names with tabs and bytes that are not UTF-8: TSV keeps
// seven escaped cells a line, JSON the exact paths, and a sort returns the streamed rows.
TEST(CliTest, RowsInEachFormatStreamedAndSorted) {
    CTempTree tree;
    const std::vector<std::string> names = {"a/one", "B/two", "b/tab\tthree", "c/odd\xff\xfe four",
                                            "c/deeper/five", "A/six \"q\"\x01"};
    // Three sizes; every file its own time, the copies in y/ older than those in x/.
    std::set<std::string> paths;
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const char* pszSide : {"x/", "y/"}) {
            paths.insert(tree.Add(pszSide + names[i], std::string(1000 * (i % 3) + 5, static_cast<char>('a' + i))));
            const long nDays = static_cast<long>(i) * (*pszSide == 'x' ? 1 : -1);
            const timespec times[2] = {{0, UTIME_OMIT}, {1600000000 + 86400 * nDays, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path(pszSide + names[i]).c_str(), times, 0), 0);
        }
    }
    tree.Add("single", "no twin here");
    auto run = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv = args;
        argv.push_back(tree.Root());
        const CResult r = RunCli(argv);
        EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
        return r;
    };
    const CResult tsv = run({"--format", "tsv"});
    EXPECT_NE(tsv.m_strErr.find("Match done. Found: 12 file(s).\nTwinex 1.0 RC1 - Matched 12 in 13 file(s)\n"),
              std::string::npos) << tsv.m_strErr;
    const std::vector<std::string> streamed = Lines(tsv.m_strOut);
    ASSERT_EQ(streamed.size(), 1 + 2 * names.size());
    EXPECT_EQ(streamed[0], "Source\tFolder\tModified\tTarget\tFolder\tModified\tSize");
    for (std::size_t i = 1; i < streamed.size(); ++i) {
        const std::vector<std::string> cells = Split(streamed[i], '\t');
        ASSERT_EQ(cells.size(), 7u) << streamed[i];
        EXPECT_EQ(cells[0], cells[3]);
    }
    EXPECT_NE(tsv.m_strOut.find("tab\\tthree\t"), std::string::npos);
    // The order itself is the row store's; here the sorted rows are the streamed ones.
    for (const auto& [pszColumn, nColumn] : {std::pair{"0", 0}, {"folder", 1}}) {
        const std::vector<std::string> sorted =
            Lines(run({"--format", "tsv", "--sort", pszColumn, "--descending"}).m_strOut);
        EXPECT_EQ(std::multiset<std::string>(sorted.begin(), sorted.end()),
                  std::multiset<std::string>(streamed.begin(), streamed.end())) << pszColumn;
        for (std::size_t i = 2; i < sorted.size(); ++i)
            EXPECT_GE(CompareNoCase(Split(sorted[i - 1], '\t')[nColumn], Split(sorted[i], '\t')[nColumn]), 0) << i;
    }
    const nlohmann::json doc =
        nlohmann::json::parse(run({"--format", "json", "--sort", "target-modified"}).m_strOut);
    EXPECT_EQ(std::make_tuple(doc["format"], doc["version"], doc["files"], doc["matches"], doc["complete"]),
              std::make_tuple("twinex-results", 1, 13, 12, true));
    ASSERT_EQ(doc["rows"].size(), 12u);
    auto path = [](const nlohmann::json& row, const std::string& strKey) {
        std::string str = row[strKey].get<std::string>();
        EXPECT_TRUE(!row.contains(strKey + "_base64") || DecodeBase64(row[strKey + "_base64"], str));
        return str;
    };
    std::set<std::string> listed;
    std::int64_t tLast = 0;
    for (const auto& row : doc["rows"]) {
        const std::string strSource = path(row, "source");
        listed.insert(strSource);
        const std::string strTarget = path(row, "target");
        EXPECT_TRUE(paths.count(strTarget) && strTarget != strSource && ReadAll(strTarget) == ReadAll(strSource))
            << row;
        EXPECT_EQ(row.contains("source_base64"), strSource.find('\xff') != std::string::npos);
        struct stat st {};
        ASSERT_EQ(::lstat(strSource.c_str(), &st), 0);
        EXPECT_EQ(row["size"], st.st_size);
        EXPECT_EQ(row["source_mtime"], st.st_mtime);
        EXPECT_LE(tLast, row["target_mtime"].get<std::int64_t>());
        tLast = row["target_mtime"];
    }
    EXPECT_EQ(listed, paths);
}

// Files that differ only past a 64 KiB prefix or in their last byte are never listed unless
// a looser comparison is asked for.
TEST(CliTest, CriteriaListWhatTheyCompare) {
    CTempTree tree;
    std::string strNear(90000, '\0'), strSame(90000, '\0');
    for (std::size_t i = 0; i < strNear.size(); ++i) {
        strNear[i] = static_cast<char>('a' + i % 23);
        strSame[i] = static_cast<char>('A' + i % 19);
    }
    tree.Add("near/a", strNear);
    tree.Add("near/b", strNear.substr(0, 70000) + std::string(20000, '!'));
    const std::string strLast(100000, 'z');
    tree.Add("last/a", strLast);
    tree.Add("last/b", strLast.substr(0, strLast.size() - 1) + "y");
    tree.Add("same/a", strSame);
    tree.Add("same/b", strSame);
    const std::set<std::string> exact = {"same/a", "same/b"};
    const std::set<std::string> loose = {"near/a", "near/b", "last/a", "last/b", "same/a", "same/b"};
    const std::vector<std::pair<std::vector<std::string>, std::set<std::string>>> cases = {
        {{}, exact},
        {{"--by", "contents"}, exact},
        {{"--by", "crc32", "--partial", "64"}, loose},
        {{"--by", "contents", "--partial", "64"}, loose},
        {{"--by", "size"}, loose},
        // 2^54 + 64 and 2^64 + 64 KiB: 64 KiB if bytes or kilobytes wrapped around 2^64.
        {{"--partial", "18014398509482048"}, exact},
        {{"--by", "crc32", "--partial", "018446744073709551680"}, exact},
    };
    for (const auto& [args, expected] : cases) {
        std::vector<std::string> argv = args;
        for (const char* psz : {"--format", "json", "--no-reflect"}) argv.push_back(psz);
        argv.push_back(tree.Root());
        const CResult r = RunCli(argv);
        ASSERT_EQ(r.m_nStatus, 0) << r.m_strErr;
        const nlohmann::json doc = nlohmann::json::parse(r.m_strOut);
        std::set<std::string> listed;
        for (const auto& row : doc["rows"])
            for (const char* pszKey : {"source", "target"})
                listed.insert(row[pszKey].get<std::string>().substr(tree.Root().size()));
        EXPECT_EQ(listed, expected) << args.size();
        if (args.empty()) {
            EXPECT_EQ(doc["criterion"], "contents");
            EXPECT_EQ(doc["partial_kb"], 0);
        }
    }
}

TEST(CliTest, MaskAndRecurseApplyToTheFoldersAfterThem) {
    CTempTree tree;
    for (const char* psz : {"a/x.txt", "a/sub/x.doc", "b/y.txt", "b/sub/y.txt", "b/y.doc", "c/z.TXT", "c/sub/z.txt"})
        tree.Add(psz, "same");
    const CResult r = RunCli({"--format", "tsv", tree.Path("a"), "--no-recurse", "--mask", " *.doc ;*.txt",
                              tree.Path("b"), "--recurse", "--mask=*.txt", tree.Path("c")});
    ASSERT_EQ(r.m_nStatus, 0) << r.m_strErr;
    std::set<std::string> sources;
    for (const std::string& strLine : Split(r.m_strOut, '\n')) {
        const std::vector<std::string> cells = Split(strLine, '\t');
        if (cells.size() == 7 && cells[0] != "Source") sources.insert(cells[1] + cells[0]);
    }
    const std::set<std::string> expected = {tree.Path("a/x.txt"), tree.Path("a/sub/x.doc"), tree.Path("b/y.txt"),
                                            tree.Path("b/y.doc"), tree.Path("c/z.TXT"), tree.Path("c/sub/z.txt")};
    EXPECT_EQ(sources, expected);
}

// Folder arguments relative to the working folder: what cannot be searched is named, and a
// search with nothing left to search fails. After "--" every argument is a folder.
TEST(CliTest, FoldersThatCannotBeSearched) {
    CTempTree tree;
    for (const char* psz : {"d/x", "d/y", "--by/x", "-x/y"}) tree.Add(psz, "same");
    tree.Add("file", "other");
    const struct {
        std::vector<std::string> args;
        int nStatus;
        std::size_t nRows;
        std::string strErr;
    } cases[] = {
        {{"missing"}, 1, 0, "cannot read '" + tree.Path("missing/") + "': No such file"},
        {{"file"}, 1, 0, "cannot read '" + tree.Path("file/") + "': Not a directory"},
        {{"--mask", "", "d"}, 1, 0, "--mask '' selects no file"},
        {{"--mask", " ;\t;", "d"}, 1, 0, "selects no file in '" + tree.Path("d/") + "'"},
        {{"d", "missing"}, 0, 2, "cannot read '" + tree.Path("missing/") + "'"},
        {{"--mask", ";;", "file", "--mask", "*", "d"}, 0, 2, "--mask ';;' selects no file"},
        {{"--", "--by", "-x"}, 0, 2, ""},
    };
    CSpawn spawn;
    spawn.m_strCwd = tree.Root();
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--format", "tsv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CResult r = CCliProcess(args, spawn).Wait();
        EXPECT_EQ(r.m_nStatus, c.nStatus) << c.args.back() << r.m_strErr;
        const std::size_t nLines = Split(r.m_strOut, '\n').size() - 1;
        EXPECT_EQ(nLines ? nLines - 1 : 0, c.nRows) << c.args.back();
        EXPECT_NE(r.m_strErr.find(c.strErr), std::string::npos) << r.m_strErr;
        EXPECT_EQ(r.m_strErr.find("nothing to search") != std::string::npos, c.nStatus == 1) << r.m_strErr;
    }
}

// Unsorted, the widths come from the first rows and a longer cell further down widens its
// column from its line on; sorted, from every row. Names are escaped for the terminal.
TEST(CliTest, TableWidthsOfManyRows) {
    CTempTree tree;
    // Empty files match unread; the long name sorts last, so shows only in the chain's last two
    // rows; a slightly longer one in the last two of the rows that set the widths; the first
    // name is as long as that one once escaped.
    const int nFiles = static_cast<int>(TABLE_WIDTH_ROWS) + 100;
    for (int i = 0; i < nFiles; ++i) {
        const bool bLonger = i + 1 == static_cast<int>(TABLE_WIDTH_ROWS);
        tree.Add(i == 0 ? "\t\xc2\x9b" : "n" + std::to_string(10000 + i) + (bLonger ? "xx" : ""), "");
    }
    const std::string strLong = "z" + std::string(80, 'l');
    tree.Add(strLong, "");
    for (bool bSort : {false, true}) {
        const CResult r = RunCli(bSort ? std::vector<std::string>{"--sort", "size", tree.Root()}
                                       : std::vector<std::string>{tree.Root()});
        ASSERT_EQ(r.m_nStatus, 0) << r.m_strErr;
        const std::vector<std::string> lines = Lines(r.m_strOut);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(nFiles) + 2);
        const std::size_t nWide = lines.size() - 2;  // the first line naming the long file
        EXPECT_EQ(lines[nWide].find(strLong), lines[0].find("Target"));
        EXPECT_EQ(lines[nWide + 1].find(strLong), 0u);
        // Unsorted: the target column widens on line nWide, the source column on the next.
        for (std::size_t i = 0; i < nWide; ++i)
            ASSERT_EQ(lines[i].size(), lines[bSort ? nWide : 0].size()) << bSort << " " << i;
        EXPECT_EQ(lines[nWide].size() - lines[0].size(), bSort ? 0 : strLong.size() - 8);
        EXPECT_EQ(lines.back().size() - lines[nWide].size(), bSort ? 0 : strLong.size() - 8);
        EXPECT_NE(lines[TABLE_WIDTH_ROWS].find("xx  "), std::string::npos);
        EXPECT_NE(r.m_strOut.find("\\t\\u{9b}  "), std::string::npos);
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Threads of 1 GiB of stack under a cap on address space: the search runs on the threads
// the system grants, and says so when it grants none.
TEST(CliTest, ThreadsTheSystemRefuses) {
    CTempTree tree;
    for (const char* psz : {"a", "b", "c"}) tree.Add(psz, "the same bytes");
    const struct {
        const char* pszVirtualKb;
        int nStatus;
        std::size_t nLines;
    } cases[] = {
        {"2700000", 0, 4},  // the search thread and one reader of four
        {"1500000", 0, 4},  // the search thread alone reads
        {"600000", 1, 0},   // no thread at all
    };
    for (const auto& c : cases) {
        CSpawn spawn;
        spawn.m_strLimits = std::string("ulimit -s 1048576 && ulimit -v ") + c.pszVirtualKb;
        const CResult r = CCliProcess({"--threads", "4", "--format", "tsv", tree.Root()}, spawn).Wait();
        if (r.m_nStatus == 77) GTEST_SKIP() << "limits refused";
        EXPECT_EQ(r.m_nStatus, c.nStatus) << c.pszVirtualKb << r.m_strErr;
        EXPECT_EQ(Split(r.m_strOut, '\n').size() - 1, c.nLines) << c.pszVirtualKb;
        EXPECT_EQ(r.m_strErr.find("cannot start a thread") != std::string::npos, c.nStatus != 0) << r.m_strErr;
    }
    CCliOptions opts;
    ASSERT_FALSE(ParseCommandLine({"--threads", "100000", "/"}, opts));
    EXPECT_EQ(opts.m_nThreads, 64u);
}
#endif

TEST(CliTest, FilesAreReadUnderALowDescriptorLimit) {
    CTempTree tree;
    const std::string strBytes(300 * 1024, 'x');  // read in blocks, held open between them
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 40; ++i)
            tree.Add("g" + std::to_string(g) + "/" + std::to_string(i), strBytes + char('a' + g));
    CSpawn spawn;
    spawn.m_strLimits = "ulimit -Sn 40 && ulimit -Hn 40";
    const CResult r = CCliProcess({"--threads", "2", "--format", "tsv", tree.Root()}, spawn).Wait();
    if (r.m_nStatus == 77) GTEST_SKIP() << "limit refused";
    EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
    EXPECT_EQ(Split(r.m_strOut, '\n').size() - 1, 1 + 3 * 40u);  // header, each file once as source
    EXPECT_EQ(r.m_strErr.find("cannot read"), std::string::npos) << r.m_strErr;
}

TEST(CliTest, FilesDeeperThanAPathCanNameAreCompared) {
    CTempTree tree;
    int fd = ::open(tree.Root().c_str(), O_DIRECTORY | O_RDONLY);
    const std::string strName(200, 'd');
    std::string strDeep = tree.Root();
    for (int i = 0; i < 25; ++i) {  // about 5,000 bytes of path
        ASSERT_EQ(::mkdirat(fd, strName.c_str(), 0755), 0);
        const int fdNext = ::openat(fd, strName.c_str(), O_DIRECTORY | O_RDONLY);
        ::close(fd);
        ASSERT_GE(fd = fdNext, 0);
        strDeep += strName + "/";
    }
    for (const auto& [pszName, pszBytes] : {std::pair{"a", "same bytes"}, {"b", "same bytes"}, {"c", "other byte"}}) {
        const int fdFile = ::openat(fd, pszName, O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::write(fdFile, pszBytes, 10), 10);
        ::close(fdFile);
    }
    ::close(fd);
    for (const char* pszBy : {"contents", "crc32", "checksum"}) {
        const CResult r = RunCli({"--by", pszBy, "--format", "tsv", "--no-reflect", tree.Root()});
        EXPECT_EQ(r.m_nStatus, 0) << pszBy << r.m_strErr;
        const std::vector<std::string> lines = Lines(r.m_strOut);
        ASSERT_EQ(lines.size(), 2u) << pszBy << r.m_strErr;  // header, a-b
        EXPECT_EQ(Split(lines[1], '\t')[0] + Split(lines[1], '\t')[3], "ab") << pszBy;
    }
    ASSERT_EQ(std::system(("rm -rf '" + tree.Root() + "'").c_str()), 0);  // deeper than remove_all goes
}

// Root reads every file: the program runs as user 65534, from a copy that user can reach.
TEST(CliTest, UnreadableFilesAreNamedAndCounted) {
    CTempTree tree, bin;
    const std::string a = tree.Add("a", "same"), b = tree.Add("b", "same"), c = tree.Add("c", "same");
    const std::string strCopy = bin.Path("twinex-cli");
    ASSERT_EQ(std::system(("cp '" + std::string(TWINEX_CLI_PATH) + "' '" + strCopy + "'").c_str()), 0);
    for (const std::string& strPath : {tree.Root(), bin.Root(), strCopy}) ASSERT_EQ(::chmod(strPath.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(b.c_str(), 0), 0);
    CSpawn spawn;
    spawn.m_strProgram = strCopy;
    if (::geteuid() == 0) spawn.m_prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    const CResult r = CCliProcess({"--format", "tsv", tree.Root()}, spawn).Wait();
    if (r.m_nStatus == 127 || r.m_nStatus == 126 || (r.m_nStatus != 0 && r.m_strOut.empty() && ::access(b.c_str(), R_OK) != 0))
        GTEST_SKIP() << "no unprivileged user could run the program: " << r.m_strErr;
    if (::geteuid() != 0 && ::access(b.c_str(), R_OK) == 0) GTEST_SKIP() << "this user reads every file";
    EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
    EXPECT_EQ(Split(r.m_strOut, '\n').size() - 1, 3u);  // header, a and c both ways
    EXPECT_EQ(r.m_strOut.find("\tb\t"), std::string::npos);
    const std::string strWarning = "warning: cannot read '" + b + "': Permission denied";
    ASSERT_NE(r.m_strErr.find(strWarning), std::string::npos) << r.m_strErr;
    EXPECT_EQ(r.m_strErr.find(strWarning, r.m_strErr.find(strWarning) + 1), std::string::npos);
    EXPECT_NE(r.m_strErr.find("Matched 2 in 3 file(s), 1 could not be read"), std::string::npos) << r.m_strErr;
}

TEST(CliTest, InterruptCancelsTheMatch) {
    CTempTree tree;
    // Two large sparse twins: reading them takes seconds, collecting them no time.
    for (const char* psz : {"big1", "big2"}) {
        tree.Add(psz, "");
        std::filesystem::resize_file(tree.Path(psz), 8ull << 30);
    }
    CCliProcess process({"--by", "contents", "--partial", "0", "--format", "json", tree.Root()});
    const auto start = std::chrono::steady_clock::now();
    while (process.Err().find("Done - Found 2 file(s).") == std::string::npos &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    process.Signal(SIGINT);
    const CResult r = process.Wait();
    EXPECT_EQ(r.m_nStatus, 130);
    EXPECT_NE(r.m_strErr.find("Match aborted."), std::string::npos) << r.m_strErr;
    EXPECT_EQ(r.m_strOut, "");
}

// Ctrl-C at the first byte of output stops the rows, whether they stream or wait for the
// sort or the table's widths.
TEST(CliTest, InterruptStopsTheRows) {
    CTempTree tree;
    // Empty files match without being read; long names make rows of many pipe-fulls.
    constexpr int FILES = 3000;
    for (int i = 0; i < FILES; ++i) tree.Add(std::string(120, 'n') + std::to_string(i), "");
    CSpawn pipe;
    pipe.m_bPipeOut = true;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"--sort", "source"}, {"--format", "tsv"}, {"--format", "json", "--sort", "size"}}) {
        std::vector<std::string> argv = args;
        argv.push_back(tree.Root());
        CCliProcess process(argv, pipe);
        std::string strOut;
        char buf[1 << 16];
        for (ssize_t n; (n = ::read(process.OutFd(), buf, sizeof buf)) > 0;) {
            if (strOut.empty()) process.Signal(SIGINT);
            strOut.append(buf, static_cast<std::size_t>(n));
        }
        const CResult r = process.Wait();
        EXPECT_EQ(r.m_nStatus, 130) << args.size() << r.m_strErr;
        EXPECT_LT(std::count(strOut.begin(), strOut.end(), '\n'), FILES) << args.size();
        EXPECT_EQ(r.m_strErr.find("Match done."), std::string::npos) << r.m_strErr;
    }
}

}  // namespace
