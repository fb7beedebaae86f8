// The results document: what is written reads back byte for byte, and what is not a sound
// document is refused with the reason, leaving the caller's rows alone.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "ResultsFile.h"
#include "TempTree.h"

namespace {

std::string Document(const std::vector<CResultsRecord>& rows, const std::string& strHead = {}) {
    std::string str = strHead.empty() ? FormatResultsHead("contents", "0", false) : strHead;
    for (std::size_t i = 0; i < rows.size(); ++i)
        str += ResultsRowSeparator(i) + FormatResultsRow(rows[i].strSource, rows[i].strTarget,
                                                         rows[i].nSize, rows[i].tSource,
                                                         rows[i].tTarget);
    return str + (rows.empty() ? "" : "\n") + FormatResultsTail(120, rows.size(), false);
}

// A document whose one row is rowText (a JSON object).
std::string OneRow(const std::string& strRow) {
    return R"({"format":"twinex-results","version":1,"rows":[)" + strRow + "]}";
}

const char* const GOOD_ROW =
    R"({"source":"/a/x","target":"/b/x","size":5,"source_mtime":1,"target_mtime":2})";

// A one-row document whose row is GOOD_ROW with strFrom changed to strTo.
std::string BadRow(const std::string& strFrom, const std::string& strTo) {
    std::string strRow = GOOD_ROW;
    return OneRow(strRow.replace(strRow.find(strFrom), strFrom.size(), strTo));
}

}  // namespace

TEST(ResultsFormat, EveryRowReadsBackWithItsExactBytes) {
    const std::vector<CResultsRecord> rows = {
        {"/home/a/caf\xe9.txt", "/home/b/\xff\xfe\x01 \"q\"\\", 18446744073709551615ull, -86400,
         4102444800},
        {"/home/a/\xc3\xa9t\xc3\xa9 \xf0\x9f\x98\x80", "/home/a/tab\there", 0, 0, 1},
    };
    CResultsInfo info;
    std::vector<CResultsRecord> back;
    CResultsError error;
    ASSERT_TRUE(ParseResults(Document(rows), info, back, error)) << error.strDetail;
    ASSERT_EQ(back.size(), rows.size());
    auto fields = [](const CResultsRecord& r) {
        return std::tie(r.strSource, r.strTarget, r.nSize, r.tSource, r.tTarget);
    };
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_TRUE(fields(back[i]) == fields(rows[i])) << i;
    EXPECT_EQ(info.strCriterion, "contents");
    EXPECT_EQ(info.nPartialKb, 0u);
    EXPECT_FALSE(info.bReflect);
    EXPECT_EQ(info.nFiles, 120u);
    EXPECT_FALSE(info.bComplete);

    // No rows is a sound document too; keys a later version may add are passed over.
    back = rows;
    ASSERT_TRUE(ParseResults(Document({}), info, back, error));
    EXPECT_TRUE(back.empty());
    const std::string strExtended =
        R"({"format":"twinex-results","version":1,"host":{"name":["x",{"y":null}]},"rows":[)"
        R"({"source":"/a/x","tags":[1,[2]],"target":"/b/x","size":5,"source_mtime":1,)"
        R"("target_mtime":2,"note":{"rows":[]}}]})";
    ASSERT_TRUE(ParseResults(strExtended, info, back, error)) << error.strDetail;
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].strTarget, "/b/x");
}

TEST(ResultsFormat, WhatIsNotSoundResultsIsRefusedWithItsReason) {
    struct CCase {
        std::string strText;
        EResultsStatus nStatus;
        std::size_t nRow;
        const char* pszDetail;
    };
    const std::string strHead = R"({"format":"twinex-results","version":1,"rows":[)";
    const std::vector<CCase> cases = {
        {"", RESULTS_NOT_JSON, 0, nullptr},
        {OneRow(GOOD_ROW).substr(0, 60), RESULTS_NOT_JSON, 0, nullptr},
        {OneRow(GOOD_ROW) + "x", RESULTS_NOT_JSON, 0, nullptr},
        {R"({"name":"twinex","rows":[1,2]})", RESULTS_FOREIGN, 0, nullptr},
        {R"([{"format":"twinex-results"}])", RESULTS_FOREIGN, 0, nullptr},
        {R"("twinex-results")", RESULTS_FOREIGN, 0, nullptr},
        {R"({"format":"other-results","version":1,"rows":[]})", RESULTS_FOREIGN, 0, nullptr},
        {R"({"format":"twinex-results","version":2,"rows":[]})", RESULTS_NEWER_VERSION, 0, nullptr},
        {R"({"format":"twinex-results","version":"1","rows":[]})", RESULTS_DAMAGED, 0, "version"},
        {R"({"format":"twinex-results","rows":[]})", RESULTS_DAMAGED, 0, "version"},
        {R"({"format":"twinex-results","version":1})", RESULTS_DAMAGED, 0, "rows"},
        {strHead + GOOD_ROW +
             R"(,{"source":"/a/y","target":"/b/y","source_mtime":1,"target_mtime":2}]})",
         RESULTS_DAMAGED, 2, "size"},
        {strHead + GOOD_ROW + ",7]}", RESULTS_DAMAGED, 2, "row"},
        {BadRow("5", "-5"), RESULTS_DAMAGED, 1, "size"},
        {BadRow(":1,", ":1.5,"), RESULTS_DAMAGED, 1, "source_mtime"},
        // Paths that would reach the file system other than as written.
        {BadRow("/a/x", "a/x"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("/b/x", "/b/"), RESULTS_DAMAGED, 1, "target"},
        {BadRow("/a/x", "/a/x\\u0000.jpg"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("\"target", "\"source_base64\":\"L2EvAHg=\",\"target"), RESULTS_DAMAGED, 1, "source"},
        {BadRow("\"target", "\"source_base64\":\"L2E$Lng=\",\"target"), RESULTS_DAMAGED, 1,
         "source_base64"},
        {BadRow("/b/x", "/a/x"), RESULTS_DAMAGED, 1, "target"},
    };
    for (const CCase& c : cases) {
        CResultsInfo info;
        info.nFiles = 77;
        std::vector<CResultsRecord> rows(3);
        CResultsError error;
        EXPECT_FALSE(ParseResults(c.strText, info, rows, error)) << c.strText;
        EXPECT_EQ(error.nStatus, c.nStatus) << c.strText;
        EXPECT_EQ(error.nRow, c.nRow) << c.strText;
        if (c.pszDetail) {
            EXPECT_EQ(error.strDetail, c.pszDetail) << c.strText;
        }
        EXPECT_EQ(rows.size(), 3u) << c.strText;
        EXPECT_EQ(info.nFiles, 77u) << c.strText;
        if (c.nStatus == RESULTS_NEWER_VERSION) {
            EXPECT_EQ(error.nVersion, 2);
        }
    }
}

TEST(ResultsFormat, OnlyRegularFilesAreRead) {
    CTempTree tree;
    const std::string strFile = tree.Add("r.json", "{\"a\":1}");
    std::string strText;
    EXPECT_EQ(ReadWholeFile(strFile, strText), 0);
    EXPECT_EQ(strText, "{\"a\":1}");
    EXPECT_EQ(ReadWholeFile(tree.AddDir("d"), strText), EISDIR);
    EXPECT_EQ(ReadWholeFile(tree.Path("none.json"), strText), ENOENT);
    // A FIFO with no writer would block a reader for ever.
    const std::string strFifo = tree.Path("fifo");
    ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(strFifo, strText), EINVAL);
}
