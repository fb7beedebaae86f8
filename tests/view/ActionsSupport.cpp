#include "ActionsSupport.h"

#include <fcntl.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "SearchState.h"
#include "Trash.h"

namespace fs = std::filesystem;

namespace {

// Runs before main(): no test may touch the user's Trash or see the user's settings. The
// system folders stay, since the MIME database lives there.
struct CIsolatedXdg {
    CTempTree tree;
    std::string strData = tree.AddDir("data");
    std::string strConfig = tree.AddDir("config");
    CIsolatedXdg() {
        strData.pop_back();
        strConfig.pop_back();
        setenv("XDG_DATA_HOME", strData.c_str(), 1);
        setenv("XDG_CONFIG_HOME", strConfig.c_str(), 1);
        unsetenv("XDG_CURRENT_DESKTOP");
    }
};

CIsolatedXdg& Xdg() {
    static CIsolatedXdg xdg;
    return xdg;
}

const bool g_bIsolated = (Xdg(), true);

}  // namespace

bool RightClickItem(QWidget* pWidget, QPoint pt, const char* pszItem) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, pt, pWidget->mapToGlobal(pt));
    QApplication::sendEvent(pWidget, &event);
    QMenu* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!pMenu) return false;
    bool bFound = false;
    for (QAction* pAction : pMenu->actions())
        if (pAction->text() == QLatin1String(pszItem) && pAction->isEnabled()) {
            pAction->trigger();
            bFound = true;
        }
    pMenu->close();
    return bFound;
}

void CFrameTest::SetUp() {
    std::error_code ec;
    fs::remove_all(Xdg().strData + "/Trash", ec);
    m_pFrame = std::make_unique<CMainFrame>(&m_doc);
    m_pFrame->SetPrompt(&m_prompt);
    View().Services().fnIsShiftDown = [this] { return m_bShift; };
    m_pFrame->resize(1000, 600);
    m_pFrame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
    m_pFrame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pFrame.get()));
    g_nCollectedFiles = 42;
}

void CFrameTest::TearDown() {
    if (QWidget* pPopup = QApplication::activePopupWidget()) pPopup->close();
    m_pFrame.reset();
}

void CFrameTest::Command(int nCommandId) { m_pFrame->GetCommandAction(nCommandId)->trigger(); }

void CFrameTest::Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    View().setFocus();
    QTest::keyClick(&View(), key, modifiers);
}

std::string CFrameTest::File(const std::string& strName, const std::string& strBytes,
                             std::int64_t tModified) {
    const std::string strPath = m_tree.Add(strName, strBytes);
    const timespec times[2] = {{tModified, 0}, {tModified, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, strPath.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    return strPath;
}

void CFrameTest::SetRows(std::vector<CResultRow> rows) {
    Model().Clear();
    Model().AppendRows(std::move(rows));
}

void CFrameTest::Select(std::initializer_list<int> rows) {
    Model().GetSelectionModel()->clearSelection();
    for (int nRow : rows) Model().SetSelected(nRow, true);
}

std::vector<std::string> CFrameTest::Sources() {
    std::vector<std::string> sources;
    for (int i = 0; i < Model().GetRowCount(); ++i) sources.push_back(Model().GetSourcePath(i));
    return sources;
}

std::vector<std::string> CFrameTest::TrashFiles() { return ListDir(GetHomeTrashDir() + "/files"); }

void CFrameTest::DeleteRows(std::initializer_list<int> rows, int nCommandId) {
    Select(rows);
    m_prompt.PushAnswer(true);
    Command(nCommandId);
}
