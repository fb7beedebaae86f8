// Helpers of the result actions suites: real files, rows made from them, the isolated Trash,
// and the main window over them with scripted answers.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FileHelpers.h"
#include "MainFrame.h"
#include "QtTestSupport.h"
#include "ResultModel.h"
#include "ResultRow.h"
#include "TempTree.h"
#include "TwinexDoc.h"
#include "TwinexView.h"

// Right clicks at a point of a widget and triggers the enabled item of the menu with this text
// (false when there is none).
bool RightClickItem(QWidget* pWidget, QPoint pt, const char* pszItem);

// The main window over real temporary files, with scripted answers and the test's own Trash.
class CFrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CTwinexView& View() { return *m_pFrame->GetActiveView(); }
    CResultModel& Model() { return *View().GetModel(); }
    void Command(int nCommandId);
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // A file with these bytes and modification time (seconds since the epoch).
    std::string File(const std::string& strName, const std::string& strBytes,
                     std::int64_t tModified = 1000);
    void SetRows(std::vector<CResultRow> rows);
    void Select(std::initializer_list<int> rows);
    std::vector<int> Selected() { return Model().GetSelectedRows(); }
    // Source paths of the rows, in row order.
    std::vector<std::string> Sources();
    std::vector<std::string> TrashFiles();
    // Selects the rows and runs the command, answering Yes.
    void DeleteRows(std::initializer_list<int> rows, int nCommandId);
    const CScriptedPrompt::CAsked& LastAsked() { return m_prompt.m_asked.back(); }

    CTempTree m_tree;
    CTwinexDoc m_doc;
    CScriptedPrompt m_prompt;
    bool m_bShift = false;
    std::unique_ptr<CMainFrame> m_pFrame;
};
