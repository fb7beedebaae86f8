// What a change of the selected rows' files tells the user before and after, shared by the
// delete and the replacement with links: the plan over the rows, its notes, and why files stayed.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "CopyOutcome.h"
#include "DeletePlan.h"

class CResultModel;
class IPrompt;

// The plan over every row of the model, with these rows (ascending) selected.
CDeletePlan PlanSelectedRows(const CResultModel& model, const std::vector<int>& selected);

// The string ids of the notes whose wording depends on the action.
struct CPlanNoteIds {
    int nKeptLastCopy;
    int nKeptCopiesGone;
    int nEmpty;
};
// One line for each kind of file the plan leaves alone, and one when every file is empty.
QStringList PlanNotes(const CDeletePlan& plan, const CPlanNoteIds& ids);

// When the plan changes no file, says why and returns true: strReference when the selection
// held only reference files, strWhy when it held last copies or changed files, nothing when the
// selected files were all gone already.
bool TellNothingPlanned(IPrompt& prompt, const CDeletePlan& plan, const QString& strReference,
                        const QString& strWhy, const QString& strCaption);

QString ErrorText(int nError);
// "N file(s) were kept:" and each with the check's reason.
QString KeptList(const std::vector<CKeptFile>& kept);
