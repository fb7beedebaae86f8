// Files under reference folders as the user meets them in the list: marked, and never removed
// by Del, Shift+Del, or Select All and Del (the keep-one helpers: test_selection_helpers.cpp).
#include <QIcon>
#include <set>

#include "ActionsSupport.h"
#include "ResTables.h"
#include "Resource.h"

namespace {

class ReferenceFilesTest : public CFrameTest {
protected:
    // The rows of a reflected set whose listed members lie under a reference folder.
    static std::vector<CResultRow> SetRows(const std::vector<std::string>& files,
                                           const std::set<std::string>& reference) {
        std::vector<CResultRow> rows = ReflectedSetRows(files);
        for (CResultRow& row : rows) {
            row.m_bSourceReference = reference.count(row.m_strSourcePath) > 0;
            row.m_bTargetReference = reference.count(row.m_strTargetPath) > 0;
        }
        return rows;
    }
    using CFrameTest::SetRows;
    void Show(std::vector<std::vector<CResultRow>> sets) {
        std::vector<CResultRow> rows;
        for (auto& set : sets) rows.insert(rows.end(), set.begin(), set.end());
        SetRows(std::move(rows));
    }
    std::vector<int> RowsFrom(const std::string& strSource) {
        std::vector<int> rows;
        for (int i = 0; i < Model().GetRowCount(); ++i)
            if (Model().GetSourcePath(i) == strSource) rows.push_back(i);
        return rows;
    }
    void SelectRows(const std::vector<int>& rows) {
        Model().GetSelectionModel()->clearSelection();
        for (int nRow : rows) Model().SetSelected(nRow, true);
    }
};

}  // namespace

TEST_F(ReferenceFilesTest, DelShiftDelAndSelectAllRemoveOnlyTheOtherFiles) {
    const std::string r1 = File("ref/r1", "AAAA"), a1 = File("a/1", "AAAA"), a2 = File("a/2", "AAAA");
    const std::string r2 = File("ref/r2", "BB"), b1 = File("b/1", "BB");
    Show({SetRows({a1, r1, a2}, {r1}), SetRows({r2, b1}, {r2})});

    // The list marks them: the padlock on the source's icon, a tip on either name.
    const int nRef = RowsFrom(r1).front(), nPlain = RowsFrom(a2).front();
    const QString strTip = LoadResString(IDS_REFERENCE_TIP);
    EXPECT_EQ(Model().index(nRef, COL_SOURCE).data(Qt::ToolTipRole).toString(), strTip);
    EXPECT_FALSE(Model().index(nPlain, COL_SOURCE).data(Qt::ToolTipRole).isValid());
    EXPECT_NE(Model().index(nRef, COL_SOURCE).data(Qt::DecorationRole).value<QIcon>().cacheKey(),
              Model().index(nPlain, COL_SOURCE).data(Qt::DecorationRole).value<QIcon>().cacheKey());
    for (int i = 0; i < Model().GetRowCount(); ++i)
        EXPECT_EQ(Model().index(i, COL_TARGET).data(Qt::ToolTipRole).isValid(),
                  Model().GetItem(i).m_bTargetReference);

    // Select All and Del: every other copy goes, the reference files stay for them.
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected().size(), static_cast<std::size_t>(Model().GetRowCount()));
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);
    EXPECT_TRUE(LastAsked().bQuestion);
    EXPECT_TRUE(LastAsked().strText.contains("these 3 files to the Trash"));
    EXPECT_TRUE(LastAsked().strText.contains(LoadResString(IDS_REFERENCE_KEPT).arg(2)));
    EXPECT_TRUE(Exists(r1) && Exists(r2));
    EXPECT_FALSE(Exists(a1) || Exists(a2) || Exists(b1));
    EXPECT_EQ(TrashFiles().size(), 3u);

    // Shift+Del on a mixed selection removes the other file for good.
    const std::string r3 = File("ref/r3", "CCC"), c1 = File("c/1", "CCC");
    Show({SetRows({r3, c1}, {r3})});
    Key(Qt::Key_A, Qt::ControlModifier);
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(LastAsked().strCaption, LoadResString(IDS_DELETE_CAPTION));
    EXPECT_TRUE(LastAsked().strText.contains(LoadResString(IDS_REFERENCE_KEPT).arg(1)));
    EXPECT_TRUE(Exists(r3));
    EXPECT_FALSE(Exists(c1));
    EXPECT_EQ(TrashFiles().size(), 3u);
}

TEST_F(ReferenceFilesTest, ASelectionOfReferenceFilesAloneIsToldItIsProtected) {
    const std::string r1 = File("ref/r1", "AAAA"), r2 = File("ref2/r1", "AAAA"), a1 = File("a/1", "AAAA");
    // r2 is marked on one row only, as its target: that protects it as well.
    std::vector<CResultRow> rows = SetRows({r1, r2, a1}, {r1});
    rows.front().m_bTargetReference = true;  // r1>r2
    Show({rows});
    std::vector<int> selected = RowsFrom(r1), more = RowsFrom(r2);
    selected.insert(selected.end(), more.begin(), more.end());
    SelectRows(selected);
    const std::size_t nRows = static_cast<std::size_t>(Model().GetRowCount());
    for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        m_prompt.m_asked.clear();
        Key(Qt::Key_Delete, modifiers);
        ASSERT_EQ(m_prompt.m_asked.size(), 1u);
        EXPECT_FALSE(LastAsked().bQuestion);
        EXPECT_EQ(LastAsked().strCaption, LoadResString(IDS_REFERENCE_CAPTION));
        EXPECT_EQ(LastAsked().strText, LoadResString(IDS_REFERENCE_PROTECTED).arg(2));
        EXPECT_TRUE(Exists(r1) && Exists(r2) && Exists(a1));
        EXPECT_EQ(Sources().size(), nRows);
    }
    EXPECT_TRUE(TrashFiles().empty());
}
