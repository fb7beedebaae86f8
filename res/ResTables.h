// The program's resource tables as data: string table, menus and accelerator tables.
#pragma once

#include <QKeyCombination>
#include <QString>

#include <span>

#include "Resource.h"

struct CStringEntry {
    int nId;
    const char* pszText;
};

// The text of string nId as stored ("" when there is no such string).
QString LoadResString(int nId);
// The text up to the first '\n': what a status bar shows for a command, or a caption.
QString LoadPrompt(int nId);
std::span<const CStringEntry> GetStringTable();

enum EMenuEntryKind { MENU_POPUP, MENU_ITEM, MENU_SEPARATOR, MENU_END_POPUP };

// A menu is a flat list: MENU_POPUP opens a submenu, MENU_END_POPUP closes it.
struct CMenuEntry {
    EMenuEntryKind nKind;
    int nCommandId;
    const char* pszText;  // "&" marks the access key, "\t" starts the key name
};

// Menu 128 (main frame) or 150 (context menu); empty for an unknown id.
std::span<const CMenuEntry> GetMenuTable(int nMenuId);

struct CAccelEntry {
    QKeyCombination key;
    int nCommandId;
};

// Accelerator table 128; empty for an unknown id.
std::span<const CAccelEntry> GetAccelTable(int nAccelId);
