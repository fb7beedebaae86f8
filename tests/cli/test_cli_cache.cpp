// twinex-cli and its checksum cache: where it goes, turning it off, a damaged one, two at once.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "CliProcess.h"

namespace {

bool Exists(const std::string& strPath) { return ::access(strPath.c_str(), F_OK) == 0; }

void AddCopies(CTempTree& tree) {
    for (const char* psz : {"a", "b", "c"}) tree.Add(psz, std::string(70000, 'z'));
    tree.Add("d", std::string(69999, 'z') + "y");
}

TEST(CliCacheTest, DefaultPlaceOwnFileOrNone) {
    CTempTree tree, home;
    AddCopies(tree);
    CSpawn spawn;
    spawn.m_strCacheHome = home.Path("xdg");
    const CResult byDefault = CCliProcess({"--by", "checksum", "--format", "tsv", tree.Root()}, spawn).Wait();
    ASSERT_EQ(byDefault.m_nStatus, 0) << byDefault.m_strErr;
    EXPECT_TRUE(Exists(home.Path("xdg/twinex/checksums.sqlite")));
    EXPECT_EQ(Split(byDefault.m_strOut, '\n').size(), 5u);  // header, a-b, b-c, c-b
    // --cache names the file; --no-cache after it leaves every file alone.
    const std::string strOwn = home.Path("own/c.sqlite");
    for (bool bOff : {true, false}) {
        std::vector<std::string> args{"--cache", strOwn, "--format", "tsv", tree.Root()};
        if (bOff) args.insert(args.begin() + 2, "--no-cache");
        spawn.m_strCacheHome = home.Path(bOff ? "none" : "unused");
        const CResult r = CCliProcess(args, spawn).Wait();
        EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
        EXPECT_EQ(r.m_strOut, byDefault.m_strOut);
        EXPECT_EQ(Exists(strOwn), !bOff);
        EXPECT_FALSE(Exists(spawn.m_strCacheHome));
    }
    EXPECT_EQ(RunCli({"--cache"}).m_nStatus, 2);
}

TEST(CliCacheTest, ADamagedCacheIsSaidOnceAndTwoSearchesAtOnceAgree) {
    CTempTree tree, dir;
    AddCopies(tree);
    const std::string strCache = dir.Path("c.sqlite");
    std::ofstream(strCache) << std::string(5000, '#');
    const CResult r = RunCli({"--cache", strCache, "--format", "tsv", tree.Root()});
    EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
    EXPECT_EQ(Split(r.m_strOut, '\n').size(), 5u);
    const std::size_t nAt = r.m_strErr.find("twinex-cli: warning: The checksum cache");
    ASSERT_NE(nAt, std::string::npos) << r.m_strErr;
    EXPECT_EQ(r.m_strErr.find("checksum cache", nAt + 30), std::string::npos) << r.m_strErr;
    EXPECT_TRUE(Exists(strCache + ".damaged"));

    std::vector<std::unique_ptr<CCliProcess>> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(std::make_unique<CCliProcess>(
            std::vector<std::string>{"--cache", strCache, "--by", i == 1 ? "crc32" : "contents", "--format", "tsv",
                                     tree.Root()}));
    for (auto& pRun : runs) {
        const CResult each = pRun->Wait();
        EXPECT_EQ(each.m_nStatus, 0) << each.m_strErr;
        EXPECT_EQ(each.m_strOut, r.m_strOut);
        EXPECT_EQ(each.m_strErr.find("checksum cache"), std::string::npos) << each.m_strErr;
    }
}

}  // namespace
