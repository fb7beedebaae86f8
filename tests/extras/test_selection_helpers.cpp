// Selecting the extra copies of each duplicate set, the rows of a folder, the other rows.
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <algorithm>
#include <map>
#include <random>

#include "ExtrasFixture.h"
#include "Resource.h"
#include "SelectionHelpers.h"

namespace {

QMenu* RightClick(QWidget* pWidget, QPoint pt) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, pt, pWidget->mapToGlobal(pt));
    QApplication::sendEvent(pWidget, &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QAction* Item(QMenu* pMenu, const char* pszText) {
    for (QAction* pAction : pMenu->actions())
        if (pAction->text() == QLatin1String(pszText)) return pAction;
    return nullptr;
}

// Triggers a context-menu item on the row nRow of the view.
void PopupCommand(CTwinexView& view, int nRow, const char* pszItem) {
    const QRect rect = view.visualRect(view.model()->index(nRow, 1));
    QMenu* pMenu = RightClick(view.viewport(), rect.center());
    ASSERT_NE(pMenu, nullptr);
    QAction* pAction = Item(pMenu, pszItem);
    ASSERT_NE(pAction, nullptr) << pszItem;
    pAction->trigger();
    pMenu->close();
}

}  // namespace

class SelectionTest : public ExtrasTest {
protected:
    // Source paths of the selected rows, sorted.
    std::vector<std::string> SelectedSources() {
        std::vector<std::string> sources;
        for (int nRow : Selected()) sources.push_back(Model().GetSourcePath(nRow));
        std::sort(sources.begin(), sources.end());
        return sources;
    }
};

// Sets of random sizes and times (many ties), written as the reflect option writes them or as
// bare chains, then shuffled as a sort would: the kept file of each set is its newest (or
// oldest) with the first path among equals, and exactly the rows of the other files are marked.
TEST(FindExtraCopies, KeepsOnePerSetWhateverTheRowOrder) {
    std::mt19937 random(7);
    for (const EKeepRule nKeep : {KEEP_NEWEST, KEEP_OLDEST}) {
        std::vector<std::string> paths;
        std::map<std::string, std::int64_t> timeOf;
        std::map<std::string, std::string> keptOf;  // file -> the file its set keeps
        std::vector<std::pair<std::string, std::string>> pairs;
        for (int nSet = 0; nSet < 60; ++nSet) {
            const int nFiles = 2 + static_cast<int>(random() % 4);
            std::vector<std::string> files;
            for (int i = 0; i < nFiles; ++i) {
                // Names in random order, so the kept file is not merely the first one.
                files.push_back("/s" + std::to_string(nSet) + "/f" +
                                std::to_string(random() % 1000) + "_" + std::to_string(i));
                timeOf[files.back()] = 100 * static_cast<std::int64_t>(random() % 3);
            }
            std::string strKept = files[0];
            for (const std::string& f : files) {
                const std::int64_t t = timeOf[f], tKept = timeOf[strKept];
                if ((nKeep == KEEP_NEWEST ? t > tKept : t < tKept) || (t == tKept && f < strKept))
                    strKept = f;
            }
            const bool bReflect = nSet % 2 == 0;
            for (int i = 0; i + 1 < nFiles; ++i) {
                pairs.emplace_back(files[i], files[i + 1]);
                if (bReflect) pairs.emplace_back(files[i + 1], files[i]);
            }
            for (const std::string& f : files) keptOf[f] = strKept;
        }
        std::shuffle(pairs.begin(), pairs.end(), random);

        const std::vector<char> extra = FindExtraCopies(
            pairs.size(),
            [&](std::size_t i) {
                return CSetRow{pairs[i].first, pairs[i].second, timeOf[pairs[i].first],
                               timeOf[pairs[i].second]};
            },
            nKeep);
        ASSERT_EQ(extra.size(), pairs.size());
        for (std::size_t i = 0; i < pairs.size(); ++i)
            EXPECT_EQ(extra[i] != 0, pairs[i].first != keptOf[pairs[i].first])
                << pairs[i].first << (nKeep == KEEP_NEWEST ? " newest" : " oldest");
    }
}

