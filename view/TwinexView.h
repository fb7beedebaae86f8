// The result list: one row per duplicate pair, filling the main window's client area.
#pragma once

#include <QTableView>

#include <array>
#include <string>

#include "ResultRow.h"

class CResultModel;

// Column widths for a client area nClientWidth pixels wide with a vertical scroll bar
// nScrollBarWidth wide: 150, F, M, 150, F, M, 60, where F and M are 30% and 20% of what the
// three fixed columns leave. nSizeWidth widens the Size column for fonts in which 60 pixels
// cut the unit off. On a very narrow client F and M keep a usable minimum.
std::array<int, COL_COUNT> ComputeColumnWidths(int nClientWidth, int nScrollBarWidth,
                                               int nSizeWidth = 60);

class CTwinexView : public QTableView {
    Q_OBJECT
public:
    explicit CTwinexView(QWidget* pParent = nullptr);
    ~CTwinexView() override;

    CResultModel* GetModel() const { return m_pModel; }

    // Sets the columns up from the current client width. Called once, when the main window
    // first shows; later resizes keep the widths.
    void OnInitialUpdate();
    void SetupColumns(int nClientWidth, int nScrollBarWidth, int nSizeWidth = 60);

    bool GetGridLines() const { return showGrid(); }
    void SetGridLines(bool bOn) { setShowGrid(bOn); }

    // The icon index of a file, by its type; user-interface thread only.
    static int GetFileIconIndex(const std::string& strPath);

public slots:
    // A click on column nColumn's header: sorts and shows the direction on the header.
    void OnColumnClick(int nColumn);

private:
    CResultModel* m_pModel;
};

// The result view of the main window, or null while there is none.
CTwinexView* GetResultView();
// The main window makes its view the one GetResultView returns.
void SetActiveResultView(CTwinexView* pView);
