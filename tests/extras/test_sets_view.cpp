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
#include "ViewServices.h"

namespace {

class CRecordingLauncher : public IFileLauncher {
public:
    QString FindDefaultApplication(const QStringList&) override {
        return QStringLiteral("x.desktop");
    }
    bool OpenFile(const std::string& strPath) override {
        m_opened.push_back(strPath);
        return true;
    }
    std::vector<std::string> m_opened;
};

class SetsViewTest : public CFrameTest {
protected:
    CSetsView& Tree() { return *m_pFrame->GetSetsPanel()->GetView(); }
    CSetsModel& Sets() { return *Tree().GetModel(); }
    void ShowSets() {
        if (!m_pFrame->IsShowingSets()) Command(ID_VIEW_DUPLICATESETS);
        ASSERT_TRUE(m_pFrame->IsShowingSets());
        Sets().EnsureBuilt();
    }
    QModelIndex FileIndex(const std::string& strPath) {
        for (int s = 0; s < Sets().rowCount(); ++s) {
            const QModelIndex set = Sets().index(s, 0);
            for (int f = 0; f < Sets().rowCount(set); ++f)
                if (Sets().GetFilePath(Sets().FileAt(Sets().index(f, 0, set))) == strPath)
                    return Sets().index(f, 0, set);
        }
        return QModelIndex();
    }
    QVariant Check(const std::string& strPath) {
        return FileIndex(strPath).data(Qt::CheckStateRole);
    }
    void SetCheck(const std::string& strPath, Qt::CheckState nState) {
        ASSERT_TRUE(Sets().setData(FileIndex(strPath), nState, Qt::CheckStateRole)) << strPath;
    }
    // The texts of one column over the set rows, top to bottom.
    QStringList SetColumn(int nColumn) {
        QStringList texts;
        for (int s = 0; s < Sets().rowCount(); ++s)
            texts << Sets().index(s, nColumn).data().toString();
        return texts;
    }
    bool PaneShows(const char* pszText) {
        return WaitFor([&] { return m_pFrame->GetSpacePaneText() == QLatin1String(pszText); },
                       2000);
    }
};

// Synthetic rows (no files on disk): set by set, each file paired with the next and back.
void AddReflectedSet(std::vector<CResultRow>& rows, const std::vector<std::string>& files,
                     std::uint64_t nSize) {
    for (std::size_t i = 0; i + 1 < files.size(); ++i) {
        rows.push_back(
            {files[i], files[i + 1], nSize, 100 + std::int64_t(i), 101 + std::int64_t(i)});
        rows.push_back(
            {files[i + 1], files[i], nSize, 101 + std::int64_t(i), 100 + std::int64_t(i)});
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

    // c2 is only ever a target: there is no row to select for it, so no box; it still opens.
    EXPECT_FALSE(Sets().flags(FileIndex(c2)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(Check(c2).isValid());
    CRecordingLauncher launcher;
    View().Services().pLauncher = &launcher;
    const QPoint pt =
        Tree().visualRect(FileIndex(c2).siblingAtColumn(CSetsModel::COL_FOLDER)).center();
    QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, pt);
    QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, {}, pt);
    EXPECT_EQ(launcher.m_opened, std::vector<std::string>{c2});

    SetCheck(a2, Qt::Checked);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 2}));
    // Rows selected in the list check their files, partly when only some of a file's rows are.
    Select({0, 2, 4});
    EXPECT_EQ(Check(a1), Qt::Checked);
    EXPECT_EQ(Check(a2), Qt::PartiallyChecked);
    EXPECT_EQ(Check(a3), Qt::Unchecked);
    EXPECT_EQ(Check(c1), Qt::Checked);
    // A sort of the list moves rows, not sets: the boxes stay, and follow the rows' new places.
    Model().OnColumnClick(COL_TARGET_FOLDER);
    Model().OnColumnClick(COL_TARGET_FOLDER);
    EXPECT_EQ(Check(a2), Qt::PartiallyChecked);
    EXPECT_EQ(Check(a3), Qt::Unchecked);
    auto rowsOf = [this](std::initializer_list<std::string> files) {
        std::vector<int> rows;
        for (int i = 0; i < Model().GetRowCount(); ++i)
            if (std::find(files.begin(), files.end(), Model().GetSourcePath(i)) != files.end())
                rows.push_back(i);
        return rows;
    };
    // Space on a partly checked file, through the view's own delegate, checks it whole.
    Tree().setFocus();
    Tree().setCurrentIndex(FileIndex(a2));
    QTest::keyClick(&Tree(), Qt::Key_Space);
    EXPECT_EQ(Selected(), rowsOf({a1, a2, c1}));
    SetCheck(a1, Qt::Unchecked);
    EXPECT_EQ(Selected(), rowsOf({a2, c1}));
    // Select All from the keys while the tree has the focus: every file with rows is checked.
    QTest::keyClick(&Tree(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected().size(), 5u);
    EXPECT_EQ(Check(a3), Qt::Checked);

    // New rows while the tree is shown: it follows once they settle.
    SetRows({PairRow(a1, a2)});
    EXPECT_TRUE(WaitFor([&] { return Sets().rowCount() == 1 && !FileIndex(a3).isValid(); }));
}

