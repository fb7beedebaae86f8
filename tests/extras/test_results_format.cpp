// The results document: what is written reads back byte for byte, and what is not a sound
// document is refused with the reason, leaving the caller's rows alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "ResultsFile.h"
#include "TempTree.h"

namespace {

// A document of nRows sound rows, the last with strFrom changed to strTo.
std::string BadRow(const std::string& strFrom, const std::string& strTo, int nRows = 1) {
    const std::string strSound =
        R"({"source":"/a/x","target":"/b/x","size":5,"source_mtime":1,"target_mtime":2})";
    std::string strRows;
    for (int i = 1; i < nRows; ++i) strRows += strSound + ",";
    std::string strRow = strSound;
    strRow.replace(strRow.find(strFrom), strFrom.size(), strTo);
    return R"({"format":"twinex-results","version":1,"rows":[)" + strRows + strRow + "]}";
}

// A document without rows whose searched folders are strFolders.
std::string Folders(const std::string& strFolders) {
    return R"({"format":"twinex-results","version":1,"folders":[)" + strFolders + R"(],"rows":[]})";
}

}  // namespace

// Reference marks too: each side alone, both, and neither.
TEST(ResultsFormat, EveryRowReadsBackWithItsExactBytes) {
    const std::vector<CResultRow> rows = {
        {"/home/a/caf\xe9.txt", "/home/b/\xff\xfe\x01 \"q\"\\", 18446744073709551615ull, -86400,
         4102444800, true, false},
        {"/home/a/\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80", "/home/a/tab\there", 0,
         INT64_MIN, INT64_MAX, false, true},
        {"/r/a", "/r/b", 7, 1, 2, true, true},
        {"/p/a", "/p/b", 7, 1, 2},
    };
    const std::vector<std::string> folders = {"/home/a/", "/mnt/caf\xe9 \"x\"/"};
    std::string strDoc = FormatResultsHead("contents", "0", false, folders);
    for (std::size_t i = 0; i < rows.size(); ++i)
        strDoc += ResultsRowSeparator(i) + FormatResultsRow(rows[i]);
    strDoc += "\n" + FormatResultsTail(120, rows.size(), false);
    CResultsInfo info;
    std::vector<CResultRow> back;
    CResultsError error;
    ASSERT_TRUE(ParseResults(strDoc, info, back, error)) << error.strDetail;
    ASSERT_EQ(back.size(), rows.size());
    auto fields = [](const CResultRow& r) {
        return std::tie(r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource, r.m_tTarget,
                        r.m_bSourceReference, r.m_bTargetReference);
    };
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_TRUE(fields(back[i]) == fields(rows[i])) << i;
    // Without marks a row is written as before they existed.
    EXPECT_EQ(FormatResultsRow(rows[3]),
              R"({"source":"/p/a","target":"/p/b","size":7,"source_mtime":1,"target_mtime":2})");
    EXPECT_EQ(info.strCriterion, "contents");
    EXPECT_EQ(info.nFiles, 120u);
    EXPECT_EQ(info.folders, folders);
}

// A later writer may add fields anywhere; whatever they hold, even known names nested inside
// them, is passed over and the known fields still read.
TEST(ResultsFormat, UnknownKeysAndWhatTheyHoldArePassedOver) {
    const std::string strDoc =
        R"({"writer":{"rows":[1,{"format":"x"}],"size":"big"},"format":"twinex-results",)"
        R"("notes":[[],[{"version":9}],{"source":null}],"version":1,"criterion":"size",)"
        R"("rows":[{"tag":{"target":[1,2],"size":-1},"source":"/a/x","target":"/b/x",)"
        R"("thumb":[{"source_mtime":"x"}],"size":5,"source_mtime":-1,"target_mtime":2,)"
        R"("score":1.5,"seen":true,"none":null}],"files":3,"later":{"complete":"no"}})";
    CResultsInfo info;
    std::vector<CResultRow> rows;
    CResultsError error;
    ASSERT_TRUE(ParseResults(strDoc, info, rows, error)) << error.strDetail;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(std::tie(rows[0].m_strSourcePath, rows[0].m_strTargetPath, rows[0].m_nSize,
                       rows[0].m_tSource, rows[0].m_tTarget),
              std::make_tuple("/a/x", "/b/x", 5u, -1, 2));
    EXPECT_EQ(std::tie(info.strCriterion, info.nFiles, info.bComplete), std::make_tuple("size", 3u, true));
}

