// Resource ids: menus, accelerators, dialogs, images, commands and strings.
#pragma once

// Document template: the main frame's menu, accelerator table, icon and template string.
constexpr int IDR_MAINFRAME = 128;
// The result view's context menu.
constexpr int IDR_POPUP = 150;

// Dialogs.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PAGE1 = 130;
constexpr int IDD_PAGE2 = 131;
constexpr int IDD_PAGE3 = 132;

// Images: wizard side pictures and the folder-list image.
constexpr int IDB_PAGE1 = 138;
constexpr int IDB_FOLDER = 139;
constexpr int IDB_PAGE2 = 142;
constexpr int IDB_PAGE3 = 143;

// Commands.
constexpr int ID_SEPARATOR = 0;
constexpr int ID_VIEW_GRIDLINES = 32772;
constexpr int ID_SEARCH_CLEARRESULTS = 32773;
constexpr int ID_SEARCH_DUPLICATES = 32774;
constexpr int ID_EDIT_SELECTALL = 32794;
constexpr int ID_EDIT_DELETE = 32795;
constexpr int ID_EDIT_SHIFTDELETE = 32796;
constexpr int ID_POPUP_DELETE = 32799;
constexpr int ID_POPUP_SELECTALL = 32800;
// Selection helpers, in the Edit menu and the context menu alike.
constexpr int ID_EDIT_SELECTNEWEST = 32801;
constexpr int ID_EDIT_SELECTOLDEST = 32802;
constexpr int ID_EDIT_SELECTFOLDER = 32803;
constexpr int ID_EDIT_INVERTSELECTION = 32804;
constexpr int ID_EDIT_UNDODELETE = 32805;
constexpr int ID_FILE_OPENRESULTS = 32806;
constexpr int ID_FILE_SAVERESULTS = 32807;
constexpr int ID_SEARCH_UNREADABLE = 32808;
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int AFX_IDW_STATUS_BAR = 59393;

// Strings with a number of their own.
constexpr int AFX_IDS_APP_TITLE = 57344;
constexpr int AFX_IDS_IDLEMESSAGE = 57345;
constexpr int IDS_SEARCHING_FILES = 57346;
constexpr int IDS_MATCHING_FILES = 57347;
constexpr int ID_INDICATOR_CAPS = 59137;
constexpr int ID_INDICATOR_NUM = 59138;
constexpr int ID_INDICATOR_SCRL = 59139;

