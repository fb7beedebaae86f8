// The result list: one row per duplicate pair, filling the main window's client area.
#pragma once

#include <QTableView>

#include <array>
#include <string>

#include "ResultRow.h"
#include "ViewServices.h"

class CResultModel;
struct CDeleteOutcome;
struct CLinkRowsOutcome;

// Column widths for a client area nClientWidth pixels wide with a vertical scroll bar
// nScrollBarWidth wide: 150, F, M, 150, F, M, 60, where F and M are 30% and 20% of what the
// three fixed columns leave. nSizeWidth widens the Size column for fonts in which 60 pixels
// cut the unit off. On a very narrow client F and M keep a usable minimum.
std::array<int, COL_COUNT> ComputeColumnWidths(int nClientWidth, int nScrollBarWidth,
                                               int nSizeWidth = 60);

class CTwinexView : public QTableView {
    Q_OBJECT
public:
    // The services' objects must outlive the view.
    explicit CTwinexView(const CViewServices& services, QWidget* pParent = nullptr);
    ~CTwinexView() override;

    CResultModel* GetModel() const { return m_pModel; }
    // What the row actions reach the desktop through; whoever owns the view may swap them.
    CViewServices& Services() { return m_services; }

    // Sets the columns up from the current client width. Called once, when the main window
    // first shows; later resizes keep the widths.
    void OnInitialUpdate();
    void SetupColumns(int nClientWidth, int nScrollBarWidth, int nSizeWidth = 60);

    bool GetGridLines() const { return showGrid(); }
    void SetGridLines(bool bOn) { setShowGrid(bOn); }

signals:
    // A delete from the context menu is over.
    void FilesDeleted(const CDeleteOutcome& outcome);
    // A replacement with links from the context menu is over.
    void FilesLinked(const CLinkRowsOutcome& outcome);

public slots:
    // A click on column nColumn's header: sorts and shows the direction on the header.
    void OnColumnClick(int nColumn);

private:
    CViewServices m_services;
    CResultModel* m_pModel;
};
