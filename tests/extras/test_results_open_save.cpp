// Results files in the main window: Save Results As and Open Results.
#include <unistd.h>

#include <fstream>

#include "ActionsSupport.h"
#include "ResTables.h"
#include "Resource.h"
#include "SearchState.h"
#include "Title.h"

namespace {

using CRowCopy = std::tuple<std::string, std::string, std::uint64_t, std::int64_t, std::int64_t>;

std::vector<CRowCopy> RowsOf(const CResultModel& model) {
    std::vector<CRowCopy> rows;
    for (int i = 0; i < model.GetRowCount(); ++i) {
        const CResultItem& r = model.GetItem(i);
        rows.emplace_back(r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource, r.m_tTarget);
    }
    return rows;
}

}  // namespace

TEST_F(CFrameTest, SavedResultsOpenWithEveryRowAndLeaveOutWhatChanged) {
    const std::string a = File("a/caf\xe9.txt", "same", 1000), b = File("b/\xff\xfe name", "same", -5),
                      c = File("c/plain", "same", 3000000000);
    std::vector<CResultRow> rows = ReflectedSetRows({a, b, c});
    rows.push_back(PairRow(File("d/1", "other", 7), File("e/2", "other", 8)));
    SetRows(std::move(rows));
    Model().OnColumnClick(COL_SOURCE);  // saved in the order shown
    const std::vector<CRowCopy> saved = RowsOf(Model());

    const QString strFile = QString::fromStdString(m_tree.Path("r.json"));
    m_pFrame->SetResultsPathAsker([&](bool) { return strFile; });
    Command(ID_FILE_SAVERESULTS);
    Model().Clear();
    g_nCollectedFiles = 0;
    Command(ID_FILE_OPENRESULTS);
    EXPECT_EQ(RowsOf(Model()), saved);
    EXPECT_EQ(m_pFrame->windowTitle(), FormatTitle(5, 42));
    EXPECT_TRUE(m_prompt.m_asked.empty());

    // Behind the program's back: b goes, d grows, c becomes a link to a copy of itself.
    ASSERT_EQ(unlink(b.c_str()), 0);
    File("d/1", "other!", 7);
    ASSERT_EQ(rename(c.c_str(), (c + ".old").c_str()), 0);
    ASSERT_EQ(symlink((c + ".old").c_str(), c.c_str()), 0);
    ASSERT_TRUE(m_pFrame->OpenResultsFile(strFile.toStdString()));
    std::vector<CRowCopy> expected;
    for (const CRowCopy& row : saved)
        if (std::get<0>(row) == a) expected.push_back(row);
    EXPECT_EQ(RowsOf(Model()), expected);
    EXPECT_TRUE(m_pFrame->GetMessagePaneText().contains("4 row(s) left out"));
}

TEST_F(CFrameTest, WhatIsNotResultsLeavesTheListAsItWas) {
    const std::string a = File("a", "same", 1), b = File("b", "same", 2);
    SetRows({PairRow(a, b), PairRow(b, a)});
    Select({1});
    const std::vector<CRowCopy> before = RowsOf(Model());
    const QString strTitle = m_pFrame->windowTitle();
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"cut.json", R"({"format":"twinex-results","version":1,"rows":[{"source":"/a",)"},
        {"other.json", R"({"name":"photos","rows":[{"file":"/a"}]})"},
        {"bad.json", R"({"format":"twinex-results","version":1,"rows":[{"source":"/x"}]})"},
        {"gone.json", ""},
    };
    for (const auto& [pszName, strText] : cases) {
        const std::string strPath = m_tree.Path(pszName);
        if (!strText.empty()) std::ofstream(strPath, std::ios::binary) << strText;
        m_prompt.m_asked.clear();
        EXPECT_FALSE(m_pFrame->OpenResultsFile(strPath)) << pszName;
        ASSERT_EQ(m_prompt.m_asked.size(), 1u) << pszName;
        EXPECT_TRUE(LastAsked().strText.endsWith("The result list was not changed."));
        EXPECT_EQ(RowsOf(Model()), before) << pszName;
        EXPECT_EQ(Selected(), std::vector<int>{1}) << pszName;
        EXPECT_EQ(m_pFrame->windowTitle(), strTitle);
    }
}
