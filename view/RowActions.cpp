#include "RowActions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QMimeDatabase>
#include <QProgressDialog>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "Commands.h"
#include "CopyCheck.h"
#include "DeletePlan.h"
#include "FileInfo.h"
#include "MimeApps.h"
#include "PathText.h"
#include "Prompt.h"
#include "ResTables.h"
#include "ResultActions.h"
#include "ResultModel.h"
#include "SearchState.h"
#include "Title.h"
#include "SelectionHelpers.h"
#include "Trash.h"
#include "TwinexView.h"
#include "UndoDelete.h"

namespace {

constexpr int PROGRESS_SHOW_AFTER_MS = 500;
constexpr qint64 PROGRESS_UPDATE_MS = 50;
constexpr int CHECK_PROGRESS_STEPS = 1000;

// The MIME type by name and, for a regular file, its first bytes, read through a descriptor
// opened on the exact path (a QString path could not name every file).
QMimeType MimeTypeOf(const std::string& strPath) {
    QMimeDatabase db;
    const QString strName = DisplayName(strPath);
    const int fd = OpenRegularFile(strPath);
    if (fd < 0) return db.mimeTypeForFile(strName, QMimeDatabase::MatchExtension);
    QMimeType type;
    QFile file;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        type = db.mimeTypeForFileNameAndData(strName, &file);
    close(fd);
    return type.isValid() ? type : db.mimeTypeForFile(strName, QMimeDatabase::MatchExtension);
}

IPrompt& PromptFor(QWidget* pFrame, CMessageBoxPrompt& fallback) {
    if (IPrompt* pPrompt = RowActionServices().pPrompt) return *pPrompt;
    fallback.SetParent(pFrame);
    return fallback;
}

IFileLauncher& Launcher() {
    static CDesktopLauncher launcher;
    IFileLauncher* p = RowActionServices().pLauncher;
    return p ? *p : launcher;
}

IFileRemover& Remover() {
    static CFileRemover remover;
    IFileRemover* p = RowActionServices().pRemover;
    return p ? *p : remover;
}

QString FailureReason(int nError, bool bToTrash) {
    if (bToTrash && nError == EXDEV) return LoadResString(IDS_NO_TRASH_HERE);
    return QString::fromLocal8Bit(std::strerror(nError));
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

    QStringList notes;
    if (plan.nKeptLastCopy) notes << LoadResString(IDS_KEPT_LAST_COPY).arg(plan.nKeptLastCopy);
    if (plan.nKeptCopiesGone)
        notes << LoadResString(IDS_KEPT_COPIES_GONE).arg(plan.nKeptCopiesGone);
    if (plan.nChanged) notes << LoadResString(IDS_SKIPPED_CHANGED).arg(plan.nChanged);
    if (!notes.isEmpty()) strText += QStringLiteral("\n\n") + notes.join(QLatin1Char('\n'));
    return strText;
}

struct CFailure {
    std::string strPath;
    int nError;
};

// A file the check found to be a copy of strAgainst, with both as the check saw them.
struct CRemoval {
    std::string strPath;
    std::string strAgainst;
    CFileStamp stamp, stampAgainst;
};

// A file the check kept, and why.
struct CKept {
    std::string strPath;
    QString strReason;
};

QString CheckReason(const CCheckResult& result) {
    switch (result.nVerdict) {
    case CHECK_DIFFERENT:
        return LoadResString(IDS_CHECK_DIFFERENT).arg(DisplayPath(result.strAgainst));
    case CHECK_UNREADABLE:
        return LoadResString(IDS_CHECK_UNREADABLE)
            .arg(QString::fromLocal8Bit(std::strerror(result.nErrno)));
    case CHECK_KEEP_UNREADABLE:
        return LoadResString(IDS_CHECK_KEEP_UNREADABLE)
            .arg(DisplayPath(result.strAgainst),
                 result.nErrno ? QString::fromLocal8Bit(std::strerror(result.nErrno))
                               : LoadResString(IDS_CHECK_CHANGED));
    default:
        return LoadResString(IDS_CHECK_CHANGED);
    }
}

// Compares every planned file with the copy that stays; the files that may go come back in
// plan order, the others in kept. False when the user cancelled: nothing may go then.
bool CheckPlannedFiles(const CDeletePlan& plan, IDeleteProgress& progress,
                       std::vector<CRemoval>& removals, std::vector<CKept>& kept) {
    std::vector<CCopyCheck> checks(plan.paths.size());
    for (std::size_t i = 0; i < plan.paths.size(); ++i) {
        checks[i] = {plan.paths[i], plan.stays[i], plan.sizes[i]};
    }
    progress.BeginCheck(CheckCopiesBytes(checks));
    bool bCancelled = false;
    const std::vector<CCheckResult> results = CheckCopies(
        checks, [&](std::uint64_t nDone) { return progress.StepCheck(nDone); }, bCancelled);
    if (bCancelled) return false;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const CCheckResult& result = results[i];
        if (result.nVerdict == CHECK_SAME)
            removals.push_back({plan.paths[i], result.strAgainst, result.stamp, result.stampAgainst});
        else
            kept.push_back({plan.paths[i], CheckReason(result)});
    }
    return true;
}

