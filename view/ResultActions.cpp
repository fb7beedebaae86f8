#include "ResultActions.h"

#include "ResultModel.h"
#include "TwinexView.h"

void SelectAllItems() {
    if (CTwinexView* pView = GetResultView()) pView->GetModel()->SelectAll();
}
