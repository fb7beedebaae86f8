#include "ActCommand.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>

#include "CliText.h"
#include "MoveCopies.h"
#include "PlannedCheck.h"
#include "RemoveCopies.h"
#include "ResultsFile.h"
#include "Trash.h"

namespace {

constexpr int EXIT_USAGE = 2;


void Say(const std::string& str) {
    std::fprintf(stderr, "twinex-cli: %s\n", str.c_str());
}

std::string Shown(const std::string& strPath) {
    return EscapeForTerminal(strPath);
}

const char* ActionWord(const CActOptions& opts) {
    switch (opts.nAction) {
        case ACT_LINK:
            return opts.nLink == LINK_CLONE ? "clone" : "link";
        case ACT_MOVE:
            return "move";
        case ACT_REMOVE:
        default:
            return opts.bTrash ? "trash" : "remove";
    }
}

std::string ReasonOf(const CKeptFile& file) {
    switch (file.nVerdict) {
        case CHECK_DIFFERENT:
            return "not the same bytes as " + Shown(file.strAgainst);
        case CHECK_UNREADABLE:
            return std::string("cannot be read: ") + std::strerror(file.nErrno);
        case CHECK_KEEP_UNREADABLE:
            return "the copy that stays cannot be read: " + Shown(file.strAgainst);
        case CHECK_NOT_RUN:
            return "not checked";
        case CHECK_CHANGED:
        default:
            return "changed since the search";
    }
}

std::string FailureOf(const CActOptions& opts, int nErrno) {
    if (nErrno == EXDEV) return "on another file system than the copy that stays";
    if (nErrno == EOPNOTSUPP && opts.nAction == ACT_LINK)
        return "its file system cannot make clones";
    if (nErrno == EEXIST && opts.nAction == ACT_LINK)
        return "already the same file as the copy that stays";
    if (nErrno == EEXIST && opts.nAction == ACT_MOVE) return "a file of that name is already there";
    return std::strerror(nErrno);
}

bool ReadInput(const std::string& strPath, std::string& strText) {
    if (strPath != "-") {
        const int nError = ReadWholeFile(strPath, strText);
        if (nError) Say("cannot read '" + Shown(strPath) + "': " + std::strerror(nError));
        return nError == 0;
    }
    strText.assign(std::istreambuf_iterator<char>(std::cin), {});
    return !std::cin.bad();
}

// Cuts strCommon (empty before the first path) to the folder that also holds strPath.
void NarrowCommonFolder(std::string& strCommon, std::string_view strPath) {
    if (strCommon.empty()) {
        strCommon = FolderOf(strPath);
        return;
    }
    std::size_t n = 0;
    while (n < strCommon.size() && n < strPath.size() && strCommon[n] == strPath[n]) ++n;
    const std::size_t nSlash = strCommon.rfind('/', n ? n - 1 : 0);
    strCommon.resize(nSlash == std::string::npos ? 0 : nSlash + 1);
    if (strCommon.empty()) strCommon = "/";
}

}  // namespace

bool IsActCommand(const std::string& strArg) {
    return strArg == "remove" || strArg == "link" || strArg == "move";
}

std::optional<std::string> ParseActCommand(const std::vector<std::string>& args,
                                           CActOptions& opts) {
    if (args.empty() || !IsActCommand(args[0])) return std::string("no subcommand");
    opts.nAction = args[0] == "link" ? ACT_LINK : args[0] == "move" ? ACT_MOVE : ACT_REMOVE;
    bool bResults = false, bOptions = true;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        auto value = [&](std::string& strOut) {
            if (i + 1 >= args.size()) return false;
            strOut = args[++i];
            return true;
        };
        if (bOptions && strArg == "--") {
            bOptions = false;
        } else if (bOptions && strArg == "--dry-run") {
            opts.bDryRun = true;
        } else if (bOptions && strArg == "--trash" && opts.nAction == ACT_REMOVE) {
            opts.bTrash = true;
        } else if (bOptions && (strArg == "--hard" || strArg == "--clone") &&
                   opts.nAction == ACT_LINK) {
            opts.nLink = strArg == "--hard" ? LINK_HARD : LINK_CLONE;
        } else if (bOptions && strArg == "--to" && opts.nAction == ACT_MOVE) {
            if (!value(opts.strTo) || opts.strTo.empty()) return "--to needs a folder";
        } else if (bOptions && strArg == "--keep") {
            std::string strRule;
            if (!value(strRule))
                return "--keep needs newest, oldest, first, shortest-path or in FOLDER";
            if (strRule == "newest")
                opts.keep.nChoice = KEEP_CHOICE_NEWEST;
            else if (strRule == "oldest")
                opts.keep.nChoice = KEEP_CHOICE_OLDEST;
            else if (strRule == "first")
                opts.keep.nChoice = KEEP_CHOICE_FIRST;
            else if (strRule == "shortest-path")
                opts.keep.nChoice = KEEP_CHOICE_SHORTEST_PATH;
            else if (strRule == "in") {
                opts.keep.nChoice = KEEP_CHOICE_IN_FOLDER;
                if (!value(opts.keep.strFolder) || opts.keep.strFolder.empty())
                    return "--keep in needs a folder";
            } else {
                return "unknown --keep rule '" + strRule + "'";
            }
        } else if (bOptions && strArg.size() > 1 && strArg[0] == '-') {
            return "unknown option '" + strArg + "' for " + args[0];
        } else if (bResults) {
            return "one results document at most";
        } else {
            opts.strResults = strArg;
            bResults = true;
        }
    }
    if (opts.nAction == ACT_MOVE && opts.strTo.empty()) return "move needs --to FOLDER";
    return std::nullopt;
}

