// The duplicate-sets view beside the result list: check boxes that are the rows' selection,
// deletes that mean the same in both views, the order of the sets, and the space line.
#include <QComboBox>
#include <QTest>
#include <algorithm>

#include "ActionsSupport.h"
#include "ResTables.h"
#include "SetsModel.h"
#include "SetsPanel.h"
#include "SetsView.h"

namespace {

class SetsViewTest : public CFrameTest {
protected:
    CSetsView& Tree() { return *m_pFrame->GetSetsPanel()->GetView(); }
    CSetsModel& Sets() { return *Tree().GetModel(); }
    void ShowSets() {
        if (!m_pFrame->IsShowingSets()) Command(ID_VIEW_DUPLICATESETS);
        ASSERT_TRUE(m_pFrame->IsShowingSets());
        Sets().EnsureBuilt();
    }
    std::string PathAt(const QModelIndex& index) {
        return std::string(Sets().GetFilePath(Sets().FileAt(index)));
    }
    QModelIndex FileIndex(const std::string& strPath) {
        for (int s = 0; s < Sets().rowCount(); ++s)
            for (int f = 0; f < Sets().rowCount(Sets().index(s, 0)); ++f)
                if (PathAt(Sets().index(f, 0, Sets().index(s, 0))) == strPath)
                    return Sets().index(f, 0, Sets().index(s, 0));
        return QModelIndex();
    }
    QVariant Check(const std::string& strPath) {
        return FileIndex(strPath).data(Qt::CheckStateRole);
    }
    void SetCheck(const std::string& strPath, Qt::CheckState nState) {
        ASSERT_TRUE(Sets().setData(FileIndex(strPath), nState, Qt::CheckStateRole)) << strPath;
    }
    // The rows whose source is one of these files, in row order.
    std::vector<int> RowsOf(std::initializer_list<std::string> files) {
        std::vector<int> rows;
        for (int i = 0; i < Model().GetRowCount(); ++i)
            if (std::find(files.begin(), files.end(), Model().GetSourcePath(i)) != files.end())
                rows.push_back(i);
        return rows;
    }
    bool PaneShows(const char* pszText) {
        return WaitFor([&] { return m_pFrame->GetSpacePaneText() == QLatin1String(pszText); },
                       2000);
    }
};

// Synthetic rows (no files on disk): each file paired with the next and back, a second apart.
void AddReflectedSet(std::vector<CResultRow>& rows, const std::vector<std::string>& files,
                     std::uint64_t nSize) {
    for (std::int64_t i = 0; i + 1 < std::int64_t(files.size()); ++i) {
        rows.push_back({files[i], files[i + 1], nSize, 100 + i, 101 + i});
        rows.push_back({files[i + 1], files[i], nSize, 101 + i, 100 + i});
    }
}

}  // namespace

TEST_F(SetsViewTest, CheckBoxesAndRowSelectionStayInStep) {
    const std::string a1 = File("a/1", "AAAA", 100), a2 = File("a/2", "AAAA", 200),
                      a3 = File("b/3", "AAAA", 300), c1 = File("c/1", "CC"), c2 = File("c/2", "CC");
    std::vector<CResultRow> rows = ReflectedSetRows({a1, a2, a3});  // a2 is the source of 1 and 2
    rows.push_back(PairRow(c1, c2));
    SetRows(std::move(rows));
    ShowSets();
    ASSERT_EQ(Sets().rowCount(), 2);

    // c2 is only ever a target: there is no row to select for it, so no box.
    EXPECT_FALSE(Sets().flags(FileIndex(c2)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(Check(c2).isValid());

    SetCheck(a2, Qt::Checked);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 2}));
    // Rows selected in the list check their files, partly when only some of a file's rows are;
    // a sort of the list moves rows, not sets, and the boxes follow the rows' new places.
    Select({0, 2, 4});
    Model().OnColumnClick(COL_TARGET_FOLDER);
    Model().OnColumnClick(COL_TARGET_FOLDER);
    const std::pair<std::string, Qt::CheckState> states[] = {
        {a1, Qt::Checked}, {a2, Qt::PartiallyChecked}, {a3, Qt::Unchecked}, {c1, Qt::Checked}};
    for (const auto& [strPath, nState] : states) EXPECT_EQ(Check(strPath), nState) << strPath;
    // Space on a partly checked file, through the view's own delegate, checks it whole.
    Tree().setFocus();
    Tree().setCurrentIndex(FileIndex(a2));
    QTest::keyClick(&Tree(), Qt::Key_Space);
    EXPECT_EQ(Selected(), RowsOf({a1, a2, c1}));
    SetCheck(a1, Qt::Unchecked);
    EXPECT_EQ(Selected(), RowsOf({a2, c1}));
    // Select All from the keys while the tree has the focus: every file with rows is checked.
    QTest::keyClick(&Tree(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected().size(), 5u);
    EXPECT_EQ(Check(a3), Qt::Checked);

    // New rows while the tree is shown: it follows once they settle.
    SetRows({PairRow(a1, a2)});
    EXPECT_TRUE(WaitFor([&] { return Sets().rowCount() == 1 && !FileIndex(a3).isValid(); }));
}

