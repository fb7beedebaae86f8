// The result view's own handlers: row activation and the context menu. Whoever creates the view
// hooks them to it.
#pragma once

#include <QObject>
#include <QPoint>

class QMenu;
class QModelIndex;
class CCommandSet;
class CTwinexView;

class CViewActions : public QObject {
    Q_OBJECT
public:
    // Hooks itself to the view: activation, and right clicks on the rows and on the headers.
    // The view's services do the work.
    explicit CViewActions(CTwinexView* pView);

    // The context menu at a screen position; it closes itself. Returns it for inspection.
    QMenu* OnContextMenu(const QPoint& ptGlobal);

public slots:
    // Opens the row's source file, whichever cell was activated.
    void OnItemActivate(const QModelIndex& index);
    // Deletes to the Trash unless Shift is down; the view then tells what happened.
    void OnPopupDelete();
    void OnPopupSelectAll();

private:
    void OnCommand(int nCommandId);

    CTwinexView* m_pView;
    CCommandSet* m_pCommands;
    int m_nContextRow = -1;  // under the pointer when the menu last opened; -1 for none
};