// The same files chosen in either view go; then Keep Newest from the tree removes exactly the
// files the tree did not mark as kept.
TEST_F(SetsViewTest, DeleteFromTheTreeRemovesWhatTheListWould) {
    std::vector<bool> left[2];
    for (const bool bTree : {false, true}) {
        const std::string strRoot = bTree ? "tree/" : "list/";
        const std::string a1 = File(strRoot + "a1", "AAAA", 100),
                          a2 = File(strRoot + "a2", "AAAA", 300),
                          a3 = File(strRoot + "x/a3", "AAAA", 200);
        const std::string b1 = File(strRoot + "b1", "BB"), b2 = File(strRoot + "b2", "BB");
        std::vector<CResultRow> rows = ReflectedSetRows({a1, a2, a3});
        rows.push_back(PairRow(b1, b2));
        SetRows(std::move(rows));
        m_prompt.PushAnswer(true);
        if (bTree) {
            ShowSets();
            SetCheck(a2, Qt::Checked);
            SetCheck(b1, Qt::Checked);
            Tree().setFocus();
            QTest::keyClick(&Tree(), Qt::Key_Delete);
            // b2 was the target of b1's row alone; a2, gone, is still the target of two rows
            // but no longer a copy.
            EXPECT_TRUE(
                WaitFor([&] { return Sets().rowCount() == 1 && !FileIndex(b1).isValid(); }));
            EXPECT_FALSE(FileIndex(a2).isValid());
            EXPECT_TRUE(PaneShows("1 set, 1 extra copy, 0.00 KB to free"));
        } else {
            Select({1, 2, 4});
            Key(Qt::Key_Delete);
        }
        for (const std::string& f : {a1, a2, a3, b1, b2}) left[bTree].push_back(Exists(f));
    }
    EXPECT_EQ(left[0], (std::vector<bool>{true, false, true, false, true}));
    EXPECT_EQ(left[1], left[0]);

    const std::string k1 = File("k/1", "KKK", 100), k2 = File("k/2", "KKK", 300),
                      k3 = File("k/3", "KKK", 200), m1 = File("m/1", "MM", 50),
                      m2 = File("m/2", "MM", 100);
    std::vector<CResultRow> rows = ReflectedSetRows({k1, k2, k3});
    rows.push_back(PairRow(m1, m2));
    SetRows(std::move(rows));
    ASSERT_TRUE(WaitFor([&] { return Sets().rowCount() == 2; }));
    std::vector<std::string> kept;
    for (int s = 0; s < 2; ++s) {
        const QModelIndex first = Sets().index(0, CSetsModel::COL_NOTE, Sets().index(s, 0));
        EXPECT_EQ(first.data().toString(), QStringLiteral("Keeps"));
        kept.push_back(std::string(Sets().GetFilePath(Sets().FileAt(first))));
    }
    EXPECT_EQ(kept, (std::vector<std::string>{k2, m2}));  // m2, only a target, is kept all the same
    Command(ID_EDIT_SELECTNEWEST);
    m_prompt.PushAnswer(true);
    QTest::keyClick(&Tree(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(Exists(k2) && Exists(m2));
    EXPECT_FALSE(Exists(k1) || Exists(k3) || Exists(m1));
}

TEST_F(SetsViewTest, SetsSortByTheChosenKeyAndEmptyFilesComeLast) {
    std::vector<CResultRow> rows;
    AddReflectedSet(rows, {"/b/e1", "/b/e2", "/b/e3", "/b/e4", "/b/e5"}, 0);
    AddReflectedSet(rows, {"/z/p1", "/z/p2"}, 5000);
    AddReflectedSet(rows, {"/a/q1", "/a/q2", "/a/q3", "/a/q4"}, 1000);
    const std::size_t nR = rows.size();
    AddReflectedSet(rows, {"/m/r1", "/q/r2", "/m/r3"}, 3000);
    rows[nR].m_bSourceReference = rows[nR + 1].m_bTargetReference = true;  // /m/r1, the oldest
    SetRows(std::move(rows));
    ShowSets();

    // By space to free at first; the folder that holds most of a set's files stands for it.
    EXPECT_EQ(SetColumn(CSetsModel::COL_FOLDER), (QStringList{"/m/", "/z/", "/a/", "/b/"}));
    EXPECT_EQ(SetColumn(CSetsModel::COL_NAME),
              (QStringList{
                  "3 copies of 2.93 KB, 5.86 KB to free", "2 copies of 4.88 KB, 4.88 KB to free",
                  "4 copies of 0.98 KB, 2.93 KB to free", "5 copies of 0 bytes, 0 bytes to free"}));
    // The reference file stays before the newest and is tagged; the newest stays in the others.
    const QModelIndex r = Sets().index(0, 0);
    EXPECT_EQ(Sets().GetFilePath(Sets().FileAt(Sets().index(0, 0, r))), "/m/r1");
    EXPECT_EQ(Sets().index(0, CSetsModel::COL_NOTE, r).data().toString(),
              QStringLiteral("Reference"));
    EXPECT_EQ(Sets().GetFilePath(Sets().FileAt(Sets().index(0, 0, Sets().index(1, 0)))), "/z/p2");

    const std::pair<CSetsModel::ESetSort, QStringList> orders[] = {
        {CSetsModel::SORT_SIZE, {"/z/", "/m/", "/a/", "/b/"}},
        {CSetsModel::SORT_COPIES, {"/a/", "/m/", "/z/", "/b/"}},
        {CSetsModel::SORT_FOLDER, {"/a/", "/m/", "/z/", "/b/"}},
        {CSetsModel::SORT_SPACE, {"/m/", "/z/", "/a/", "/b/"}},
    };
    for (const auto& [nSort, order] : orders) {
        m_pFrame->GetSetsPanel()->GetSortChoice()->setCurrentIndex(nSort);
        EXPECT_EQ(SetColumn(CSetsModel::COL_FOLDER), order) << nSort;
    }
}

TEST_F(SetsViewTest, SpaceLineCountsSetsThenTheSelection) {
    std::vector<CResultRow> rows;
    AddReflectedSet(rows, {"/a/1", "/a/2", "/a/3"}, 2048);  // /a/2 is the source of rows 1 and 2
    AddReflectedSet(rows, {"/b/1", "/b/2"}, 1048576);
    AddReflectedSet(rows, {"/e/1", "/e/2", "/e/3"}, 0);
    SetRows(std::move(rows));
    // Empty files are a set, but neither an extra copy nor space.
    EXPECT_TRUE(PaneShows("3 sets, 3 extra copies, 1.00 MB to free"));
    EXPECT_EQ(m_pFrame->GetMessagePaneText(), QStringLiteral("Ready"));

    Select({1, 2});
    EXPECT_TRUE(PaneShows("1 file selected, 2.00 KB"));
    Select({1, 2, 3, 4});
    EXPECT_TRUE(PaneShows("3 files selected, 1.00 MB"));
    Select({});
    EXPECT_TRUE(PaneShows("3 sets, 3 extra copies, 1.00 MB to free"));

    // The sets follow the rows: a sort keeps them, a removal changes them.
    Model().OnColumnClick(COL_SOURCE_FOLDER);
    Model().RemoveRowsIf([](const CResultItem& item) { return item.m_strSourcePath == "/b/1"; });
    EXPECT_TRUE(PaneShows("2 sets, 2 extra copies, 4.00 KB to free"));
    m_prompt.PushAnswer(true);
    Command(ID_SEARCH_CLEARRESULTS);
    EXPECT_TRUE(PaneShows(""));
}
