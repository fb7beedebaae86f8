#include "ResTables.h"

#include <algorithm>
#include <array>

namespace {

// Texts are ASCII; the order does not matter, ids are unique.
constexpr CStringEntry g_strings[] = {
    {IDR_MAINFRAME, "Twinex Version 1.0 RC1\n\n\n\n\n\n"},
    {AFX_IDS_APP_TITLE, "Twinex Version 1.0 RC1"},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {IDS_SEARCHING_FILES, "Searching files in specified folders"},
    {IDS_MATCHING_FILES, "Matching files with specified criteria"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_VIEW_GRIDLINES, "Show or hide grid lines on the result view\nToggle GridLines"},
    {ID_SEARCH_CLEARRESULTS, "Clear result view\nClear Result View"},
    {ID_SEARCH_DUPLICATES,
     "Execute Search Duplicate Wizard to search for duplicate files\nSearch Duplicate Wizard"},
    {ID_EDIT_SELECTALL, "Select all items in the window\nSelect All"},
    {ID_EDIT_DELETE, "Delete the selected items\nDelete"},
    {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {ID_APP_EXIT, "Quit the application\nExit"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    {IDS_TITLE_BASE, "Twinex 1.0 RC1"},
    {IDS_TITLE_MATCHED, " - Matched %d in %d file(s)"},
    {IDS_CLEAR_RESULTS_TEXT, "Are you sure?"},
    {IDS_CLEAR_RESULTS_CAPTION, "Clear Search Results"},
    {IDS_COL_SOURCE, "Source"},
    {IDS_COL_SOURCE_FOLDER, "Folder"},
    {IDS_COL_SOURCE_MODIFIED, "Modified"},
    {IDS_COL_TARGET, "Target"},
    {IDS_COL_TARGET_FOLDER, "Folder"},
    {IDS_COL_TARGET_MODIFIED, "Modified"},
    {IDS_COL_SIZE, "Size"},
    {IDS_ABOUT_CAPTION, "About Twinex"},
    {IDS_ABOUT_VERSION, "Twinex Version 1.0 RC1"},
    {IDS_ABOUT_NOTICE, "Copyright (C) the Twinex developers"},
    {IDS_ABOUT_README,
     "Please refer to README.md for more information regarding features of Twinex and list of "
     "beta testers."},
    {IDS_ABOUT_OK, "OK"},
    {IDS_NO_ASSOCIATION, "There is no application associated with the given file name extension."},
    {IDS_TRASH_CAPTION, "Move to Trash"},
    {IDS_DELETE_CAPTION, "Delete Permanently"},
    {IDS_TRASH_ONE, "Are you sure you want to move '%1' to the Trash?"},
    {IDS_TRASH_MANY, "Are you sure you want to move these %1 files to the Trash?"},
    {IDS_DELETE_ONE, "Are you sure you want to permanently delete '%1'?\nIt cannot be restored."},
    {IDS_DELETE_MANY,
     "Are you sure you want to permanently delete these %1 files?\nThey cannot be restored."},
    {IDS_KEPT_LAST_COPY,
     "%1 file(s) will be kept, because deleting them would remove every copy of their contents."},
    {IDS_KEPT_COPIES_GONE,
     "%1 file(s) will be kept, because their other copies are gone or have changed since the "
     "search."},
    {IDS_SKIPPED_CHANGED, "%1 file(s) will be skipped, because they have changed since the search."},
    {IDS_NOTHING_TO_DELETE, "No file will be deleted."},
    {IDS_TRASH_PROGRESS, "Moving files to the Trash..."},
    {IDS_DELETE_PROGRESS, "Deleting files..."},
    {IDS_CANCEL, "Cancel"},
    {IDS_DELETE_FAILED_CAPTION, "Error Deleting Files"},
    {IDS_DELETE_FAILED, "%1 file(s) could not be deleted:"},
    {IDS_DELETE_FAILED_MORE, "... and %1 more."},
    {IDS_NO_TRASH_HERE, "There is no Trash on this file system"},
    {IDS_CHECK_NOTE, "Each file is first compared byte by byte with the copy that stays; files "
                     "that differ are kept."},
    {IDS_CHECK_PROGRESS, "Comparing files byte by byte with the copies that stay..."},
    {IDS_CHECK_KEPT_CAPTION, "Files Kept"},
    {IDS_CHECK_KEPT, "%1 file(s) were kept:"},
    {IDS_CHECK_DIFFERENT, "not an exact copy of %1"},
    {IDS_CHECK_UNREADABLE, "could not be read: %1"},
    {IDS_CHECK_CHANGED, "changed since the search"},
    {IDS_CHECK_KEEP_UNREADABLE, "the copy that stays, %1, could not be read: %2"},
    {ID_EDIT_SELECTNEWEST,
     "Select every extra copy, keeping the newest file of each duplicate set\nKeep Newest"},
    {ID_EDIT_SELECTOLDEST,
     "Select every extra copy, keeping the oldest file of each duplicate set\nKeep Oldest"},
    {ID_EDIT_SELECTFOLDER, "Select the rows whose file lies in the same folder\nSelect Folder"},
    {ID_EDIT_INVERTSELECTION, "Select the rows not selected, and only those\nInvert Selection"},
    {ID_EDIT_UNDODELETE,
     "Bring the files of the last delete back from the Trash\nUndo Delete"},
    {ID_FILE_OPENRESULTS, "Open search results saved in a file\nOpen Results"},
    {ID_FILE_SAVERESULTS, "Save the search results in a file\nSave Results"},
    {ID_SEARCH_UNREADABLE, "List the files the last search could not read\nFiles Not Read"},
    {IDS_UNREADABLE_STATUS, "%1 file(s) could not be read"},
    {IDS_UNREADABLE_CAPTION, "Files Not Read"},
    {IDS_UNREADABLE_LIST, "%1 file(s) could not be read and were compared with nothing:"},
    {IDS_UNREADABLE_CHANGED, "it changed since it was collected"},
    {IDS_UNREADABLE_NONE, "The last search read every file it compared."},
    {IDS_EMPTY_FILES_NOTE, "These files are empty: removing them frees no space"},
    {IDS_REFERENCE_PROTECTED, "The %1 selected file(s) lie in reference folders and are "
                              "protected: Twinex never removes them."},
    {IDS_REFERENCE_CAPTION, "Protected Files"},
    {IDS_REFERENCE_KEPT, "%1 file(s) in reference folders will stay: they are protected."},
    {IDS_REFERENCE_TIP, "In a reference folder: never removed"},
    {IDS_RESULTS_FILTER, "Twinex results (*.json);;All files (*)"},
    {IDS_OPEN_RESULTS_CAPTION, "Open Results"},
    {IDS_SAVE_RESULTS_CAPTION, "Save Results As"},
    {IDS_RESULTS_UNREADABLE, "'%1' could not be read: %2."},
    {IDS_RESULTS_NOT_JSON, "'%1' is not a Twinex results file: it is not valid JSON (the text "
                           "goes wrong at byte %2)."},
    {IDS_RESULTS_FOREIGN, "'%1' is not a Twinex results file."},
    {IDS_RESULTS_NEWER, "'%1' holds results of format version %2, written by a newer Twinex; "
                        "this one reads version %3."},
    {IDS_RESULTS_DAMAGED, "'%1' is a damaged Twinex results file: \"%2\" is missing or wrong."},
    {IDS_RESULTS_DAMAGED_ROW,
     "'%1' is a damaged Twinex results file: in row %2, \"%3\" is missing or wrong."},
    {IDS_RESULTS_LIST_UNCHANGED, "The result list was not changed."},
    {IDS_RESULTS_OPENED, "Opened %1 row(s) from '%2'."},
    {IDS_RESULTS_LEFT_OUT,
     "%1 row(s) left out, because their file is gone or its size has changed."},
    {IDS_RESULTS_SAVED, "Saved %1 row(s) to '%2'."},
    {IDS_RESULTS_SAVE_FAILED, "'%1' could not be written: %2."},
    {IDS_NOT_REGULAR_FILE, "it is not a regular file"},
    {IDS_UNDO_CAPTION, "Undo Delete"},
    {IDS_UNDO_NOT_RESTORED, "%1 file(s) were not restored:"},
    {IDS_UNDO_OCCUPIED, "another file now stands at its place"},
    {IDS_UNDO_NOT_IN_TRASH, "it is no longer in the Trash"},
    {IDS_UNDO_DONE, "Restored %1 file(s) from the Trash."},
    {ID_VIEW_DUPLICATESETS,
     "Show the duplicates as sets of identical files, or as pairs\nDuplicate Sets"},
    {ID_FILE_CLEARCACHE, "Forget the checksums kept between searches\nClear Checksum Cache"},
    {IDS_CLEAR_CACHE_TEXT, "The next search of each folder will read its files again.\n"
                           "Clear the checksum cache?"},
    {IDS_CLEAR_CACHE_CAPTION, "Clear Checksum Cache"},
    {IDS_CLEAR_CACHE_FAILED, "The checksum cache could not be cleared: %1"},
    {IDS_CACHE_PROBLEM, "Searched without the checksum cache: %1"},
    {IDS_SET_HEADER, "%1 copies of %2, %3 to free"},
    {IDS_ZERO_BYTES, "0 bytes"},
    {IDS_SETS_COL_NAME, "Name"},
    {IDS_SETS_COL_FOLDER, "Folder"},
    {IDS_SETS_COL_MODIFIED, "Modified"},
    {IDS_SETS_COL_SIZE, "Size"},
    {IDS_SETS_COL_NOTE, "Note"},
    {IDS_KEEPS_TAG, "Keeps"},
    {IDS_REFERENCE_TAG, "Reference"},
    {IDS_SORT_SETS_BY, "Sort sets &by:"},
    {IDS_SORT_SPACE, "Space to free"},
    {IDS_SORT_SIZE, "Size"},
    {IDS_SORT_COPIES, "Copies"},
    {IDS_SORT_FOLDER, "Folder"},
    {IDS_SPACE_SUMMARY, "%1, %2, %3 to free"},
    {IDS_SETS_ONE, "1 set"},
    {IDS_SETS_MANY, "%1 sets"},
    {IDS_EXTRA_COPIES_ONE, "1 extra copy"},
    {IDS_EXTRA_COPIES_MANY, "%1 extra copies"},
    {IDS_SELECTED_ONE, "1 file selected, %1"},
    {IDS_SELECTED_MANY, "%1 files selected, %2"},
    {ID_EDIT_LINKHARD, "Replace the selected extra copies with hard links to the copy that "
                       "stays\nReplace with Hard Links"},
    {ID_EDIT_LINKCLONE, "Replace the selected extra copies with copy-on-write clones of the copy "
                        "that stays\nReplace with Clones"},
    {IDS_LINK_HARD_CAPTION, "Replace with Hard Links"},
    {IDS_LINK_CLONE_CAPTION, "Replace with Clones"},
    {IDS_LINK_HARD_ONE, "Are you sure you want to replace '%1' with a hard link to %2?"},
    {IDS_LINK_CLONE_ONE, "Are you sure you want to replace '%1' with a clone of %2?"},
    {IDS_LINK_HARD_MANY, "Are you sure you want to replace these %1 files with hard links to the "
                         "copies that stay?"},
    {IDS_LINK_CLONE_MANY, "Are you sure you want to replace these %1 files with clones of the "
                          "copies that stay?"},
    {IDS_LINK_TO_COPY, "%1 (for %2 file(s))"},
    {IDS_LINK_HARD_NOTE, "A hard link is the same file as the copy it links to: it shares that "
                         "file's owner, permissions and modification time."},
    {IDS_LINK_CLONE_NOTE, "A clone keeps its own owner, permissions and modification time, and "
                          "shares the disk space of the copy until either is changed."},
    {IDS_LINK_NOTHING, "No file will be replaced."},
    {IDS_LINK_KEPT_LAST_COPY,
     "%1 file(s) will stay as they are: no other copy of their contents would be left to link to."},
    {IDS_LINK_KEPT_COPIES_GONE,
     "%1 file(s) will stay as they are: their other copies are gone, have changed since the "
     "search, or are the same file already."},
    {IDS_LINK_EMPTY_NOTE, "These files are empty: replacing them frees no space"},
    {IDS_LINK_REFERENCE_PROTECTED, "The %1 selected file(s) lie in reference folders and are "
                                   "protected: Twinex never replaces them."},
    {IDS_LINK_HARD_PROGRESS, "Replacing files with hard links..."},
    {IDS_LINK_CLONE_PROGRESS, "Replacing files with clones..."},
    {IDS_LINK_FAILED_CAPTION, "Error Replacing Files"},
    {IDS_LINK_FAILED, "%1 file(s) could not be replaced:"},
    {IDS_LINK_OTHER_FILE_SYSTEM, "the copy that stays is on another file system"},
    {IDS_LINK_NO_CLONES, "the file system cannot make clones"},
    {IDS_LINK_ALREADY_SAME, "already hard links to the same file"},
    {IDS_LINK_HARD_DONE, "Replaced %1 file(s) with hard links; each now shares the owner, "
                         "permissions and times of the copy it links to."},
    {IDS_LINK_CLONE_DONE, "Replaced %1 file(s) with clones."},
    {IDS_LINKED_HARD_TIP, "Replaced with a hard link to %1"},
    {IDS_LINKED_CLONE_TIP, "Replaced with a clone of %1"},
    {IDS_LINKED_TAG, "Linked"},
    {IDS_LINK_STAYS, "The copies that stay:"},
};

constexpr CMenuEntry g_menuMain[] = {
    {MENU_POPUP, 0, "&File"},
    {MENU_ITEM, ID_FILE_OPENRESULTS, "&Open Results..."},
    {MENU_ITEM, ID_FILE_SAVERESULTS, "Save Results &As..."},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_ITEM, ID_FILE_CLEARCACHE, "Clear Checksum &Cache..."},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_ITEM, ID_APP_EXIT, "E&xit"},
    {MENU_END_POPUP, 0, nullptr},
    {MENU_POPUP, 0, "&Edit"},
    {MENU_ITEM, ID_EDIT_DELETE, "&Delete\tDel"},
    {MENU_ITEM, ID_EDIT_LINKHARD, "Replace with &Hard Links"},
    {MENU_ITEM, ID_EDIT_LINKCLONE, "Replace with &Clones (copy-on-write)"},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_ITEM, ID_EDIT_SELECTALL, "Select &All\tCtrl+A"},
    {MENU_ITEM, ID_EDIT_SELECTNEWEST, "Select Extra Copies (Keep &Newest)"},
    {MENU_ITEM, ID_EDIT_SELECTOLDEST, "Select Extra Copies (Keep &Oldest)"},
    {MENU_ITEM, ID_EDIT_SELECTFOLDER, "Select Rows in This &Folder"},
    {MENU_ITEM, ID_EDIT_INVERTSELECTION, "&Invert Selection"},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_ITEM, ID_EDIT_UNDODELETE, "&Undo Delete\tCtrl+Z"},
    {MENU_END_POPUP, 0, nullptr},
    {MENU_POPUP, 0, "&View"},
    {MENU_ITEM, ID_VIEW_GRIDLINES, "Grid &Lines"},
    {MENU_ITEM, ID_VIEW_DUPLICATESETS, "&Duplicate Sets\tCtrl+G"},
    {MENU_ITEM, ID_VIEW_STATUS_BAR, "&Status Bar"},
    {MENU_END_POPUP, 0, nullptr},
    {MENU_POPUP, 0, "&Search"},
    {MENU_ITEM, ID_SEARCH_DUPLICATES, "&Duplicates...\tCtrl+D"},
    {MENU_ITEM, ID_SEARCH_UNREADABLE, "Files &Not Read..."},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_ITEM, ID_SEARCH_CLEARRESULTS, "&Clear Results"},
    {MENU_END_POPUP, 0, nullptr},
    {MENU_POPUP, 0, "&Help"},
    {MENU_ITEM, ID_APP_ABOUT, "&About Twinex..."},
    {MENU_END_POPUP, 0, nullptr},
};

