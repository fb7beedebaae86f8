// Selecting the extra copies of each duplicate set, the rows of a folder, the other rows.
#include <QHeaderView>
#include <algorithm>

#include "ActionsSupport.h"
#include "Resource.h"
#include "SelectionHelpers.h"

// Keep Oldest from the context menu, then a delete: what the helper chose is what goes, and
// one file of each set stays; in a set with a reference file, that file, whatever its age.
TEST_F(CFrameTest, ExtraCopiesGoAndOneOfEachSetStays) {
    const std::string a1 = File("a/1", "AAAA", 100), a2 = File("a/2", "AAAA", 300),
                      a3 = File("a/3", "AAAA", 300);
    const std::string b1 = File("b/1", "BB", 500), b2 = File("b/2", "BB", 100);
    const std::string c1 = File("c/1", "CCC", 100), c2 = File("c/ref/2", "CCC", 200),
                      c3 = File("c/3", "CCC", 300);
    std::vector<CResultRow> rows = ReflectedRows({{a3, a1, a2}, {c1, c2, c3}}, {c2});
    rows.push_back(PairRow(b1, b2));  // no reflection: b2 is only ever a target
    SetRows(std::move(rows));
    Model().OnColumnClick(COL_SOURCE_FOLDER);  // the sets' rows no longer together

    // b2 stays, although no row has it as source.
    ASSERT_TRUE(RightClickItem(View().viewport(), View().visualRect(Model().index(0, 1)).center(),
                               "Select Extra Copies (Keep &Oldest)"));
    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_FALSE(LastAsked().strText.contains("will be kept"));
    EXPECT_TRUE(Exists(a1) && Exists(b2) && Exists(c2));
    EXPECT_FALSE(Exists(a2) || Exists(a3) || Exists(b1) || Exists(c1) || Exists(c3));
    // The rows left are those of the files that stayed; their targets are gone.
    EXPECT_EQ(Sources(), (std::vector<std::string>{a1, a1, c2, c2}));
}

TEST_F(CFrameTest, RowsOfAFolderAndTheRowsNotSelected) {
    const std::string x1 = File("x/1", "11"), y1 = File("y/1", "11");
    const std::string x2 = File("x/2", "22"), y2 = File("y/2", "22"), z2 = File("z/2", "22");
    SetRows({PairRow(x1, y1), PairRow(y1, x1), PairRow(x2, y2), PairRow(z2, y2), PairRow(y2, x2)});
    // The current row's folder: rows whose target alone is there do not count.
    View().setCurrentIndex(Model().index(1, 0));
    Command(ID_EDIT_SELECTFOLDER);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 4}));
    Command(ID_EDIT_INVERTSELECTION);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 2, 3}));
}
