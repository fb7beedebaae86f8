#include "ExtrasFixture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QTest>

#include "ActionsSupport.h"
#include "RowActions.h"
#include "SearchState.h"
#include "TwinexView.h"

void ExtrasTest::SetUp() {
    EmptyTestTrash();
    m_pFrame = std::make_unique<CMainFrame>(&m_doc);
    m_pFrame->SetPrompt(&m_prompt);
    RowActionServices().fnIsShiftDown = [this] { return m_bShift; };
    m_pFrame->resize(1000, 600);
    m_pFrame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
    g_nCollectedFiles = 42;
}

void ExtrasTest::TearDown() {
    if (QWidget* pPopup = QApplication::activePopupWidget()) pPopup->close();
    RowActionServices().fnIsShiftDown = nullptr;
    m_pFrame.reset();
}

CResultModel& ExtrasTest::Model() {
    return *View().GetModel();
}

void ExtrasTest::Command(int nCommandId) {
    m_pFrame->GetCommandAction(nCommandId)->trigger();
}

std::string ExtrasTest::File(const std::string& strName, const std::string& strBytes,
                             std::int64_t tModified) {
    const std::string strPath = m_tree.Add(strName, strBytes);
    const timespec times[2] = {{tModified, 0}, {tModified, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, strPath.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    return strPath;
}

void ExtrasTest::SetRows(std::vector<CResultRow> rows) {
    Model().Clear();
    Model().AppendRows(std::move(rows));
}

void ExtrasTest::Select(std::initializer_list<int> rows) {
    Model().GetSelectionModel()->clearSelection();
    for (int nRow : rows) Model().SetSelected(nRow, true);
}

std::vector<std::string> ExtrasTest::Sources() {
    std::vector<std::string> sources;
    for (int i = 0; i < Model().GetRowCount(); ++i) sources.push_back(Model().GetSourcePath(i));
    return sources;
}

std::vector<std::string> ExtrasTest::SelectedSources() {
    std::vector<std::string> sources;
    for (int nRow : Selected()) sources.push_back(Model().GetSourcePath(nRow));
    return sources;
}
