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
#include "DeletePlan.h"
#include "FileInfo.h"
#include "MimeApps.h"
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

// A failure summary lists this many files by name and counts the rest.
constexpr int MAX_LISTED_FAILURES = 20;
constexpr int PROGRESS_SHOW_AFTER_MS = 500;
constexpr qint64 PROGRESS_UPDATE_MS = 50;

QString DisplayPath(const std::string& strPath) {
    return QFile::decodeName(QByteArray(strPath.data(), static_cast<qsizetype>(strPath.size())));
}

QString DisplayName(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return DisplayPath(nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1));
}

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

// Removes the files in order until done or cancelled; returns the failures. A file already
// gone counts as removed: it is where the user wanted it. trashedAs receives, per path, where
// it went in the Trash ("" when it did not go there).
std::vector<CFailure> RemoveFiles(const std::vector<std::string>& paths, bool bToTrash,
                                  QWidget* pFrame, std::vector<char>& removed,
                                  std::vector<std::string>& trashedAs) {
    CProgressDialogProgress dialogProgress(pFrame);
    IDeleteProgress& progress =
        RowActionServices().pProgress ? *RowActionServices().pProgress : dialogProgress;
    IFileRemover& remover = Remover();
    std::vector<CFailure> failures;
    removed.assign(paths.size(), 0);
    trashedAs.assign(paths.size(), std::string());
    progress.Begin(static_cast<int>(paths.size()), bToTrash);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!progress.Step(static_cast<int>(i))) break;
        const int nError = bToTrash ? remover.Trash(paths[i], &trashedAs[i])
                                    : remover.Remove(paths[i], false);
        if (nError == 0 || nError == ENOENT)
            removed[i] = 1;
        else
            failures.push_back({paths[i], nError});
    }
    progress.Step(static_cast<int>(paths.size()));
    progress.End();
    return failures;
}

QString FailureText(const std::vector<CFailure>& failures, bool bToTrash) {
    QString strText = LoadResString(IDS_DELETE_FAILED).arg(failures.size()) + QLatin1Char('\n');
    const int nListed = std::min<int>(static_cast<int>(failures.size()), MAX_LISTED_FAILURES);
    for (int i = 0; i < nListed; ++i)
        strText += QLatin1Char('\n') + DisplayPath(failures[i].strPath) + QStringLiteral(": ") +
                   FailureReason(failures[i].nError, bToTrash);
    if (static_cast<int>(failures.size()) > nListed)
        strText += QLatin1Char('\n') +
                   LoadResString(IDS_DELETE_FAILED_MORE).arg(failures.size() - nListed);
    return strText;
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

void CProgressDialogProgress::Begin(int nTotal, bool bToTrash) {
    End();
    m_pDialog = new QProgressDialog(LoadResString(bToTrash ? IDS_TRASH_PROGRESS : IDS_DELETE_PROGRESS),
                                    LoadResString(IDS_CANCEL), 0, nTotal, m_pParent);
    m_pDialog->setWindowModality(Qt::WindowModal);
    m_pDialog->setMinimumDuration(PROGRESS_SHOW_AFTER_MS);
    m_pDialog->setAutoClose(false);
    m_pDialog->setAutoReset(false);
    m_pDialog->setValue(0);
    m_nLastUpdate = QDateTime::currentMSecsSinceEpoch();
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
    std::vector<char> removed;
    std::vector<std::string> trashedAs;
    if (plan.paths.empty()) {
        // Nothing may go; say why, unless the selected files were all gone already.
        if (!plan.kept.empty() || plan.nChanged)
            prompt.Tell(ConfirmText(plan, bAllowUndo), strCaption, IPrompt::ICON_INFORMATION);
    } else {
        if (!prompt.AskYesNo(ConfirmText(plan, bAllowUndo), strCaption, IPrompt::ICON_WARNING))
            return;
        const std::vector<CFailure> failures =
            RemoveFiles(plan.paths, bAllowUndo, pFrame, removed, trashedAs);
        if (!failures.empty())
            prompt.Tell(FailureText(failures, bAllowUndo), LoadResString(IDS_DELETE_FAILED_CAPTION),
                        IPrompt::ICON_ERROR);
        // Before the sweep, while the rows of the files that went are still there.
        RecordForUndo(model, plan.paths, trashedAs, removed, bAllowUndo);
    }

    SweepRows(model, plan.paths, removed);
    if (pFrame) pFrame->setWindowTitle(FormatTitleForRows(model.GetRowCount(), g_nCollectedFiles));
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
