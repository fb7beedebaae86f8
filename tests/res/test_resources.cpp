// The resource tables and what is built from them.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>

#include "Commands.h"
#include "ResImages.h"
#include "ResTables.h"
#include "Title.h"

namespace {

// "Popup: item | item | - | item" per popup, as the user sees the menu.
QStringList Describe(const QList<QAction*>& actions) {
    QStringList popups;
    for (QAction* pTop : actions) {
        QStringList items;
        for (QAction* pItem : pTop->menu()->actions())
            items << (pItem->isSeparator() ? QStringLiteral("-") : pItem->text());
        popups << pTop->text() + QStringLiteral(": ") + items.join(QStringLiteral(" | "));
    }
    return popups;
}

}  // namespace

TEST(StringTable, IdsAreUniqueAndEveryMenuCommandHasAPrompt) {
    std::set<int> ids;
    for (const CStringEntry& e : GetStringTable()) EXPECT_TRUE(ids.insert(e.nId).second) << e.nId;
    for (const CMenuEntry& e : GetMenuTable(IDR_MAINFRAME))
        EXPECT_TRUE(e.nKind != MENU_ITEM || !LoadPrompt(e.nCommandId).isEmpty()) << e.nCommandId;
    // The prompt is the text before "\n"; the template string's first field is the first title.
    EXPECT_EQ(LoadPrompt(ID_EDIT_DELETE), QStringLiteral("Delete the selected items"));
    EXPECT_EQ(FormatInitialTitle(), QStringLiteral("Twinex Version 1.0 RC1"));
    EXPECT_TRUE(LoadResString(12345).isEmpty());
}

TEST(CommandSet, MenusAndKeysComeFromTheTables) {
    QWidget window;
    QMenuBar bar(&window);
    CCommandSet commands;
    commands.BuildMenuBar(&bar, IDR_MAINFRAME);
    commands.BindAccelerators(IDR_MAINFRAME, &window);
    EXPECT_EQ(Describe(bar.actions()),
              (QStringList{"&File: &Open Results... | Save Results &As... | - | Clear Checksum &Cache... | - | E&xit",
                           "&Edit: &Delete\tDel | Replace with &Hard Links | "
                           "Replace with &Clones (copy-on-write) | - | Select &All\tCtrl+A | "
                           "Select Extra Copies (Keep &Newest) | Select Extra Copies (Keep &Oldest) | "
                           "Select Rows in This &Folder | &Invert Selection | - | &Undo Delete\tCtrl+Z",
                           "&View: Grid &Lines | &Duplicate Sets\tCtrl+G | &Status Bar",
                           "&Search: &Duplicates...\tCtrl+D | Files &Not Read... | - | &Clear Results",
                           "&Help: &About Twinex..."}));

    for (const auto& [nId, key] : {std::pair{ID_EDIT_SELECTALL, QKeySequence(Qt::CTRL | Qt::Key_A)},
                                   {ID_SEARCH_DUPLICATES, QKeySequence(Qt::CTRL | Qt::Key_D)},
                                   {ID_VIEW_DUPLICATESETS, QKeySequence(Qt::CTRL | Qt::Key_G)},
                                   {ID_EDIT_DELETE, QKeySequence(Qt::Key_Delete)},
                                   {ID_EDIT_SHIFTDELETE, QKeySequence(Qt::SHIFT | Qt::Key_Delete)}})
        EXPECT_EQ(commands.GetAction(nId)->shortcut(), key) << nId;
    // Shift+Del has no menu item; its action lives on the window so the key still works.
    EXPECT_TRUE(window.actions().contains(commands.GetAction(ID_EDIT_SHIFTDELETE)));

    QSignalSpy spy(&commands, &CCommandSet::Command);
    commands.GetAction(ID_SEARCH_CLEARRESULTS)->trigger();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), ID_SEARCH_CLEARRESULTS);
}

TEST(CommandSet, ContextMenuHasItsOwnCommands) {
    QWidget parent;
    CCommandSet commands;
    QMenu* pMenu = commands.BuildPopupMenu(IDR_POPUP, &parent);
    ASSERT_NE(pMenu, nullptr);
    const QList<QAction*> items = pMenu->actions();
    ASSERT_EQ(items.size(), 9);
    EXPECT_EQ(items[0], commands.GetAction(ID_POPUP_DELETE));
    // The replacements and the selection helpers share the Edit menu's command ids.
    EXPECT_EQ(items[1], commands.GetAction(ID_EDIT_LINKHARD));
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[5], commands.GetAction(ID_EDIT_SELECTNEWEST));
    EXPECT_EQ(commands.BuildPopupMenu(999, &parent), nullptr);
}

TEST(ResImages, EveryPictureIsCompiledIn) {
    InitResImages();
    const QList<QSize> sizes = GetAppIcon().availableSizes();
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(n, n))) << n;
    for (int nId : {IDB_PAGE1, IDB_PAGE2, IDB_PAGE3})
        EXPECT_EQ(LoadResBitmap(nId).size(), QSize(164, 314)) << nId;
    EXPECT_EQ(LoadResBitmap(IDB_FOLDER).size(), QSize(16, 16));
    EXPECT_TRUE(LoadResBitmap(1).isNull());
}
