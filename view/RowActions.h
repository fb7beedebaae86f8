// What the user does with result rows beyond selecting them: open a row's source file, delete
// the selected rows' source files, and the list's context menu. The desktop is reached through
// small interfaces, so that tests answer in its place.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>

class QMenu;
class QModelIndex;
class QUrl;
class QWidget;
class CCommandSet;
class CTwinexView;
class IPrompt;

// Opening files with the desktop's applications.
class IFileLauncher {
public:
    virtual ~IFileLauncher() = default;
    // The application that opens files of the first of these MIME types that has one (a type
    // before its ancestors); empty when there is none.
    virtual QString FindDefaultApplication(const QStringList& mimeTypes) = 0;
    // Hands the file (exact path bytes) to the desktop; false when nothing could be started.
    virtual bool OpenFile(const std::string& strPath) = 0;
};

// Removing files: to the Trash, or for good.
class IFileRemover {
public:
    virtual ~IFileRemover() = default;
    // 0 when the file is gone from its place, else an errno value.
    virtual int Remove(const std::string& strPath, bool bToTrash) = 0;
    // To the Trash, telling where it went there (left empty when that is not known, and the
    // file cannot be brought back by Undo Delete).
    virtual int Trash(const std::string& strPath, std::string* pTrashedAs) {
        (void)pTrashedAs;
        return Remove(strPath, true);
    }
};

// The progress of one delete.
class IDeleteProgress {
public:
    virtual ~IDeleteProgress() = default;
    virtual void Begin(int nTotal, bool bToTrash) = 0;
    // nDone files are through; false when the user asked to stop.
    virtual bool Step(int nDone) = 0;
    virtual void End() = 0;
    // The byte-by-byte check that comes first, in bytes read.
    virtual void BeginCheck(std::uint64_t nTotalBytes) { (void)nTotalBytes; }
    virtual bool StepCheck(std::uint64_t nDoneBytes) {
        (void)nDoneBytes;
        return true;
    }
};

// The real ones.
class CDesktopLauncher : public IFileLauncher {
public:
    // From mimeapps.list and the installed desktop files of the XDG folders.
    QString FindDefaultApplication(const QStringList& mimeTypes) override;
    // Through a file: URL that carries the exact bytes percent-encoded, so a name that is not
    // valid UTF-8 reaches the application unchanged.
    bool OpenFile(const std::string& strPath) override;
};

// A file: URL for the exact path bytes: every byte that is not plain is percent-encoded, which
// QUrl keeps as it is where the bytes are not UTF-8.
QUrl FileUrlOf(const std::string& strPath);

class CFileRemover : public IFileRemover {
public:
    int Remove(const std::string& strPath, bool bToTrash) override;
    int Trash(const std::string& strPath, std::string* pTrashedAs) override;
};

// A window-modal progress dialog with a Cancel button that shows only when the delete takes
// longer than half a second.
class CProgressDialogProgress : public IDeleteProgress {
public:
    explicit CProgressDialogProgress(QWidget* pParent) : m_pParent(pParent) {}
    ~CProgressDialogProgress() override;
    void Begin(int nTotal, bool bToTrash) override;
    bool Step(int nDone) override;
    void End() override;
    void BeginCheck(std::uint64_t nTotalBytes) override;
    bool StepCheck(std::uint64_t nDoneBytes) override;

private:
    void Open(const QString& strLabel, int nMaximum);

    QWidget* m_pParent;
    std::uint64_t m_nCheckBytes = 0;
    class QProgressDialog* m_pDialog = nullptr;
    qint64 m_nLastUpdate = 0;
};

// The services the row actions use; a null member (an empty function) means the real one.
// The main window sets its prompt here; tests set their own.
struct CRowActionServices {
    IPrompt* pPrompt = nullptr;        // null: message boxes over the frame
    IFileLauncher* pLauncher = nullptr;
    IFileRemover* pRemover = nullptr;
    IDeleteProgress* pProgress = nullptr;
    std::function<bool()> fnIsShiftDown;
};
CRowActionServices& RowActionServices();

// Shift as the keyboard has it at this moment (not as the last key event had it).
bool IsShiftKeyDown();

// Opens the file with the application the desktop associates with its type. The one failure
// reported is a type without an application; a file that is gone, or an application that
// does not start, passes silently.
void OpenFileWithDefaultApplication(const std::string& strPath);

// Deletes the selected rows' source files, to the Trash when bAllowUndo, else for good, after
// one confirmation; never the last copy of a duplicate set, and never a file that is not, byte
// for byte, a copy of one that stays. Then every row whose source file
// is gone leaves the list, and pFrame's title follows the rows left. With no row selected,
// nothing happens. Declared also in ResultActions.h.
void DeleteSelectedFiles(QWidget* pFrame, bool bAllowUndo);

// The result view's own handlers: row activation and the context menu.
class CViewActions : public QObject {
    Q_OBJECT
public:
    // Hooks itself to the view: activation, and right clicks on the rows and on the headers.
    explicit CViewActions(CTwinexView* pView);

    // The context menu at a screen position; it closes itself. Returns it for inspection.
    QMenu* OnContextMenu(const QPoint& ptGlobal);
    // The row under the pointer when the context menu last opened; -1 for none.
    int GetContextRow() const { return m_nContextRow; }

public slots:
    void OnItemActivate(const QModelIndex& index);
    void OnPopupDelete();
    void OnPopupSelectAll();

private:
    void OnCommand(int nCommandId);

    CTwinexView* m_pView;
    CCommandSet* m_pCommands;
    int m_nContextRow = -1;
};
