// Screenshot states of the result actions: the delete and hard-link questions and the list's
// context menu, each drawn over the main window, since they are windows of their own.
#pragma once

class CMainFrame;
class QWidget;

// Selects a few rows and asks the delete question for them; the question is shown but never
// answered, so nothing is deleted. Returns a widget that paints the window with the question.
QWidget* ShowDeleteQuestion(CMainFrame& frame);
// The same with the question of Replace with Hard Links; nothing is replaced.
QWidget* ShowLinkQuestion(CMainFrame& frame);
// Selects a few rows and opens the context menu over them. Returns a widget that paints the
// window with the menu.
QWidget* ShowContextMenu(CMainFrame& frame);