TEST(ResultsFormat, WhatIsNotSoundResultsIsRefusedWithItsReason) {
    struct CCase {
        std::string strText;
        EResultsStatus nStatus;
        std::size_t nRow;
        const char* pszDetail;
    };
    const std::vector<CCase> cases = {
        {BadRow("}", ""), RESULTS_NOT_JSON, 0, nullptr},
        {R"({"name":"twinex","rows":[1,2]})", RESULTS_FOREIGN, 0, nullptr},
        {R"([{"format":"twinex-results"}])", RESULTS_FOREIGN, 0, nullptr},
        {R"({"format":"twinex-results","version":2,"rows":[]})", RESULTS_NEWER_VERSION, 0, nullptr},
        {R"({"format":"twinex-results","version":"1","rows":[]})", RESULTS_DAMAGED, 0, "version"},
        {BadRow("\"size\":5,", ""), RESULTS_DAMAGED, 1, "size"},
        {BadRow(":1,", ":1.5,"), RESULTS_DAMAGED, 1, "source_mtime"},
        {BadRow(":2}", ":9223372036854775808}", 2), RESULTS_DAMAGED, 2, "target_mtime"},
        {BadRow(",\"target_mtime\":2", "", 3), RESULTS_DAMAGED, 3, "target_mtime"},
        // A mark that is not true or false could mean either.
        {BadRow(":2}", ":2,\"source_reference\":1}"), RESULTS_DAMAGED, 1, "source_reference"},
        {BadRow(":2}", ":2,\"target_reference\":[true]}", 2), RESULTS_DAMAGED, 2, "target_reference"},
        {BadRow("{\"source", "7,{\"source", 2), RESULTS_DAMAGED, 2, "row"},
        // Paths that would reach the file system other than as written.
        {BadRow("/a/x", "a/x"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("/a/x", "/a/x/"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("/a/x", "/"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("/a/x", "/a/x\\u0000.jpg"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("\"target", "\"source_base64\":\"L2EvAHg=\",\"target"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("/b/x", "b/x", 2), RESULTS_DAMAGED, 2, "target"},
        {BadRow("/b/x", "/b/"), RESULTS_DAMAGED, 1, "target"},
        {BadRow("/b/x", "/b/x\\u0000"), RESULTS_DAMAGED, 1, "target"},
        {BadRow("/b/x", "/a/x"), RESULTS_DAMAGED, 1, "target"},
        // The searched folders: a move keeps paths below them.
        {Folders(R"({"path":"a/"})"), RESULTS_DAMAGED, 0, "folders"},
        {Folders(R"({"path":"/a"})"), RESULTS_DAMAGED, 0, "folders"},
        {Folders(R"("/a/")"), RESULTS_DAMAGED, 0, "folders"},
        {Folders(R"({"path":7})"), RESULTS_DAMAGED, 0, "folders"},
        {Folders(R"({"path":"/a/","path_base64":"L2EvAC8="})"), RESULTS_DAMAGED, 0, "folders"},
    };
    for (const CCase& c : cases) {
        CResultsInfo info;
        info.nFiles = 77;
        std::vector<CResultRow> rows(3);
        CResultsError error;
        EXPECT_FALSE(ParseResults(c.strText, info, rows, error)) << c.strText;
        EXPECT_EQ(error.nStatus, c.nStatus) << c.strText;
        EXPECT_EQ(error.nRow, c.nRow) << c.strText;
        if (c.pszDetail) { EXPECT_EQ(error.strDetail, c.pszDetail) << c.strText; }
        EXPECT_EQ(rows.size(), 3u) << c.strText;
        EXPECT_EQ(info.nFiles, 77u) << c.strText;
    }
}

TEST(ResultsFormat, OnlyRegularFilesAreRead) {
    CTempTree tree;
    std::string strText;
    EXPECT_EQ(ReadWholeFile(tree.Add("r.json", "{\"a\":1}"), strText), 0);
    EXPECT_EQ(strText, "{\"a\":1}");
    EXPECT_EQ(ReadWholeFile(tree.AddDir("d"), strText), EISDIR);
    // A FIFO with no writer would block a reader for ever.
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(tree.Path("fifo"), strText), EINVAL);
}