constexpr CMenuEntry g_menuPopup[] = {
    {MENU_POPUP, 0, "Popup"},
    {MENU_ITEM, ID_POPUP_DELETE, "&Delete"},
    {MENU_ITEM, ID_EDIT_LINKHARD, "Replace with &Hard Links"},
    {MENU_ITEM, ID_EDIT_LINKCLONE, "Replace with &Clones (copy-on-write)"},
    {MENU_SEPARATOR, 0, nullptr},
    {MENU_ITEM, ID_POPUP_SELECTALL, "Select &All"},
    {MENU_ITEM, ID_EDIT_SELECTNEWEST, "Select Extra Copies (Keep &Newest)"},
    {MENU_ITEM, ID_EDIT_SELECTOLDEST, "Select Extra Copies (Keep &Oldest)"},
    {MENU_ITEM, ID_EDIT_SELECTFOLDER, "Select Rows in This &Folder"},
    {MENU_ITEM, ID_EDIT_INVERTSELECTION, "&Invert Selection"},
    {MENU_END_POPUP, 0, nullptr},
};

constexpr CAccelEntry g_accelMain[] = {
    {QKeyCombination(Qt::ControlModifier, Qt::Key_A), ID_EDIT_SELECTALL},
    {QKeyCombination(Qt::ControlModifier, Qt::Key_D), ID_SEARCH_DUPLICATES},
    {QKeyCombination(Qt::Key_Delete), ID_EDIT_DELETE},
    {QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete), ID_EDIT_SHIFTDELETE},
    {QKeyCombination(Qt::ControlModifier, Qt::Key_Z), ID_EDIT_UNDODELETE},
    {QKeyCombination(Qt::ControlModifier, Qt::Key_G), ID_VIEW_DUPLICATESETS},
};

}  // namespace

std::span<const CStringEntry> GetStringTable() { return g_strings; }

QString LoadResString(int nId) {
    const auto it = std::find_if(std::begin(g_strings), std::end(g_strings),
                                 [nId](const CStringEntry& e) { return e.nId == nId; });
    return it == std::end(g_strings) ? QString() : QString::fromLatin1(it->pszText);
}

QString LoadPrompt(int nId) { return LoadResString(nId).section(QLatin1Char('\n'), 0, 0); }

std::span<const CMenuEntry> GetMenuTable(int nMenuId) {
    switch (nMenuId) {
    case IDR_MAINFRAME: return g_menuMain;
    case IDR_POPUP: return g_menuPopup;
    default: return {};
    }
}

std::span<const CAccelEntry> GetAccelTable(int nAccelId) {
    if (nAccelId == IDR_MAINFRAME) return g_accelMain;
    return {};
}
