// twinex-cli and its checksum cache: where it goes, turning it off, a damaged one said once.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "CliProcess.h"

namespace {

bool Exists(const std::string& strPath) { return ::access(strPath.c_str(), F_OK) == 0; }

TEST(CliCacheTest, DefaultPlaceOwnFileOrNoneAndADamagedOneSaidOnce) {
    CTempTree tree, home;
    for (const char* psz : {"a", "b", "c"}) tree.Add(psz, std::string(70000, 'z'));
    tree.Add("d", std::string(69999, 'z') + "y");
    CSpawn spawn;
    spawn.m_strCacheHome = home.Path("xdg");
    const CResult byDefault = CCliProcess({"--by", "checksum", "--format", "tsv", tree.Root()}, spawn).Wait();
    ASSERT_EQ(byDefault.m_nStatus, 0) << byDefault.m_strErr;
    EXPECT_TRUE(Exists(home.Path("xdg/twinex/checksums.sqlite")));
    EXPECT_EQ(Split(byDefault.m_strOut, '\n').size(), 5u);  // header, a-b, b-c, c-b
    // --cache names the file; --no-cache after it leaves every file alone.
    const std::string strOwn = home.Path("own/c.sqlite");
    for (bool bOff : {true, false}) {
        std::vector<std::string> args{"--cache", strOwn, "--by", "crc32", "--format", "tsv", tree.Root()};
        if (bOff) args.insert(args.begin() + 2, "--no-cache");
        spawn.m_strCacheHome = home.Path(bOff ? "none" : "unused");
        const CResult r = CCliProcess(args, spawn).Wait();
        EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
        EXPECT_EQ(r.m_strOut, byDefault.m_strOut);
        EXPECT_EQ(Exists(strOwn), !bOff);
        EXPECT_FALSE(Exists(spawn.m_strCacheHome));
    }
    EXPECT_EQ(RunCli({"--cache"}).m_nStatus, 2);
    // Damaged: set aside, said once on standard error, the search done all the same.
    std::ofstream(strOwn, std::ios::trunc) << std::string(5000, '#');
    const CResult r = RunCli({"--cache", strOwn, "--by", "contents", "--format", "tsv", tree.Root()});
    EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
    EXPECT_EQ(r.m_strOut, byDefault.m_strOut);
    const std::size_t nAt = r.m_strErr.find("twinex-cli: warning: The checksum cache");
    ASSERT_NE(nAt, std::string::npos) << r.m_strErr;
    EXPECT_EQ(r.m_strErr.find("checksum cache", nAt + 30), std::string::npos) << r.m_strErr;
    EXPECT_TRUE(Exists(strOwn + ".damaged"));
}

}  // namespace