// Keep Newest and Keep Oldest from the Edit menu and the context menu, then a delete: what
// the helper chose is what goes, and one file of each set stays.
TEST_F(SelectionTest, ExtraCopiesGoAndOneOfEachSetStays) {
    const std::string a1 = File("a/1", "AAAA", 100), a2 = File("a/2", "AAAA", 300),
                      a3 = File("a/3", "AAAA", 300);
    const std::string b1 = File("b/1", "BB", 500), b2 = File("b/2", "BB", 100);
    std::vector<CResultRow> rows = ReflectedSetRows({a3, a1, a2});
    rows.push_back(PairRow(b1, b2));  // no reflection: b2 is only ever a target
    SetRows(std::move(rows));
    Model().OnColumnClick(COL_SOURCE_FOLDER);  // the sets' rows no longer together

    // Newest: a2 and a3 tie, a2 sorts first by path and stays; b1 stays.
    Command(ID_EDIT_SELECTNEWEST);
    EXPECT_EQ(SelectedSources(), (std::vector<std::string>{a1, a1, a3}));

    // Oldest from the context menu: a1 stays; b2 stays, although no row has it as source.
    PopupCommand(View(), 0, "Select Extra Copies (Keep &Oldest)");
    EXPECT_EQ(SelectedSources(), (std::vector<std::string>{a2, a3, b1}));

    m_prompt.PushAnswer(true);
    Command(ID_EDIT_DELETE);
    ASSERT_EQ(m_prompt.m_asked.size(), 1u);
    EXPECT_FALSE(m_prompt.m_asked[0].strText.contains(QStringLiteral("kept")));
    EXPECT_TRUE(Exists(a1));
    EXPECT_TRUE(Exists(b2));
    EXPECT_FALSE(Exists(a2) || Exists(a3) || Exists(b1));
    EXPECT_EQ(Sources(), (std::vector<std::string>{a1, a1}));  // their targets are gone
}

TEST_F(SelectionTest, RowsOfAFolderAndTheRowsNotSelected) {
    const std::string x1 = File("x/1", "11", 1), y1 = File("y/1", "11", 1);
    const std::string x2 = File("x/2", "22", 1), y2 = File("y/2", "22", 1),
                      z2 = File("z/2", "22", 1);
    SetRows({PairRow(x1, y1), PairRow(y1, x1), PairRow(x2, y2), PairRow(z2, y2), PairRow(y2, x2)});

    // The folder of the row under the pointer: rows whose target alone is there do not count.
    PopupCommand(View(), 1, "Select Rows in This &Folder");
    EXPECT_EQ(Selected(), (std::vector<int>{1, 4}));
    // From the Edit menu, the current row's folder.
    View().setCurrentIndex(Model().index(3, 0));
    Command(ID_EDIT_SELECTFOLDER);
    EXPECT_EQ(Selected(), (std::vector<int>{3}));
    EXPECT_EQ(View().currentIndex().row(), 3);  // the current row stays put

    Select({0, 3});
    Command(ID_EDIT_INVERTSELECTION);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 4}));
    PopupCommand(View(), 0, "&Invert Selection");
    EXPECT_EQ(Selected(), (std::vector<int>{0, 3}));

    // On the headers there is no row: the folder item offers nothing.
    QHeaderView* pHeader = View().horizontalHeader();
    QMenu* pMenu =
        RightClick(pHeader->viewport(), QPoint(pHeader->sectionPosition(COL_TARGET) + 5, 5));
    ASSERT_NE(pMenu, nullptr);
    EXPECT_FALSE(Item(pMenu, "Select Rows in This &Folder")->isEnabled());
    pMenu->close();
}
