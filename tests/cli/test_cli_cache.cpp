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
    // --no-cache after --cache leaves every file alone.
    const std::string strOwn = home.Path("own/c.sqlite");
    spawn.m_strCacheHome = home.Path("none");
    const CResult off = CCliProcess({"--cache", strOwn, "--no-cache", "--by", "crc32", "--format", "tsv",
                                     tree.Root()}, spawn).Wait();
    EXPECT_EQ(off.m_nStatus, 0) << off.m_strErr;
    EXPECT_EQ(off.m_strOut, byDefault.m_strOut);
    EXPECT_FALSE(Exists(strOwn) || Exists(spawn.m_strCacheHome));
    EXPECT_EQ(RunCli({"--cache"}).m_nStatus, 2);
    // The file --cache names, damaged: set aside, said once on standard error, the search done.
    std::ofstream(home.Add("own/c.sqlite", "")) << std::string(5000, '#');
    const CResult r =
        CCliProcess({"--cache", strOwn, "--by", "contents", "--format", "tsv", tree.Root()}, spawn).Wait();
    EXPECT_EQ(r.m_nStatus, 0) << r.m_strErr;
    EXPECT_EQ(r.m_strOut, byDefault.m_strOut);
    const std::size_t nAt = r.m_strErr.find("twinex-cli: warning: The checksum cache");
    ASSERT_NE(nAt, std::string::npos) << r.m_strErr;
    EXPECT_EQ(r.m_strErr.find("checksum cache", nAt + 30), std::string::npos) << r.m_strErr;
    EXPECT_TRUE(Exists(strOwn + ".damaged") && Exists(strOwn));
    EXPECT_FALSE(Exists(spawn.m_strCacheHome));
}

}  // namespace
