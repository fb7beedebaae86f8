#include "ResultActions.h"

#include <sys/stat.h>

#include <cerrno>
#include <unordered_set>

#include "PathText.h"
#include "PlanMessages.h"
#include "Prompt.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "TwinexView.h"
#include "UndoDelete.h"

namespace {

QString FailureReason(int nError, bool bToTrash) {
    if (bToTrash && nError == EXDEV) return LoadResString(IDS_NO_TRASH_HERE);
    return ErrorText(nError);
}

QString ConfirmText(const CDeletePlan& plan, bool bToTrash) {
    QString strText;
    const int nCount = static_cast<int>(plan.paths.size());
    if (nCount == 1)
        strText = LoadResString(bToTrash ? IDS_TRASH_ONE : IDS_DELETE_ONE)
                      .arg(DisplayName(plan.paths.front()));
    else if (nCount > 1)
        strText = LoadResString(bToTrash ? IDS_TRASH_MANY : IDS_DELETE_MANY).arg(nCount);
    else
        strText = LoadResString(IDS_NOTHING_TO_DELETE);

    const QStringList notes =
        PlanNotes(plan, {IDS_KEPT_LAST_COPY, IDS_KEPT_COPIES_GONE, IDS_EMPTY_FILES_NOTE});
    if (!notes.isEmpty()) strText += QStringLiteral("\n\n") + notes.join(QLatin1Char('\n'));
    return strText;
}

// What did not go and why: the files that could not be removed, then those the check kept.
void TellWhatStayed(IPrompt& prompt, const CRemovalOutcome& removal, bool bToTrash) {
    if (removal.failed.empty() && removal.kept.empty()) return;
    QStringList parts;
    if (!removal.failed.empty())
        parts << LoadResString(IDS_DELETE_FAILED).arg(removal.failed.size()) + QLatin1Char('\n') +
                     ListedFiles(removal.failed, [&](const CFailedFile& file) {
                         return FailureReason(file.nErrno, bToTrash);
                     });
    if (!removal.kept.empty()) parts << KeptList(removal.kept);
    const bool bFailed = !removal.failed.empty();
    prompt.Tell(parts.join(QStringLiteral("\n\n")),
                LoadResString(bFailed ? IDS_DELETE_FAILED_CAPTION : IDS_CHECK_KEPT_CAPTION),
                bFailed ? IPrompt::ICON_ERROR : IPrompt::ICON_WARNING);
}

// Every row whose source file is gone leaves, in one pass. Files this delete removed are known
// gone; the others are looked at once each, so rows that share a source cost one lstat.
void SweepRows(CResultModel& model, const std::vector<std::string>& deleted) {
    const std::unordered_set<std::string_view> gone(deleted.begin(), deleted.end());
    std::string_view strLast;
    bool bLastGone = false;
    model.RemoveRowsIf([&](const CResultItem& item) {
        const std::string& strPath = item.m_strSourcePath;
        if (strPath == strLast) return bLastGone;
        strLast = strPath;
        if (gone.count(strPath)) return bLastGone = true;
        struct stat st;
        bLastGone = lstat(strPath.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
        return bLastGone;
    });
}

// Undo Delete brings back what went to the Trash; a delete for good ends what it can undo.
void RecordForUndo(CResultModel& model, const CRemovalOutcome& removal, bool bToTrash) {
    CDeleteJournal& journal = DeleteJournalOf(model);
    if (!bToTrash) {
        if (!removal.deleted.empty()) journal.Forget();
        return;
    }
    std::vector<std::pair<std::string, std::string>> moved;
    for (std::size_t i = 0; i < removal.deleted.size(); ++i)
        if (!removal.trashedAs[i].empty()) moved.emplace_back(removal.deleted[i], removal.trashedAs[i]);
    journal.RecordTrashDelete(model, moved);
}

}  // namespace

void SelectAllItems(CTwinexView& view) { view.GetModel()->SelectAll(); }

CDeleteOutcome DeleteSelectedFiles(CTwinexView& view, bool bAllowUndo) {
    CDeleteOutcome outcome;
    CResultModel& model = *view.GetModel();
    const std::vector<int> selected = model.GetSelectedRows();
    if (selected.empty()) return outcome;

    const CViewServices& services = view.Services();
    IPrompt& prompt = *services.pPrompt;
    CDeletePlan plan = PlanSelectedRows(model, selected);
    const QString strCaption = LoadResString(bAllowUndo ? IDS_TRASH_CAPTION : IDS_DELETE_CAPTION);
    const bool bNothing =
        TellNothingPlanned(prompt, plan, LoadResString(IDS_REFERENCE_PROTECTED).arg(plan.nReference),
                           ConfirmText(plan, bAllowUndo), strCaption);
    outcome.lastCopies = std::move(plan.kept);
    if (!bNothing) {
        const QString strQuestion =
            ConfirmText(plan, bAllowUndo) + QStringLiteral("\n\n") + LoadResString(IDS_CHECK_NOTE);
        if (!prompt.AskYesNo(strQuestion, strCaption, IPrompt::ICON_WARNING)) return outcome;
        const std::unique_ptr<IDeleteProgress> pProgress = services.fnMakeProgress(view.window(), QString());
        CRemovalOutcome removal = RemoveCheckedCopies(plan, bAllowUndo, *services.pRemover,
                                                      *services.pTrash, *pProgress);
        if (removal.bCancelled) return outcome;
        TellWhatStayed(prompt, removal, bAllowUndo);
        // Before the sweep, while the rows of the files that went are still there.
        RecordForUndo(model, removal, bAllowUndo);
        outcome.deleted = std::move(removal.deleted);
        outcome.kept = std::move(removal.kept);
        outcome.failed = std::move(removal.failed);
    }
    SweepRows(model, outcome.deleted);
    outcome.bRowsSwept = true;
    return outcome;
}
