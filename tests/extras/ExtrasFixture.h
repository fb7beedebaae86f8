// The main window over real temporary files, with scripted answers and the test's own Trash.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MainFrame.h"
#include "QtTestSupport.h"
#include "ResultModel.h"
#include "TempTree.h"
#include "TwinexDoc.h"

class CTwinexView;

class ExtrasTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    CTwinexView& View() { return *m_pFrame->GetActiveView(); }
    CResultModel& Model();
    void Command(int nCommandId);
    // A file with these bytes and modification time (seconds since the epoch).
    std::string File(const std::string& strName, const std::string& strBytes,
                     std::int64_t tModified);
    void SetRows(std::vector<CResultRow> rows);
    void Select(std::initializer_list<int> rows);
    std::vector<int> Selected() { return Model().GetSelectedRows(); }
    // Source paths of the rows, in row order.
    std::vector<std::string> Sources();
    // Source paths of the selected rows.
    std::vector<std::string> SelectedSources();

    CTempTree m_tree;
    CTwinexDoc m_doc;
    CScriptedPrompt m_prompt;
    bool m_bShift = false;
    std::unique_ptr<CMainFrame> m_pFrame;
};
