// Builds the program's QActions, menu bars and popup menus from the resource tables.
#pragma once

#include <QObject>

#include <map>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// One action per command id. Each action's triggered signal becomes Command(id), so the owner
// routes every command through one table of handlers.
class CCommandSet : public QObject {
    Q_OBJECT
public:
    explicit CCommandSet(QObject* pParent = nullptr);

    // The action of a command, created on first use with the text of the first menu entry that
    // carries the id, the status tip of the string of the same number (up to '\n'), and the
    // keys that the bound accelerator tables give it.
    QAction* GetAction(int nCommandId);
    // Every command that has an action so far, in ascending id order.
    std::vector<int> GetCommandIds() const;

    // Fills pBar with the popups of menu table nMenuId.
    void BuildMenuBar(QMenuBar* pBar, int nMenuId);
    // A menu from the first popup of menu table nMenuId, owned by pParent.
    QMenu* BuildPopupMenu(int nMenuId, QWidget* pParent);
    // Gives each key of accelerator table nAccelId to its command's action and adds every such
    // action to pWindow, so the keys work whether or not a menu shows the command.
    void BindAccelerators(int nAccelId, QWidget* pWindow);

signals:
    void Command(int nCommandId);

private:
    std::map<int, QAction*> m_mapActions;
};
