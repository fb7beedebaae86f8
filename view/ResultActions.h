// What the user does with the rows of the result list; shared by the main window's Edit menu
// and the list's context menu.
#pragma once

class QWidget;

// Selects every row of the result view; the current row stays. Nothing happens without rows.
void SelectAllItems();

// Deletes the selected rows' source files (to the Trash when bAllowUndo), then drops the rows
// whose source is gone and sets pFrame's title; see RowActions.h.
void DeleteSelectedFiles(QWidget* pFrame, bool bAllowUndo);
