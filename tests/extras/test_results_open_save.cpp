// Results files in the main window: Save Results As and Open Results.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "ActionsSupport.h"
#include "ResTables.h"
#include "ResultsIO.h"
#include "Resource.h"
#include "SearchState.h"
#include "Title.h"

namespace {

using CRowCopy = std::tuple<std::string, std::string, std::uint64_t, std::int64_t, std::int64_t, bool, bool>;

std::vector<CRowCopy> RowsOf(const CResultModel& model) {
    std::vector<CRowCopy> rows;
    for (int i = 0; i < model.GetRowCount(); ++i) {
        const CResultItem& r = model.GetItem(i);
        rows.emplace_back(r.m_strSourcePath, r.m_strTargetPath, r.m_nSize, r.m_tSource, r.m_tTarget,
                          r.m_bSourceReference, r.m_bTargetReference);
    }
    return rows;
}

// What a look at a name tells without following a link: its type, its device numbers and
// its size.
std::tuple<mode_t, dev_t, off_t> NodeOf(const std::string& strPath) {
    struct stat st {};
    if (lstat(strPath.c_str(), &st) != 0) return {};
    return {st.st_mode & S_IFMT, st.st_rdev, st.st_size};
}

}  // namespace

TEST_F(CFrameTest, SavedResultsOpenWithEveryRowAndLeaveOutWhatChanged) {
    const std::string a = File("a/caf\xe9.txt", "same", 1000), b = File("b/\xff\xfe name", "same", -5),
                      c = File("c/plain", "same", 3000000000);
    std::vector<CResultRow> rows = ReflectedSetRows({a, b, c});
    rows.push_back(PairRow(File("d/1", "other", 7), File("e/2", "other", 8)));
    // Reference marks travel with the rows.
    rows[0].m_bTargetReference = rows[1].m_bSourceReference = rows.back().m_bSourceReference = true;
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

// Saving replaces a regular file or makes a new one, never anything else; a link is written
// through to its target only when that is a regular file.
TEST_F(CFrameTest, SavingOntoWhatIsNotARegularFileIsRefusedAndLeavesItAsItWas) {
    SetRows({PairRow(File("a", "same", 1), File("b", "same", 2))});
    const std::vector<CRowCopy> rows = RowsOf(Model());
    const std::string strFifo = m_tree.Path("fifo"), strFifoLink = m_tree.Path("to-fifo"),
                      strDangling = m_tree.Path("to-none");
    m_tree.AddDir("dir/inside");
    ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink(strFifo.c_str(), strFifoLink.c_str()), 0);
    ASSERT_EQ(symlink(m_tree.Path("none").c_str(), strDangling.c_str()), 0);
    // Every name in the folder as a look at it tells, links not followed.
    const auto snapshot = [&] {
        std::map<std::string, std::tuple<mode_t, dev_t, off_t>> nodes;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_tree.Root()))
            nodes[entry.path().string()] = NodeOf(entry.path().string());
        return nodes;
    };
    const auto before = snapshot();

    for (const std::string& strPath : {strFifo, m_tree.Path("dir"), strFifoLink, strDangling}) {
        SCOPED_TRACE(strPath);
        m_prompt.m_asked.clear();
        m_pFrame->SetMessagePaneText("before");
        std::string strTarget;
        EXPECT_EQ(ResolveSaveTarget(strPath, strTarget), EINVAL);  // the first look, alone
        EXPECT_FALSE(m_pFrame->SaveResultsFile(QString::fromStdString(strPath)));
        ASSERT_EQ(m_prompt.m_asked.size(), 1u);
        EXPECT_TRUE(LastAsked().strText.contains("not a regular file"));
        EXPECT_EQ(m_pFrame->GetMessagePaneText(), "before");
        EXPECT_EQ(snapshot(), before);
    }

    // Through a link to a regular file: the file gets the results, the link stays a link.
    const std::string strTarget = File("old.json", "old"), strLink = m_tree.Path("to-old");
    ASSERT_EQ(symlink(strTarget.c_str(), strLink.c_str()), 0);
    m_prompt.m_asked.clear();
    EXPECT_TRUE(m_pFrame->SaveResultsFile(QString::fromStdString(strLink)));
    EXPECT_TRUE(m_prompt.m_asked.empty());
    EXPECT_EQ(std::get<0>(NodeOf(strLink)), S_IFLNK);
    EXPECT_NE(ReadAll(strTarget).find("twinex-results"), std::string::npos);
    Model().Clear();
    ASSERT_TRUE(m_pFrame->OpenResultsFile(strTarget));
    EXPECT_EQ(RowsOf(Model()), rows);
}