// Both files still as the check read them.
bool StillAsChecked(const CRemoval& removal) {
    CFileStamp stamp, stampAgainst;
    return ReadFileStamp(removal.strPath, stamp) && stamp == removal.stamp &&
           ReadFileStamp(removal.strAgainst, stampAgainst) && stampAgainst == removal.stampAgainst;
}

// Removes the files in order until done or cancelled; returns the failures. A file already
// gone counts as removed: it is where the user wanted it. A file that changed since the check
// joins kept. trashedAs receives, per file, where it went in the Trash ("" when it did not).
std::vector<CFailure> RemoveFiles(const std::vector<CRemoval>& removals, bool bToTrash,
                                  IDeleteProgress& progress, std::vector<char>& removed,
                                  std::vector<std::string>& trashedAs, std::vector<CKept>& kept) {
    IFileRemover& remover = Remover();
    std::vector<CFailure> failures;
    removed.assign(removals.size(), 0);
    trashedAs.assign(removals.size(), std::string());
    progress.Begin(static_cast<int>(removals.size()), bToTrash);
    for (std::size_t i = 0; i < removals.size(); ++i) {
        if (!progress.Step(static_cast<int>(i))) break;
        const std::string& strPath = removals[i].strPath;
        if (!StillAsChecked(removals[i])) {
            kept.push_back({strPath, LoadResString(IDS_CHECK_CHANGED)});
            continue;
        }
        const int nError = bToTrash ? remover.Trash(strPath, &trashedAs[i])
                                    : remover.Remove(strPath, false);
        if (nError == 0 || nError == ENOENT)
            removed[i] = 1;
        else
            failures.push_back({strPath, nError});
    }
    progress.Step(static_cast<int>(removals.size()));
    progress.End();
    return failures;
}

// What did not go and why: the files that could not be removed, then those the check kept.
QString SummaryText(const std::vector<CFailure>& failures, const std::vector<CKept>& kept,
                    bool bToTrash) {
    QStringList parts;
    if (!failures.empty())
        parts << LoadResString(IDS_DELETE_FAILED).arg(failures.size()) + QLatin1Char('\n') +
                     ListedFiles(failures, [&](const CFailure& failure) {
                         return FailureReason(failure.nError, bToTrash);
                     });
    if (!kept.empty())
        parts << LoadResString(IDS_CHECK_KEPT).arg(kept.size()) + QLatin1Char('\n') +
                     ListedFiles(kept, [](const CKept& item) { return item.strReason; });
    return parts.join(QStringLiteral("\n\n"));
}

// Every row whose source file is gone leaves, in one pass. Files this delete removed are known
// gone; the others are looked at once each, so rows that share a source cost one lstat.
void SweepRows(CResultModel& model, const std::vector<std::string>& paths,
               const std::vector<char>& removed) {
    std::unordered_set<std::string_view> gone;
    gone.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (removed[i]) gone.insert(paths[i]);
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
void RecordForUndo(CResultModel& model, const std::vector<std::string>& paths,
                   const std::vector<std::string>& trashedAs, const std::vector<char>& removed,
                   bool bToTrash) {
    CDeleteJournal& journal = DeleteJournalOf(model);
    if (!bToTrash) {
        if (std::find(removed.begin(), removed.end(), 1) != removed.end()) journal.Forget();
        return;
    }
    std::vector<std::pair<std::string, std::string>> moved;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (!trashedAs[i].empty()) moved.emplace_back(paths[i], trashedAs[i]);
    journal.RecordTrashDelete(model, moved);
}

}  // namespace

// --- The real services ---

QString CDesktopLauncher::FindDefaultApplication(const QStringList& mimeTypes) {
    std::vector<std::string> types;
    for (const QString& strType : mimeTypes) types.push_back(strType.toStdString());
    return QString::fromStdString(::FindDefaultApplication(types, CXdgDirs::FromEnvironment()));
}

