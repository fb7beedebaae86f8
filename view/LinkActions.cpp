#include "LinkActions.h"

#include <cerrno>
#include <map>

#include "PathText.h"
#include "PlanMessages.h"
#include "Prompt.h"
#include "ResTables.h"
#include "ResultModel.h"
#include "TwinexView.h"
#include "UndoDelete.h"

namespace {

// Each copy that stays, once, with the number of files that will link to it, in plan order.
QString KeptCopiesList(const CDeletePlan& plan) {
    struct CStay {
        std::string strPath;
        int nFiles = 0;
    };
    std::vector<CStay> stays;
    std::map<std::string_view, std::size_t> indexOf;
    for (const std::string& strStays : plan.stays) {
        const auto [it, bNew] = indexOf.try_emplace(strStays, stays.size());
        if (bNew) stays.push_back({strStays});
        ++stays[it->second].nFiles;
    }
    QString strText;
    const std::size_t nListed = std::min<std::size_t>(stays.size(), MAX_LISTED_FILES);
    for (std::size_t i = 0; i < nListed; ++i)
        strText +=
            QLatin1Char('\n') +
            LoadResString(IDS_LINK_TO_COPY).arg(DisplayPath(stays[i].strPath)).arg(stays[i].nFiles);
    if (stays.size() > nListed)
        strText +=
            QLatin1Char('\n') +
            LoadResString(IDS_DELETE_FAILED_MORE).arg(QString::number(stays.size() - nListed));
    return strText;
}

QString ConfirmText(const CDeletePlan& plan, ELinkKind nKind) {
    const bool bHard = nKind == LINK_HARD;
    QString strText;
    if (plan.paths.size() == 1) {
        strText = LoadResString(bHard ? IDS_LINK_HARD_ONE : IDS_LINK_CLONE_ONE)
                      .arg(DisplayName(plan.paths.front()), DisplayPath(plan.stays.front()));
    } else if (plan.paths.size() > 1) {
        strText =
            LoadResString(bHard ? IDS_LINK_HARD_MANY : IDS_LINK_CLONE_MANY).arg(plan.paths.size()) +
            QStringLiteral("\n\n") + LoadResString(IDS_LINK_STAYS) + KeptCopiesList(plan);
    } else {
        strText = LoadResString(IDS_LINK_NOTHING);
    }
    if (!plan.paths.empty())
        strText += QStringLiteral("\n\n") +
                   LoadResString(bHard ? IDS_LINK_HARD_NOTE : IDS_LINK_CLONE_NOTE);
    const QStringList notes =
        PlanNotes(plan, {IDS_LINK_KEPT_LAST_COPY, IDS_LINK_KEPT_COPIES_GONE, IDS_LINK_EMPTY_NOTE});
    if (!notes.isEmpty()) strText += QStringLiteral("\n\n") + notes.join(QLatin1Char('\n'));
    return strText;
}

// What did not change and why: the replacements refused or failed, then the files the check kept.
void TellWhatStayed(IPrompt& prompt, const CLinkOutcome& links) {
    if (links.failed.empty() && links.kept.empty()) return;
    QStringList parts;
    if (!links.failed.empty())
        parts << LoadResString(IDS_LINK_FAILED).arg(links.failed.size()) + QLatin1Char('\n') +
                     ListedFiles(links.failed, [](const CFailedFile& file) {
                         return LinkFailureReason(file.nErrno);
                     });
    if (!links.kept.empty()) parts << KeptList(links.kept);
    const bool bFailed = !links.failed.empty();
    prompt.Tell(parts.join(QStringLiteral("\n\n")),
                LoadResString(bFailed ? IDS_LINK_FAILED_CAPTION : IDS_CHECK_KEPT_CAPTION),
                bFailed ? IPrompt::ICON_ERROR : IPrompt::ICON_WARNING);
}

}  // namespace

QString LinkFailureReason(int nError) {
    switch (nError) {
        case EXDEV:
            return LoadResString(IDS_LINK_OTHER_FILE_SYSTEM);
        case EOPNOTSUPP:
            return LoadResString(IDS_LINK_NO_CLONES);
        case EEXIST:
            return LoadResString(IDS_LINK_ALREADY_SAME);
        case EINVAL:
            return LoadResString(IDS_NOT_REGULAR_FILE);
        default:
            return ErrorText(nError);
    }
}

QString LinkDoneText(const CLinkRowsOutcome& outcome) {
    if (outcome.replaced.empty()) return QString();
    return LoadResString(outcome.nKind == LINK_HARD ? IDS_LINK_HARD_DONE : IDS_LINK_CLONE_DONE)
        .arg(outcome.replaced.size());
}

CLinkRowsOutcome LinkSelectedFiles(CTwinexView& view, ELinkKind nKind) {
    CLinkRowsOutcome outcome;
    outcome.nKind = nKind;
    CResultModel& model = *view.GetModel();
    const std::vector<int> selected = model.GetSelectedRows();
    if (selected.empty()) return outcome;

    const CViewServices& services = view.Services();
    IPrompt& prompt = *services.pPrompt;
    CDeletePlan plan = PlanSelectedRows(model, selected);
    const bool bHard = nKind == LINK_HARD;
    const QString strCaption =
        LoadResString(bHard ? IDS_LINK_HARD_CAPTION : IDS_LINK_CLONE_CAPTION);
    const bool bNothing = TellNothingPlanned(
        prompt, plan, LoadResString(IDS_LINK_REFERENCE_PROTECTED).arg(plan.nReference),
        ConfirmText(plan, nKind), strCaption);
    outcome.lastCopies = std::move(plan.kept);
    if (bNothing) return outcome;
    const QString strQuestion =
        ConfirmText(plan, nKind) + QStringLiteral("\n\n") + LoadResString(IDS_CHECK_NOTE);
    if (!prompt.AskYesNo(strQuestion, strCaption, IPrompt::ICON_WARNING)) return outcome;

    CLinkOutcome links;
    {
        const std::unique_ptr<IDeleteProgress> pProgress = services.fnMakeProgress(
            view.window(), LoadResString(bHard ? IDS_LINK_HARD_PROGRESS : IDS_LINK_CLONE_PROGRESS));
        links = LinkCheckedCopies(plan, nKind, *pProgress);
    }
    if (links.bCancelled) return outcome;
    model.MarkLinked(links.replaced, links.linkedTo, nKind);
    if (!links.replaced.empty()) DeleteJournalOf(model).Forget();
    TellWhatStayed(prompt, links);
    outcome.bDone = true;
    outcome.replaced = std::move(links.replaced);
    outcome.kept = std::move(links.kept);
    outcome.failed = std::move(links.failed);
    return outcome;
}
