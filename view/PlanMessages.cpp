#include "PlanMessages.h"

#include <algorithm>
#include <cstring>

#include "PathText.h"
#include "Prompt.h"
#include "ResTables.h"
#include "ResultModel.h"

namespace {

QString KeptReason(const CKeptFile& file) {
    switch (file.nVerdict) {
        case CHECK_DIFFERENT:
            return LoadResString(IDS_CHECK_DIFFERENT).arg(DisplayPath(file.strAgainst));
        case CHECK_UNREADABLE:
            return LoadResString(IDS_CHECK_UNREADABLE).arg(ErrorText(file.nErrno));
        case CHECK_KEEP_UNREADABLE:
            return LoadResString(IDS_CHECK_KEEP_UNREADABLE)
                .arg(DisplayPath(file.strAgainst),
                     file.nErrno ? ErrorText(file.nErrno) : LoadResString(IDS_CHECK_CHANGED));
        default:
            return LoadResString(IDS_CHECK_CHANGED);
    }
}

}  // namespace

CDeletePlan PlanSelectedRows(const CResultModel& model, const std::vector<int>& selected) {
    std::vector<CPlanRow> rows(static_cast<std::size_t>(model.GetRowCount()));
    for (int i = 0; i < model.GetRowCount(); ++i) {
        const CResultItem& item = model.GetItem(i);
        rows[static_cast<std::size_t>(i)] = {
            item.m_strSourcePath,    item.m_strTargetPath,   item.m_nSize,
            item.m_tSource,          item.m_tTarget,         false,
            item.m_bSourceReference, item.m_bTargetReference};
    }
    for (int nRow : selected) rows[static_cast<std::size_t>(nRow)].bSelected = true;
    return PlanDelete(rows);
}

QStringList PlanNotes(const CDeletePlan& plan, const CPlanNoteIds& ids) {
    QStringList notes;
    if (plan.nReference) notes << LoadResString(IDS_REFERENCE_KEPT).arg(plan.nReference);
    if (plan.nKeptLastCopy) notes << LoadResString(ids.nKeptLastCopy).arg(plan.nKeptLastCopy);
    if (plan.nKeptCopiesGone) notes << LoadResString(ids.nKeptCopiesGone).arg(plan.nKeptCopiesGone);
    if (plan.nChanged) notes << LoadResString(IDS_SKIPPED_CHANGED).arg(plan.nChanged);
    // Empty files are often markers that programs expect, and changing them gains nothing.
    if (!plan.sizes.empty() &&
        std::all_of(plan.sizes.begin(), plan.sizes.end(), [](std::uint64_t n) { return n == 0; }))
        notes << LoadResString(ids.nEmpty);
    return notes;
}

bool TellNothingPlanned(IPrompt& prompt, const CDeletePlan& plan, const QString& strReference,
                        const QString& strWhy, const QString& strCaption) {
    if (!plan.paths.empty()) return false;
    if (plan.kept.empty() && !plan.nChanged && plan.nReference)
        prompt.Tell(strReference, LoadResString(IDS_REFERENCE_CAPTION), IPrompt::ICON_INFORMATION);
    else if (!plan.kept.empty() || plan.nChanged)
        prompt.Tell(strWhy, strCaption, IPrompt::ICON_INFORMATION);
    return true;
}

QString ErrorText(int nError) {
    return QString::fromLocal8Bit(std::strerror(nError));
}

QString KeptList(const std::vector<CKeptFile>& kept) {
    return LoadResString(IDS_CHECK_KEPT).arg(kept.size()) + QLatin1Char('\n') +
           ListedFiles(kept, KeptReason);
}
