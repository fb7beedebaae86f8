// What the user does with the rows of the result list; shared by the main window's Edit menu
// and the list's context menu.
#pragma once

// Selects every row of the result view; the current row stays. Nothing happens without rows.
void SelectAllItems();
