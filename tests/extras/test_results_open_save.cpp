// Results files in the main window: Save Results As, Open Results, and the command line.
#include <unistd.h>

#include <fstream>

#include "CommandLine.h"
#include "ExtrasFixture.h"
#include "ResTables.h"
#include "Title.h"

namespace {

struct CRowCopy {
    std::string strSource, strTarget;
    std::uint64_t nSize;
    std::int64_t tSource, tTarget;
    bool operator==(const CRowCopy&) const = default;
};

std::vector<CRowCopy> RowsOf(const CResultModel& model) {
    std::vector<CRowCopy> rows;
    for (int i = 0; i < model.GetRowCount(); ++i) {
        const CResultItem& item = model.GetItem(i);
        rows.push_back({item.m_strSourcePath, item.m_strTargetPath, item.m_nSize, item.m_tSource,
                        item.m_tTarget});
    }
    return rows;
}

}  // namespace

TEST_F(ExtrasTest, SavedResultsOpenWithEveryRowAndLeaveOutWhatChanged) {
    const std::string a = File("a/caf\xe9.txt", "same", 1000),
                      b = File("b/\xff\xfe name", "same", -5),
                      c = File("c/plain", "same", 3000000000);
    const std::string d = File("d/1", "other", 7), e = File("e/2", "other", 8);
    std::vector<CResultRow> rows = ReflectedSetRows({a, b, c});
    rows.push_back(PairRow(d, e));
    SetRows(std::move(rows));
    Model().OnColumnClick(COL_SOURCE);  // saved in the order shown
    const std::vector<CRowCopy> saved = RowsOf(Model());

    const QString strFile = QString::fromStdString(m_tree.Path("r.json"));
    m_pFrame->SetResultsPathAsker([&](bool bSave) { return bSave ? strFile : QString(); });
    Command(ID_FILE_SAVERESULTS);
    EXPECT_EQ(m_pFrame->GetMessagePaneText(), QStringLiteral("Saved 5 row(s) to 'r.json'."));

    Model().Clear();
    g_nCollectedFiles = 0;
    m_pFrame->SetResultsPathAsker([&](bool bSave) { return bSave ? QString() : strFile; });
    Command(ID_FILE_OPENRESULTS);
    EXPECT_EQ(RowsOf(Model()), saved);
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle(5, 42));
    EXPECT_EQ(m_pFrame->GetMessagePaneText(), QStringLiteral("Opened 5 row(s) from 'r.json'."));
    EXPECT_TRUE(m_prompt.m_asked.empty());

    // Behind the program's back: b goes, d grows, c becomes a link to a copy of itself.
    ASSERT_EQ(unlink(b.c_str()), 0);
    File("d/1", "other!", 7);
    ASSERT_EQ(rename(c.c_str(), (c + ".old").c_str()), 0);
    ASSERT_EQ(symlink((c + ".old").c_str(), c.c_str()), 0);
    ASSERT_TRUE(m_pFrame->OpenResultsFile(strFile.toStdString()));
    std::vector<CRowCopy> expected;
    for (const CRowCopy& row : saved)
        if (row.strSource == a) expected.push_back(row);
    EXPECT_EQ(RowsOf(Model()), expected);
    EXPECT_EQ(m_pFrame->GetMessagePaneText(),
              QStringLiteral("Opened 1 row(s) from 'r.json'. 4 row(s) left out, because their "
                             "file is gone or its size has changed."));
}

TEST_F(ExtrasTest, WhatIsNotResultsLeavesTheListAsItWas) {
    const std::string a = File("a", "same", 1), b = File("b", "same", 2);
    SetRows({PairRow(a, b), PairRow(b, a)});
    Select({1});
    const std::vector<CRowCopy> before = RowsOf(Model());
    const QString strTitle = m_pFrame->windowTitle();

    struct CCase {
        const char* pszName;
        std::string strText;
        const char* pszSays;
    };
    const std::vector<CCase> cases = {
        {"cut.json", R"({"format":"twinex-results","version":1,"rows":[{"source":"/a",)",
         "it is not valid JSON"},
        {"other.json", R"({"name":"photos","rows":[{"file":"/a"}]})",
         "is not a Twinex results file."},
        {"newer.json", R"({"format":"twinex-results","version":3,"rows":[]})",
         "format version 3, written by a newer Twinex"},
        {"bad.json",
         R"({"format":"twinex-results","version":1,"rows":[{"source":"/x","target":"/y","size":1}]})",
         "in row 1, \"source_mtime\" is missing or wrong"},
        {"gone.json", "", "could not be read: No such file or directory"},
    };
    for (const CCase& c : cases) {
        const std::string strPath = m_tree.Path(c.pszName);
        if (!c.strText.empty()) std::ofstream(strPath, std::ios::binary) << c.strText;
        m_prompt.m_asked.clear();
        EXPECT_FALSE(m_pFrame->OpenResultsFile(strPath)) << c.pszName;
        ASSERT_EQ(m_prompt.m_asked.size(), 1u) << c.pszName;
        const CScriptedPrompt::CAsked& told = m_prompt.m_asked[0];
        EXPECT_FALSE(told.bQuestion);
        EXPECT_EQ(told.strCaption, QStringLiteral("Open Results"));
        EXPECT_TRUE(told.strText.startsWith(QLatin1Char('\'') + QLatin1String(c.pszName)))
            << told.strText.toStdString();
        EXPECT_TRUE(told.strText.contains(QString::fromUtf8(c.pszSays)))
            << told.strText.toStdString();
        EXPECT_TRUE(told.strText.endsWith(QStringLiteral("The result list was not changed.")));
        EXPECT_EQ(RowsOf(Model()), before) << c.pszName;
        EXPECT_EQ(Selected(), std::vector<int>{1}) << c.pszName;
        EXPECT_EQ(m_pFrame->windowTitle(), strTitle);
    }
}

TEST(CommandLine, TheFirstArgumentThatIsNoOptionIsTheResultsFile) {
    struct CCase {
        std::vector<const char*> args;
        const char* pszFile;  // null: none
    };
    const std::vector<CCase> cases = {
        {{"twinex"}, nullptr},
        {{"twinex", "r.json"}, "r.json"},
        {{"twinex", "--screenshot", "out.png", "--screenshot-state", "about"}, nullptr},
        {{"twinex", "--screenshot-search", "/data", "/tmp/r\xff.json", "x.json"},
         "/tmp/r\xff.json"},
        {{"twinex", "--", "--odd.json"}, "--odd.json"},
    };
    for (const CCase& c : cases) {
        std::vector<char*> argv;
        for (const char* psz : c.args) argv.push_back(const_cast<char*>(psz));
        const auto file = FindResultsFileArgument(static_cast<int>(argv.size()), argv.data());
        if (c.pszFile) {
            ASSERT_TRUE(file.has_value()) << c.pszFile;
            EXPECT_EQ(*file, c.pszFile);
        } else {
            EXPECT_FALSE(file.has_value());
        }
    }
}
