// twinex-cli's reference folders, size limits and exclusions: options, and the built program.

#include <sys/mount.h>

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "CliOptions.h"
#include "CliProcess.h"
#include "TempTree.h"

namespace {

using CSourceMarks = std::set<std::pair<std::string, bool>>;  // source path, its mark

// Runs twinex-cli with JSON output; the rows' sources and their marks.
CSourceMarks Sources(const std::vector<std::string>& args, std::string* pOut = nullptr) {
    std::vector<std::string> argv = {"--format", "json", "--no-reflect"};
    argv.insert(argv.end(), args.begin(), args.end());
    const CResult r = RunCli(argv);
    EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
    if (pOut) *pOut = r.m_strOut;
    CSourceMarks sources;
    const nlohmann::json doc = nlohmann::json::parse(r.m_strOut);
    for (const auto& row : doc.at("rows")) {
        sources.emplace(row.at("source").get<std::string>(), row.value("source_reference", false));
        // Marks are written only when true.
        for (const char* pszKey : {"source_reference", "target_reference"})
            if (row.contains(pszKey)) {
                EXPECT_EQ(row.at(pszKey), true);
            }
    }
    return sources;
}

}  // namespace

TEST(CliFiltersTest, SizesTakeKMGSuffixesAndBadOnesExitWithStatusTwo) {
    constexpr std::uint64_t nMax = std::numeric_limits<std::uint64_t>::max();
    const std::pair<const char*, std::optional<std::uint64_t>> table[] = {
        {"0", 0},         {"10", 10},       {"1k", 1024},    {"2M", 2u << 20},  {"3g", 3ull << 30},
        {"18446744073709551615", nMax},     {"18446744073709551616", std::nullopt},
        {"17179869183G", nMax - (1u << 30) + 1}, {"17179869184G", std::nullopt},
        {"", std::nullopt}, {"K", std::nullopt}, {"1KB", std::nullopt}, {" 1", std::nullopt},
        {"1.5K", std::nullopt}, {"-1", std::nullopt}, {"1T", std::nullopt},
    };
    for (const auto& [pszText, nBytes] : table) EXPECT_EQ(ParseSize(pszText), nBytes) << pszText;

    // Each with the option the message must name.
    const std::pair<std::vector<std::string>, const char*> bad[] = {
        {{"--min-size", "ten", "/tmp"}, "--min-size"}, {{"--max-size=1T", "/tmp"}, "--max-size"},
        {{"/tmp", "--max-size"}, "--max-size"}, {{"--min-size", "2K", "--max-size", "2047", "/tmp"}, "--min-size"},
        {{"--reference=yes", "/tmp"}, "--reference"},
    };
    for (const auto& [args, pszOption] : bad) {
        const CResult r = RunCli(args);
        EXPECT_EQ(r.m_nStatus, 2) << pszOption;
        EXPECT_NE(r.m_strErr.find(pszOption), std::string::npos) << r.m_strErr;
    }
    const std::string strHelp = RunCli({"--help"}).m_strOut;
    for (const char* psz : {"--reference", "--no-reference", "--min-size", "--max-size", "1024", "'!"})
        EXPECT_NE(strHelp.find(psz), std::string::npos) << psz;
}

TEST(CliFiltersTest, ReferenceFoldersSizeLimitsAndExclusionsShapeTheRows) {
    CTempTree tree;
    const std::string strRef = tree.AddDir("ref"), strA = tree.AddDir("a"), strB = tree.AddDir("b");
    const std::pair<const char*, const char*> files[] = {
        {"ref/one", "O"}, {"a/one", "O"}, {"a/.git/obj", "O"}, {"b/obj", "O"}, {"ref/two", "T"},
        {"ref/sub/two", "T"}, {"a/three", "H"}, {"b/three", "H"}, {"a/e1", ""}, {"b/e2", ""},
        {"a/x.tmp", "X"}, {"b/x.tmp", "X"}};
    for (const auto& [pszPath, pszBytes] : files) tree.Add(pszPath, pszBytes);
    std::string strPlain;
    const CSourceMarks plain = Sources({strRef, strA, strB}, &strPlain);
    EXPECT_EQ(strPlain.find("reference"), std::string::npos);  // as before reference folders
    EXPECT_EQ(plain.size(), 7u);  // O (three rows), T, H, the empty files, X

    // Only the set with a file outside ref/ is listed: "two" is not; "one" is, marked in ref/.
    EXPECT_EQ(Sources({"--mask", "one;two", "--reference", strRef, "--no-reference", strA, strB}),
              (CSourceMarks{{tree.Path("a/one"), false}}));
    std::string strMarked;
    EXPECT_EQ(Sources({"--reflect", "--mask", "one", strA, "--reference", strRef}, &strMarked),
              (CSourceMarks{{tree.Path("a/one"), false}, {tree.Path("ref/one"), true}}));
    EXPECT_NE(strMarked.find(R"("target_reference":true)"), std::string::npos);

    // Empty files only while the minimum is 0; exclusions by name, folder and path.
    const CSourceMarks limited = Sources({"--min-size", "1", "--max-size", "1K", "--mask", "!*.TMP;!.git;!b/three",
                                          tree.Root()});
    EXPECT_EQ(limited, (CSourceMarks{{tree.Path("a/one"), false}, {tree.Path("b/obj"), false},
                                     {tree.Path("ref/sub/two"), false}}));
    EXPECT_TRUE(Sources({"--min-size", "2", tree.Root()}).empty());
    EXPECT_EQ(Sources({"--max-size", "0", tree.Root()}), (CSourceMarks{{tree.Path("a/e1"), false}}));
}

TEST(CliFiltersTest, OneFileSystemDoesNotEnterMountsBelowAFolder) {
    CTempTree tree;
    tree.Add("top/a", "the same bytes");
    tree.Add("top/sub/a", "the same bytes");  // an ordinary subfolder is still searched
    const std::string strMount = tree.AddDir("top/mnt");
    if (mount("twinex-test", strMount.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "no tmpfs could be mounted here (needs root): --one-file-system untested";
    { std::ofstream(strMount + "b", std::ios::binary) << "the same bytes"; }
    const CResult all = RunCli({"--format", "tsv", "--no-reflect", tree.Path("top")});
    const CResult one = RunCli({"--format", "tsv", "--no-reflect", "--one-file-system", tree.Path("top")});
    umount2(strMount.c_str(), MNT_DETACH);
    EXPECT_EQ(all.m_nStatus, 0);
    EXPECT_EQ(Split(all.m_strOut, '\n').size(), 4u) << all.m_strOut;  // header, two rows, ""
    EXPECT_EQ(one.m_nStatus, 0) << one.m_strErr;
    EXPECT_EQ(Split(one.m_strOut, '\n').size(), 3u) << one.m_strOut;  // a and sub/a alone
    EXPECT_EQ(one.m_strOut.find("mnt"), std::string::npos) << one.m_strOut;
    EXPECT_EQ(one.m_strErr.find("mnt"), std::string::npos) << "a mount left out is no error";
}