// Texts that the dialogs and handlers use; numbered here so that every text lives in the table.
constexpr int IDS_TITLE_BASE = 61001;           // "Twinex 1.0 RC1"
constexpr int IDS_TITLE_MATCHED = 61002;        // " - Matched %d in %d file(s)"
constexpr int IDS_CLEAR_RESULTS_TEXT = 61003;   // "Are you sure?"
constexpr int IDS_CLEAR_RESULTS_CAPTION = 61004;
constexpr int IDS_COL_SOURCE = 61010;           // column headers, in column order
constexpr int IDS_COL_SOURCE_FOLDER = 61011;
constexpr int IDS_COL_SOURCE_MODIFIED = 61012;
constexpr int IDS_COL_TARGET = 61013;
constexpr int IDS_COL_TARGET_FOLDER = 61014;
constexpr int IDS_COL_TARGET_MODIFIED = 61015;
constexpr int IDS_COL_SIZE = 61016;
constexpr int IDS_ABOUT_CAPTION = 61020;
constexpr int IDS_ABOUT_VERSION = 61021;
constexpr int IDS_ABOUT_NOTICE = 61022;
constexpr int IDS_ABOUT_README = 61023;
constexpr int IDS_ABOUT_OK = 61024;
constexpr int IDS_NO_ASSOCIATION = 61030;       // opening a file with no associated application
// Deleting the selected rows' files.
constexpr int IDS_TRASH_CAPTION = 61040;
constexpr int IDS_DELETE_CAPTION = 61041;
constexpr int IDS_TRASH_ONE = 61042;            // %1: the file's name
constexpr int IDS_TRASH_MANY = 61043;           // %1: the number of files
constexpr int IDS_DELETE_ONE = 61044;
constexpr int IDS_DELETE_MANY = 61045;
constexpr int IDS_KEPT_LAST_COPY = 61046;       // %1: the number of files kept
constexpr int IDS_KEPT_COPIES_GONE = 61047;
constexpr int IDS_SKIPPED_CHANGED = 61048;
constexpr int IDS_NOTHING_TO_DELETE = 61049;
constexpr int IDS_TRASH_PROGRESS = 61050;
constexpr int IDS_DELETE_PROGRESS = 61051;
constexpr int IDS_CANCEL = 61052;
constexpr int IDS_DELETE_FAILED_CAPTION = 61053;
constexpr int IDS_DELETE_FAILED = 61054;        // %1: the number of files
constexpr int IDS_DELETE_FAILED_MORE = 61055;   // %1: the number of failures not listed
constexpr int IDS_NO_TRASH_HERE = 61056;
// The byte-by-byte check before a removal.
constexpr int IDS_CHECK_NOTE = 61057;
constexpr int IDS_CHECK_PROGRESS = 61058;
constexpr int IDS_CHECK_KEPT_CAPTION = 61059;
constexpr int IDS_CHECK_KEPT = 61090;             // %1: the number of files kept
constexpr int IDS_CHECK_DIFFERENT = 61091;        // %1: the path of the copy that stays
constexpr int IDS_CHECK_UNREADABLE = 61092;       // %1: the reason
constexpr int IDS_CHECK_CHANGED = 61093;
constexpr int IDS_CHECK_KEEP_UNREADABLE = 61094;  // %1: the path of the copy that stays, %2: why
// Results files and Undo Delete.
constexpr int IDS_RESULTS_FILTER = 61060;         // file dialog filter
constexpr int IDS_OPEN_RESULTS_CAPTION = 61061;
constexpr int IDS_SAVE_RESULTS_CAPTION = 61062;
constexpr int IDS_RESULTS_UNREADABLE = 61063;     // %1: file name, %2: reason
constexpr int IDS_RESULTS_NOT_JSON = 61064;       // %1: file name, %2: byte offset
constexpr int IDS_RESULTS_FOREIGN = 61065;        // %1: file name
constexpr int IDS_RESULTS_NEWER = 61066;          // %1: file name, %2: its version, %3: ours
constexpr int IDS_RESULTS_DAMAGED = 61067;        // %1: file name, %2: field
constexpr int IDS_RESULTS_DAMAGED_ROW = 61068;    // %1: file name, %2: row number, %3: field
constexpr int IDS_RESULTS_LIST_UNCHANGED = 61069;
constexpr int IDS_RESULTS_OPENED = 61070;         // %1: rows, %2: file name
constexpr int IDS_RESULTS_LEFT_OUT = 61071;       // %1: rows left out
constexpr int IDS_RESULTS_SAVED = 61072;          // %1: rows, %2: file name
constexpr int IDS_RESULTS_SAVE_FAILED = 61073;    // %1: file name, %2: reason
constexpr int IDS_NOT_REGULAR_FILE = 61074;
constexpr int IDS_UNDO_CAPTION = 61080;
constexpr int IDS_UNDO_NOT_RESTORED = 61081;      // %1: number of files
constexpr int IDS_UNDO_OCCUPIED = 61082;
constexpr int IDS_UNDO_NOT_IN_TRASH = 61083;
constexpr int IDS_UNDO_DONE = 61084;              // %1: number of files restored
// Files a search could not read.
constexpr int IDS_UNREADABLE_STATUS = 61095;      // %1: number of files
constexpr int IDS_UNREADABLE_CAPTION = 61096;
constexpr int IDS_UNREADABLE_LIST = 61097;        // %1: number of files
constexpr int IDS_UNREADABLE_CHANGED = 61098;
constexpr int IDS_UNREADABLE_NONE = 61099;
constexpr int IDS_EMPTY_FILES_NOTE = 61100;
// The duplicate-sets view and the space line in the status bar.
constexpr int ID_VIEW_DUPLICATESETS = 61200;
constexpr int IDS_SET_HEADER = 61201;             // %1: copies, %2: size of one, %3: to free
constexpr int IDS_ZERO_BYTES = 61202;
constexpr int IDS_SETS_COL_NAME = 61203;          // column headers, in column order
constexpr int IDS_SETS_COL_FOLDER = 61204;
constexpr int IDS_SETS_COL_MODIFIED = 61205;
constexpr int IDS_SETS_COL_SIZE = 61206;
constexpr int IDS_SETS_COL_NOTE = 61207;
constexpr int IDS_KEEPS_TAG = 61208;
constexpr int IDS_REFERENCE_TAG = 61209;
constexpr int IDS_SORT_SETS_BY = 61210;
constexpr int IDS_SORT_SPACE = 61211;             // the sort choices, in their order
constexpr int IDS_SORT_SIZE = 61212;
constexpr int IDS_SORT_COPIES = 61213;
constexpr int IDS_SORT_FOLDER = 61214;
constexpr int IDS_SPACE_SUMMARY = 61215;          // %1: sets, %2: extra copies, %3: to free
constexpr int IDS_SETS_ONE = 61216;
constexpr int IDS_SETS_MANY = 61217;              // %1: number of sets
constexpr int IDS_EXTRA_COPIES_ONE = 61218;
constexpr int IDS_EXTRA_COPIES_MANY = 61219;      // %1: number of copies
constexpr int IDS_SELECTED_ONE = 61220;           // %1: bytes
constexpr int IDS_SELECTED_MANY = 61221;          // %1: number of files, %2: bytes
// The checksum cache kept between searches.
constexpr int ID_FILE_CLEARCACHE = 61400;
constexpr int IDS_CLEAR_CACHE_TEXT = 61401;
constexpr int IDS_CLEAR_CACHE_CAPTION = 61402;
constexpr int IDS_CLEAR_CACHE_FAILED = 61403;     // %1: the reason
constexpr int IDS_CACHE_PROBLEM = 61404;          // %1: what went wrong
// Files under reference folders: never removed.
constexpr int IDS_REFERENCE_PROTECTED = 61300;  // %1: the number of files selected
constexpr int IDS_REFERENCE_CAPTION = 61301;
constexpr int IDS_REFERENCE_KEPT = 61302;       // %1: the number of files that stay
constexpr int IDS_REFERENCE_TIP = 61303;
// Replacing the selected extra copies with hard links or clones of the copy that stays.
constexpr int ID_EDIT_LINKHARD = 61500;
constexpr int ID_EDIT_LINKCLONE = 61501;
constexpr int IDS_LINK_HARD_CAPTION = 61502;
constexpr int IDS_LINK_CLONE_CAPTION = 61503;
constexpr int IDS_LINK_HARD_ONE = 61504;        // %1: the file's name, %2: the copy that stays
constexpr int IDS_LINK_CLONE_ONE = 61505;
constexpr int IDS_LINK_HARD_MANY = 61506;       // %1: the number of files
constexpr int IDS_LINK_CLONE_MANY = 61507;
constexpr int IDS_LINK_TO_COPY = 61508;         // %1: the copy that stays, %2: files linked to it
constexpr int IDS_LINK_HARD_NOTE = 61509;
constexpr int IDS_LINK_CLONE_NOTE = 61510;
constexpr int IDS_LINK_NOTHING = 61511;
constexpr int IDS_LINK_KEPT_LAST_COPY = 61512;  // %1: the number of files that stay as they are
constexpr int IDS_LINK_KEPT_COPIES_GONE = 61513;
constexpr int IDS_LINK_EMPTY_NOTE = 61514;
constexpr int IDS_LINK_REFERENCE_PROTECTED = 61515;  // %1: the number of files selected
constexpr int IDS_LINK_HARD_PROGRESS = 61516;
constexpr int IDS_LINK_CLONE_PROGRESS = 61517;
constexpr int IDS_LINK_FAILED_CAPTION = 61518;
constexpr int IDS_LINK_FAILED = 61519;          // %1: the number of files
constexpr int IDS_LINK_OTHER_FILE_SYSTEM = 61520;
constexpr int IDS_LINK_NO_CLONES = 61521;
constexpr int IDS_LINK_ALREADY_SAME = 61522;
constexpr int IDS_LINK_HARD_DONE = 61523;       // %1: the number of files
constexpr int IDS_LINK_CLONE_DONE = 61524;
constexpr int IDS_LINKED_HARD_TIP = 61525;      // %1: the copy that stays
constexpr int IDS_LINKED_CLONE_TIP = 61526;
constexpr int IDS_LINKED_TAG = 61527;
constexpr int IDS_LINK_STAYS = 61528;
