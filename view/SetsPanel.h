// The sets view with its sort choice above it: what the main window shows in place of the
// result list while View > Duplicate Sets is checked.
#pragma once

#include <QWidget>

class QComboBox;
class CSetsView;
class CTwinexView;

class CSetsPanel : public QWidget {
    Q_OBJECT
public:
    explicit CSetsPanel(CTwinexView* pList, QWidget* pParent = nullptr);

    CSetsView* GetView() const { return m_pView; }
    QComboBox* GetSortChoice() const { return m_pSort; }

private:
    QComboBox* m_pSort;
    CSetsView* m_pView;
};
