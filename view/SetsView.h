// The duplicate sets as a tree beside the result list: the same rows and the same selection,
// shown as check boxes on the files of each set.
#pragma once

#include <QTreeView>

class CSetsModel;
class CTwinexView;

class CSetsView : public QTreeView {
    Q_OBJECT
public:
    // Above this many files the sets start closed: opening them all costs more than a look.
    static constexpr int EXPAND_LIMIT = 20000;

    // Shows the rows of pList's model; opens files through pList's services, which its owner
    // may swap at any time.
    explicit CSetsView(CTwinexView* pList, QWidget* pParent = nullptr);

    CSetsModel* GetModel() const { return m_pModel; }
    // The first row whose source is the current file; -1 when there is none.
    int GetCurrentFileRow() const;

public slots:
    // Opens the file of an activated file row; a set row only opens or closes.
    void OnItemActivate(const QModelIndex& index);

protected:
    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    void OnRebuilt();

    CTwinexView* m_pList;
    CSetsModel* m_pModel;
    int m_nScroll = 0;  // kept across a rebuild, so a delete does not jump back to the top
};
