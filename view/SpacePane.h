// The status bar's space line: what the rows' duplicate sets free, or, while rows are selected,
// how many distinct files the selection holds and their bytes.
#pragma once

#include <QLabel>

#include "SetTable.h"

class CResultModel;
class CSetsModel;

class CSpacePane : public QLabel {
    Q_OBJECT
public:
    // pSets is built over pRows; both must outlive the pane.
    CSpacePane(CSetsModel* pSets, CResultModel* pRows, QWidget* pParent = nullptr);

    // Forms the text at once; otherwise it follows the rows and the selection when they settle.
    void Refresh();

private:
    void Schedule();

    CSetsModel* m_pSets;
    CResultModel* m_pRows;
    CSetSummary m_summary;
    // The sets change only when rows come or go; a sort keeps them, and their summary.
    bool m_bSummaryStale = true;
    bool m_bFilling = false;
    bool m_bQueued = false;
};