// Files checked in the tree go as their rows would from the list.
TEST_F(SetsViewTest, DeleteFromTheTreeRemovesTheCheckedFiles) {
    const std::string a1 = File("a1", "AAAA", 100), a2 = File("a2", "AAAA", 300),
                      a3 = File("x/a3", "AAAA", 200), b1 = File("b1", "BB"), b2 = File("b2", "BB");
    std::vector<CResultRow> rows = ReflectedSetRows({a1, a2, a3});
    rows.push_back(PairRow(b1, b2));
    SetRows(std::move(rows));
    ShowSets();
    SetCheck(a2, Qt::Checked);
    SetCheck(b1, Qt::Checked);
    m_prompt.PushAnswer(true);
    Tree().setFocus();
    QTest::keyClick(&Tree(), Qt::Key_Delete);
    EXPECT_FALSE(Exists(a2) || Exists(b1));
    EXPECT_TRUE(Exists(a1) && Exists(a3) && Exists(b2));
    // b1's set is gone; a2, still the target of two rows, is no longer a copy.
    EXPECT_TRUE(WaitFor([&] { return Sets().rowCount() == 1 && !FileIndex(a2).isValid(); }));
    EXPECT_TRUE(PaneShows("1 set, 1 extra copy, 0.00 KB to free"));
}

// Sets by space to free, then by the chosen key, empty files last; the space line counts the
// sets, then the selection, and follows the rows.
TEST_F(SetsViewTest, SetsSortByTheChosenKeyAndTheSpaceLineFollows) {
    std::vector<CResultRow> rows;
    AddReflectedSet(rows, {"/b/e1", "/b/e2", "/b/e3", "/b/e4", "/b/e5"}, 0);
    AddReflectedSet(rows, {"/z/p1", "/z/p2"}, 5000);                    // rows 8, 9
    AddReflectedSet(rows, {"/a/q1", "/a/q2", "/a/q3", "/a/q4"}, 1000);  // q2 the source of 11, 12
    AddReflectedSet(rows, {"/m/r1", "/q/r2", "/m/r3"}, 3000);
    rows[16].m_bSourceReference = rows[17].m_bTargetReference = true;  // /m/r1, the oldest
    SetRows(std::move(rows));
    // Empty files are a set, but neither an extra copy nor space; a reference file is not extra.
    EXPECT_TRUE(PaneShows("4 sets, 6 extra copies, 13.67 KB to free"));
    Select({8, 10, 11, 12});
    EXPECT_TRUE(PaneShows("3 files selected, 6.84 KB"));
    Select({});
    EXPECT_TRUE(PaneShows("4 sets, 6 extra copies, 13.67 KB to free"));
    ShowSets();

    auto column = [this](int nColumn) {
        QStringList texts;
        for (int s = 0; s < Sets().rowCount(); ++s)
            texts << Sets().index(s, nColumn).data().toString();
        return texts;
    };
    // The reference file stays before the newest and is tagged; the newest stays in the others.
    const QModelIndex r = Sets().index(0, 0);
    EXPECT_EQ(PathAt(Sets().index(0, 0, r)), "/m/r1");
    EXPECT_EQ(Sets().index(0, CSetsModel::COL_NOTE, r).data().toString(), "Reference");
    EXPECT_EQ(PathAt(Sets().index(0, 0, Sets().index(1, 0))), "/z/p2");
    EXPECT_EQ(Sets().index(0, CSetsModel::COL_NOTE, Sets().index(1, 0)).data().toString(), "Keeps");
    // The folder that holds most of a set's files stands for it.
    const std::pair<CSetsModel::ESetSort, QStringList> orders[] = {
        {CSetsModel::SORT_SPACE, {"/m/", "/z/", "/a/", "/b/"}},
        {CSetsModel::SORT_SIZE, {"/z/", "/m/", "/a/", "/b/"}},
        {CSetsModel::SORT_COPIES, {"/a/", "/m/", "/z/", "/b/"}},
        {CSetsModel::SORT_FOLDER, {"/a/", "/m/", "/z/", "/b/"}},
    };
    for (const auto& [nSort, order] : orders) {
        m_pFrame->GetSetsPanel()->GetSortChoice()->setCurrentIndex(nSort);
        EXPECT_EQ(column(CSetsModel::COL_FOLDER), order) << nSort;
    }

    // A sort of the rows keeps the sets, a removal changes them.
    Model().OnColumnClick(COL_SOURCE_FOLDER);
    Model().RemoveRowsIf([](const CResultItem& item) { return item.m_strSourcePath == "/z/p1"; });
    EXPECT_TRUE(PaneShows("3 sets, 5 extra copies, 8.79 KB to free"));
    m_prompt.PushAnswer(true);
    Command(ID_SEARCH_CLEARRESULTS);
    EXPECT_TRUE(PaneShows(""));
}
