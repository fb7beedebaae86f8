// The main window over real temporary files, with scripted answers and the test's own Trash.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ActionsSupport.h"
#include "MainFrame.h"
#include "QtTestSupport.h"
#include "ResultModel.h"
#include "RowActions.h"
#include "SearchState.h"
#include "TempTree.h"
#include "TwinexDoc.h"
#include "TwinexView.h"

class ExtrasTest : public ::testing::Test {
protected:
    void SetUp() override {
        EmptyTestTrash();
        m_pFrame = std::make_unique<CMainFrame>(&m_doc);
        m_pFrame->SetPrompt(&m_prompt);
        RowActionServices().fnIsShiftDown = [this] { return m_bShift; };
        m_pFrame->resize(1000, 600);
        m_pFrame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));
        g_nCollectedFiles = 42;
    }
    void TearDown() override {
        if (QWidget* pPopup = QApplication::activePopupWidget()) pPopup->close();
        RowActionServices().fnIsShiftDown = nullptr;
        m_pFrame.reset();
    }

    CTwinexView& View() { return *m_pFrame->GetActiveView(); }
    CResultModel& Model() { return *View().GetModel(); }
    void Command(int nCommandId) { m_pFrame->GetCommandAction(nCommandId)->trigger(); }
    // A file with these bytes and modification time (seconds since the epoch).
    std::string File(const std::string& strName, const std::string& strBytes, std::int64_t tModified) {
        const std::string strPath = m_tree.Add(strName, strBytes);
        const timespec times[2] = {{tModified, 0}, {tModified, 0}};
        EXPECT_EQ(utimensat(AT_FDCWD, strPath.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
        return strPath;
    }
    void SetRows(std::vector<CResultRow> rows) {
        Model().Clear();
        Model().AppendRows(std::move(rows));
    }
    void Select(std::initializer_list<int> rows) {
        Model().GetSelectionModel()->clearSelection();
        for (int nRow : rows) Model().SetSelected(nRow, true);
    }
    std::vector<int> Selected() { return Model().GetSelectedRows(); }
    // Source paths of the rows, in row order.
    std::vector<std::string> Sources() {
        std::vector<std::string> sources;
        for (int i = 0; i < Model().GetRowCount(); ++i) sources.push_back(Model().GetSourcePath(i));
        return sources;
    }

    CTempTree m_tree;
    CTwinexDoc m_doc;
    CScriptedPrompt m_prompt;
    bool m_bShift = false;
    std::unique_ptr<CMainFrame> m_pFrame;
};
