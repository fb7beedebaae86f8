#include "Commands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "ResTables.h"

namespace {

// The text of the first menu entry that carries nCommandId, in any menu table.
QString FindMenuText(int nCommandId) {
    for (int nMenuId : {IDR_MAINFRAME, IDR_POPUP}) {
        for (const CMenuEntry& e : GetMenuTable(nMenuId)) {
            if (e.nKind == MENU_ITEM && e.nCommandId == nCommandId)
                return QString::fromLatin1(e.pszText);
        }
    }
    return QString();
}

// Adds the entries from index i up to the matching MENU_END_POPUP to pMenu; returns the index
// after that end.
std::size_t FillMenu(CCommandSet& commands, QMenu* pMenu, std::span<const CMenuEntry> table,
                     std::size_t i) {
    while (i < table.size()) {
        const CMenuEntry& e = table[i++];
        switch (e.nKind) {
        case MENU_END_POPUP: return i;
        case MENU_SEPARATOR: pMenu->addSeparator(); break;
        case MENU_ITEM: pMenu->addAction(commands.GetAction(e.nCommandId)); break;
        case MENU_POPUP:
            i = FillMenu(commands, pMenu->addMenu(QString::fromLatin1(e.pszText)), table, i);
            break;
        }
    }
    return i;
}

}  // namespace

CCommandSet::CCommandSet(QObject* pParent) : QObject(pParent) {}

QAction* CCommandSet::GetAction(int nCommandId) {
    auto it = m_mapActions.find(nCommandId);
    if (it != m_mapActions.end()) return it->second;

    auto* pAction = new QAction(FindMenuText(nCommandId), this);
    pAction->setData(nCommandId);
    pAction->setStatusTip(LoadPrompt(nCommandId));
    connect(pAction, &QAction::triggered, this, [this, nCommandId] { emit Command(nCommandId); });
    m_mapActions.emplace(nCommandId, pAction);
    return pAction;
}

std::vector<int> CCommandSet::GetCommandIds() const {
    std::vector<int> ids;
    for (const auto& [nId, pAction] : m_mapActions) ids.push_back(nId);
    return ids;
}

void CCommandSet::BuildMenuBar(QMenuBar* pBar, int nMenuId) {
    const auto table = GetMenuTable(nMenuId);
    std::size_t i = 0;
    while (i < table.size()) {
        const CMenuEntry& e = table[i++];
        if (e.nKind != MENU_POPUP) continue;  // a menu bar holds popups only
        i = FillMenu(*this, pBar->addMenu(QString::fromLatin1(e.pszText)), table, i);
    }
}

QMenu* CCommandSet::BuildPopupMenu(int nMenuId, QWidget* pParent) {
    const auto table = GetMenuTable(nMenuId);
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].nKind != MENU_POPUP) continue;
        auto* pMenu = new QMenu(QString::fromLatin1(table[i].pszText), pParent);
        FillMenu(*this, pMenu, table, i + 1);
        return pMenu;
    }
    return nullptr;
}

void CCommandSet::BindAccelerators(int nAccelId, QWidget* pWindow) {
    for (const CAccelEntry& e : GetAccelTable(nAccelId)) {
        QAction* pAction = GetAction(e.nCommandId);
        QList<QKeySequence> keys = pAction->shortcuts();
        keys.append(QKeySequence(e.key));
        pAction->setShortcuts(keys);
        pWindow->addAction(pAction);
    }
}
