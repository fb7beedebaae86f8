// Screenshot states of the result actions: the delete question and the list's context menu,
// each drawn over the main window, since both are windows of their own.
#pragma once

class CMainFrame;
class QWidget;

// Selects a few rows and asks the delete question for them; the question is shown but never
// answered, so nothing is deleted. Returns a widget that paints the window with the question.
QWidget* ShowDeleteQuestion(CMainFrame& frame);
// Selects a few rows and opens the context menu over them. Returns a widget that paints the
// window with the menu.
QWidget* ShowContextMenu(CMainFrame& frame);