std::string CommonFolder(const std::vector<std::string>& paths) {
    std::string strCommon;
    for (const std::string& strPath : paths) NarrowCommonFolder(strCommon, strPath);
    return strCommon.empty() ? "/" : strCommon;
}

std::string SearchedFolderOf(const std::string& strPath, const std::vector<std::string>& folders) {
    std::string strBest = "/";
    for (const std::string& strFolder : folders)
        if (strFolder.size() > strBest.size() && strPath.starts_with(strFolder)) strBest = strFolder;
    return strBest;
}

std::string MoveDestination(const std::string& strPath, const std::string& strBase,
                            const std::string& strTo) {
    std::string strDest = strTo;
    if (strDest.empty() || strDest.back() != '/') strDest += '/';
    return strDest + strPath.substr(strBase.size());
}

int RunActCommand(const std::vector<std::string>& args) {
    CActOptions opts;
    if (const auto strError = ParseActCommand(args, opts)) {
        Say(*strError + " (see twinex-cli --help)");
        return EXIT_USAGE;
    }
    std::string strText;
    if (!ReadInput(opts.strResults, strText)) return EXIT_USAGE;
    CResultsInfo info;
    std::vector<CResultRow> rows;
    CResultsError error;
    if (!ParseResults(strText, info, rows, error)) {
        Say("'" + Shown(opts.strResults) + "' is no results document twinex-cli can read" +
            (error.strDetail.empty() ? std::string() : " (" + error.strDetail + ")"));
        return EXIT_USAGE;
    }
    strText.clear();
    const CSetPlan sets = PlanSetActions(rows, opts.keep);
    const CDeletePlan& plan = sets.plan;
    // Only a move needs the folder below which paths are kept: the searched folder that holds
    // the file, or for results that do not name their folders, the one that holds them all.
    std::string strCommon;
    if (opts.nAction == ACT_MOVE && info.folders.empty())
        for (const CResultRow& row : rows) {
            NarrowCommonFolder(strCommon, row.m_strSourcePath);
            NarrowCommonFolder(strCommon, row.m_strTargetPath);
        }
    auto destination = [&](const std::string& strPath) {
        return MoveDestination(strPath, info.folders.empty() ? strCommon : SearchedFolderOf(strPath, info.folders),
                               opts.strTo);
    };

    CQuietProgress progress;
    std::vector<std::string> done, doneTo;
    std::vector<CKeptFile> kept;
    std::vector<CFailedFile> failed;
    if (opts.bDryRun) {
        std::vector<CCheckedCopy> copies;
        CheckPlannedFiles(plan, progress, copies, kept);
        for (const CCheckedCopy& copy : copies) {
            done.push_back(copy.strPath);
            doneTo.push_back(opts.nAction == ACT_MOVE ? destination(copy.strPath)
                                                      : copy.strAgainst);
        }
    } else if (opts.nAction == ACT_REMOVE) {
        CFileRemover remover;
        CXdgTrash trash(GetHomeTrashDir());
        CRemovalOutcome outcome = RemoveCheckedCopies(plan, opts.bTrash, remover, trash, progress);
        done = std::move(outcome.deleted);
        kept = std::move(outcome.kept);
        failed = std::move(outcome.failed);
    } else if (opts.nAction == ACT_LINK) {
        CLinkOutcome outcome = LinkCheckedCopies(plan, opts.nLink, progress);
        done = std::move(outcome.replaced);
        doneTo = std::move(outcome.linkedTo);
        kept = std::move(outcome.kept);
        failed = std::move(outcome.failed);
    } else {
        CMoveOutcome outcome = MoveCheckedCopies(plan, destination, progress);
        done = std::move(outcome.moved);
        doneTo = std::move(outcome.movedTo);
        kept = std::move(outcome.kept);
        failed = std::move(outcome.failed);
    }

    // One line per file on standard output: what was (or, in a dry run, would be) done.
    const bool bRemove = opts.nAction == ACT_REMOVE;
    for (std::size_t i = 0; i < done.size(); ++i) {
        std::string strLine = std::string(ActionWord(opts)) + " " + Shown(done[i]);
        if (!bRemove && i < doneTo.size()) strLine += " => " + Shown(doneTo[i]);
        std::printf("%s\n", strLine.c_str());
    }
    for (const CKeptFile& file : kept) Say("kept '" + Shown(file.strPath) + "': " + ReasonOf(file));
    for (const CFailedFile& file : failed)
        Say("failed '" + Shown(file.strPath) + "': " + FailureOf(opts, file.nErrno));
    for (const std::string& strPath : plan.kept)
        Say("kept '" + Shown(strPath) + "': every other copy of it is gone or changed");
    char szSummary[256];
    std::snprintf(szSummary, sizeof szSummary,
                  "%s%zu file(s) %s, %zu kept after the check, %zu failed; %zu set(s)%s",
                  opts.bDryRun ? "dry run: " : "", done.size(),
                  opts.bDryRun ? "would change" : "changed", kept.size(), failed.size(), sets.nSets,
                  sets.nSetsLeftAlone ? ", some left alone: no file in the --keep folder" : "");
    Say(szSummary);
    if (opts.nAction == ACT_LINK && opts.nLink == LINK_HARD && !done.empty() && !opts.bDryRun)
        Say("hard links share the kept file's owner, permissions and times");
    if (std::fflush(stdout) != 0) return 1;
    return kept.empty() && failed.empty() ? 0 : 1;
}
