// Files under reference folders as the user meets them in the list: marked, and never removed
// by Del or Shift+Del (the keep-one helpers: test_selection_helpers.cpp).
#include <set>

#include "ActionsSupport.h"
#include "ResTables.h"
#include "Resource.h"

namespace {

// The rows of reflected sets whose listed members lie under a reference folder.
std::vector<CResultRow> RefRows(const std::vector<std::vector<std::string>>& sets,
                                const std::set<std::string>& reference) {
    std::vector<CResultRow> rows;
    for (const auto& files : sets)
        for (CResultRow& row : ReflectedSetRows(files)) {
            row.m_bSourceReference = reference.count(row.m_strSourcePath) > 0;
            row.m_bTargetReference = reference.count(row.m_strTargetPath) > 0;
            rows.push_back(std::move(row));
        }
    return rows;
}

class ReferenceFilesTest : public CFrameTest {};

}  // namespace

TEST_F(ReferenceFilesTest, ReferenceFilesAreMarkedAndStayThroughSelectAllAndDel) {
    const std::string r1 = File("ref/r1", "AAAA"), a1 = File("a/1", "AAAA"),
                      a2 = File("a/2", "AAAA");
    const std::string r2 = File("ref/r2", "BB"), b1 = File("b/1", "BB");
    SetRows(RefRows({{a1, r1, a2}, {r2, b1}}, {r1, r2}));

    // The list marks them with a tip on either name.
    const QString strTip = LoadResString(IDS_REFERENCE_TIP);
    for (int i = 0; i < Model().GetRowCount(); ++i) {
        const CResultItem& item = Model().GetItem(i);
        EXPECT_EQ(Model().index(i, COL_SOURCE).data(Qt::ToolTipRole).toString() == strTip,
                  item.m_bSourceReference);
        EXPECT_EQ(Model().index(i, COL_TARGET).data(Qt::ToolTipRole).isValid(),
                  item.m_bTargetReference);
    }

    // Select All and Del: every other copy goes, the reference files stay for them.
    Key(Qt::Key_A, Qt::ControlModifier);
    m_prompt.PushAnswer(true);
    Key(Qt::Key_Delete);
    EXPECT_TRUE(LastAsked().strText.contains("these 3 files to the Trash"));
    EXPECT_TRUE(LastAsked().strText.contains(LoadResString(IDS_REFERENCE_KEPT).arg(2)));
    EXPECT_TRUE(Exists(r1) && Exists(r2));
    EXPECT_FALSE(Exists(a1) || Exists(a2) || Exists(b1));
    EXPECT_EQ(TrashFiles().size(), 3u);
}

TEST_F(ReferenceFilesTest, ASelectionOfReferenceFilesAloneIsToldItIsProtected) {
    const std::string r1 = File("ref/r1", "AAAA"), r2 = File("ref2/r1", "AAAA"),
                      a1 = File("a/1", "AAAA");
    std::vector<CResultRow> rows = RefRows({{r1, r2, a1}}, {r1});
    rows.front().m_bTargetReference = true;  // r1>r2: r2, marked as a target once, is protected too
    SetRows(std::move(rows));
    for (int i = 0; i < Model().GetRowCount(); ++i)
        Model().SetSelected(i, Model().GetSourcePath(i) != a1);
    const std::vector<std::string> sources = Sources();
    for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ShiftModifier}) {
        m_prompt.m_asked.clear();
        Key(Qt::Key_Delete, modifiers);
        ASSERT_EQ(m_prompt.m_asked.size(), 1u);
        EXPECT_FALSE(LastAsked().bQuestion);
        EXPECT_EQ(LastAsked().strCaption, LoadResString(IDS_REFERENCE_CAPTION));
        EXPECT_EQ(LastAsked().strText, LoadResString(IDS_REFERENCE_PROTECTED).arg(2));
        EXPECT_TRUE(Exists(r1) && Exists(r2) && Exists(a1));
        EXPECT_EQ(Sources(), sources);
    }
    EXPECT_TRUE(TrashFiles().empty());
}