QUrl FileUrlOf(const std::string& strPath) {
    const QByteArray bytes(strPath.data(), static_cast<qsizetype>(strPath.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"), QUrl::StrictMode);
}

bool CDesktopLauncher::OpenFile(const std::string& strPath) {
    return QDesktopServices::openUrl(FileUrlOf(strPath));
}

int CFileRemover::Remove(const std::string& strPath, bool bToTrash) {
    if (bToTrash) return MoveToTrash(strPath);
    return unlink(strPath.c_str()) == 0 ? 0 : errno;
}

int CFileRemover::Trash(const std::string& strPath, std::string* pTrashedAs) {
    return MoveToTrash(strPath, pTrashedAs);
}

CProgressDialogProgress::~CProgressDialogProgress() { End(); }

void CProgressDialogProgress::Open(const QString& strLabel, int nMaximum) {
    End();
    m_pDialog = new QProgressDialog(strLabel, LoadResString(IDS_CANCEL), 0, nMaximum, m_pParent);
    m_pDialog->setWindowModality(Qt::WindowModal);
    m_pDialog->setMinimumDuration(PROGRESS_SHOW_AFTER_MS);
    m_pDialog->setAutoClose(false);
    m_pDialog->setAutoReset(false);
    m_pDialog->setValue(0);
    m_nLastUpdate = QDateTime::currentMSecsSinceEpoch();
}

void CProgressDialogProgress::Begin(int nTotal, bool bToTrash) {
    // The check's dialog may have been shown already: the removal goes on in the same one.
    if (m_pDialog) {
        m_pDialog->setLabelText(LoadResString(bToTrash ? IDS_TRASH_PROGRESS : IDS_DELETE_PROGRESS));
        m_pDialog->setMaximum(nTotal);
        m_pDialog->setValue(0);
        return;
    }
    Open(LoadResString(bToTrash ? IDS_TRASH_PROGRESS : IDS_DELETE_PROGRESS), nTotal);
}

void CProgressDialogProgress::BeginCheck(std::uint64_t nTotalBytes) {
    m_nCheckBytes = nTotalBytes;
    Open(LoadResString(IDS_CHECK_PROGRESS), CHECK_PROGRESS_STEPS);
}

bool CProgressDialogProgress::StepCheck(std::uint64_t nDoneBytes) {
    if (!m_nCheckBytes) return Step(0);
    const double fDone = static_cast<double>(std::min(nDoneBytes, m_nCheckBytes)) /
                         static_cast<double>(m_nCheckBytes);
    return Step(static_cast<int>(fDone * CHECK_PROGRESS_STEPS));
}

bool CProgressDialogProgress::Step(int nDone) {
    if (!m_pDialog) return true;
    // Each update runs the event loop; a few per second are enough to draw and to see Cancel.
    const qint64 nNow = QDateTime::currentMSecsSinceEpoch();
    if (nNow - m_nLastUpdate >= PROGRESS_UPDATE_MS || nDone == m_pDialog->maximum()) {
        m_nLastUpdate = nNow;
        m_pDialog->setValue(nDone);
    }
    return !m_pDialog->wasCanceled();
}

void CProgressDialogProgress::End() {
    delete m_pDialog;
    m_pDialog = nullptr;
}

CRowActionServices& RowActionServices() {
    static CRowActionServices services;
    return services;
}

bool IsShiftKeyDown() {
    if (const auto& fn = RowActionServices().fnIsShiftDown) return fn();
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

// --- The actions ---

void OpenFileWithDefaultApplication(const std::string& strPath) {
    struct stat st;
    if (lstat(strPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    const QMimeType type = MimeTypeOf(strPath);
    QStringList types{type.name()};
    types += type.allAncestors();
    IFileLauncher& launcher = Launcher();
    if (launcher.FindDefaultApplication(types).isEmpty()) {
        CMessageBoxPrompt fallback;
        PromptFor(QApplication::activeWindow(), fallback)
            .Tell(LoadResString(IDS_NO_ASSOCIATION), LoadResString(AFX_IDS_APP_TITLE),
                  IPrompt::ICON_ERROR);
        return;
    }
    launcher.OpenFile(strPath);
}

void DeleteSelectedFiles(QWidget* pFrame, bool bAllowUndo) {
    CTwinexView* pView = GetResultView();
    if (!pView) return;
    CResultModel& model = *pView->GetModel();
    const std::vector<int> selected = model.GetSelectedRows();
    if (selected.empty()) return;

    CDeletePlan plan;
    {
        std::vector<CPlanRow> rows(static_cast<std::size_t>(model.GetRowCount()));
        for (int i = 0; i < model.GetRowCount(); ++i) {
            const CResultItem& item = model.GetItem(i);
            rows[static_cast<std::size_t>(i)] = {item.m_strSourcePath, item.m_strTargetPath,
                                                 item.m_nSize, item.m_tSource, item.m_tTarget,
                                                 false};
        }
        for (int nRow : selected) rows[static_cast<std::size_t>(nRow)].bSelected = true;
        plan = PlanDelete(rows);
    }

    CMessageBoxPrompt fallback;
    IPrompt& prompt = PromptFor(pFrame, fallback);
    const QString strCaption = LoadResString(bAllowUndo ? IDS_TRASH_CAPTION : IDS_DELETE_CAPTION);
    std::vector<std::string> paths;  // the files the removal went through, in order
    std::vector<char> removed;
    std::vector<std::string> trashedAs;
    if (plan.paths.empty()) {
        // Nothing may go; say why, unless the selected files were all gone already.
        if (!plan.kept.empty() || plan.nChanged)
            prompt.Tell(ConfirmText(plan, bAllowUndo), strCaption, IPrompt::ICON_INFORMATION);
    } else {
        const QString strQuestion =
            ConfirmText(plan, bAllowUndo) + QStringLiteral("\n\n") + LoadResString(IDS_CHECK_NOTE);
        if (!prompt.AskYesNo(strQuestion, strCaption, IPrompt::ICON_WARNING)) return;
        CProgressDialogProgress dialogProgress(pFrame);
        IDeleteProgress& progress =
            RowActionServices().pProgress ? *RowActionServices().pProgress : dialogProgress;
        std::vector<CRemoval> removals;
        std::vector<CKept> kept;
        if (!CheckPlannedFiles(plan, progress, removals, kept)) {
            progress.End();
            return;
        }
        const std::vector<CFailure> failures =
            RemoveFiles(removals, bAllowUndo, progress, removed, trashedAs, kept);
        if (!failures.empty() || !kept.empty())
            prompt.Tell(SummaryText(failures, kept, bAllowUndo),
                        LoadResString(failures.empty() ? IDS_CHECK_KEPT_CAPTION
                                                       : IDS_DELETE_FAILED_CAPTION),
                        failures.empty() ? IPrompt::ICON_WARNING : IPrompt::ICON_ERROR);
        paths.reserve(removals.size());
        for (CRemoval& removal : removals) paths.push_back(std::move(removal.strPath));
        // Before the sweep, while the rows of the files that went are still there.
        RecordForUndo(model, paths, trashedAs, removed, bAllowUndo);
    }

    SweepRows(model, paths, removed);
    if (pFrame) QMetaObject::invokeMethod(pFrame, "UpdateTitle");
}

// --- The view's handlers ---

CViewActions::CViewActions(CTwinexView* pView)
    : QObject(pView), m_pView(pView), m_pCommands(new CCommandSet(this)) {
    connect(m_pCommands, &CCommandSet::Command, this, &CViewActions::OnCommand);
    connect(pView, &QAbstractItemView::activated, this, &CViewActions::OnItemActivate);
    // A right click anywhere in the view, headers included, brings the same menu.
    pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pt) { OnContextMenu(m_pView->viewport()->mapToGlobal(pt)); });
    QHeaderView* pHeader = pView->horizontalHeader();
    pHeader->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pHeader, &QWidget::customContextMenuRequested, this,
            [this, pHeader](const QPoint& pt) { OnContextMenu(pHeader->viewport()->mapToGlobal(pt)); });
}

QMenu* CViewActions::OnContextMenu(const QPoint& ptGlobal) {
    m_nContextRow = m_pView->indexAt(m_pView->viewport()->mapFromGlobal(ptGlobal)).row();
    m_pCommands->GetAction(ID_EDIT_SELECTFOLDER)->setEnabled(m_nContextRow >= 0);
    QMenu* pMenu = m_pCommands->BuildPopupMenu(IDR_POPUP, m_pView);
    if (!pMenu) return nullptr;
    pMenu->setAttribute(Qt::WA_DeleteOnClose);
    pMenu->popup(ptGlobal);
    return pMenu;
}

void CViewActions::OnItemActivate(const QModelIndex& index) {
    if (!index.isValid() || index.row() >= m_pView->GetModel()->GetRowCount()) return;
    // Always the row's source file, whichever cell was activated.
    OpenFileWithDefaultApplication(m_pView->GetModel()->GetSourcePath(index.row()));
}

void CViewActions::OnPopupDelete() { DeleteSelectedFiles(m_pView->window(), !IsShiftKeyDown()); }

void CViewActions::OnPopupSelectAll() { SelectAllItems(); }

void CViewActions::OnCommand(int nCommandId) {
    if (nCommandId == ID_POPUP_DELETE)
        OnPopupDelete();
    else if (nCommandId == ID_POPUP_SELECTALL)
        OnPopupSelectAll();
    else if (nCommandId == ID_EDIT_SELECTNEWEST)
        SelectExtraCopies(*m_pView->GetModel(), KEEP_NEWEST);
    else if (nCommandId == ID_EDIT_SELECTOLDEST)
        SelectExtraCopies(*m_pView->GetModel(), KEEP_OLDEST);
    else if (nCommandId == ID_EDIT_SELECTFOLDER)
        SelectRowsInFolder(*m_pView->GetModel(), m_nContextRow);
    else if (nCommandId == ID_EDIT_INVERTSELECTION)
        InvertSelection(*m_pView->GetModel());
}
