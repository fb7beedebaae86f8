// A list that accepts files and folders dragged from the file manager (text/uri-list) and
// hands each dropped item to a callback.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTreeWidget>
#include <cstdint>

class CFileDropListCtrl;

// Type codes handed to the drop callback.
enum EDropItemType : std::uint32_t {
    DL_TYPE_NONE = 0,     // missing, a symbolic link or a special file
    DL_TYPE_FILE = 1,     // a regular file
    DL_TYPE_FOLDER = 64,  // a folder
};

// The callback receives the list, the item's full path (exact bytes) and its type code.
using FDropCallback = int (*)(CFileDropListCtrl* pList, const QByteArray& strPath,
                              const std::uint32_t& nType);

// Lstat's view of a path: folder, regular file or neither. Links are never followed.
std::uint32_t GetDropItemType(const QByteArray& strPath);

class CFileDropListCtrl : public QTreeWidget {
    Q_OBJECT
public:
    struct DROPLISTMODE {
        enum : std::uint32_t {
            DL_ACCEPT_FILES = 0x01,
            DL_ACCEPT_FOLDERS = 0x02,
            DL_USE_CALLBACK = 0x20,
        };
        std::uint32_t iMask = DL_ACCEPT_FOLDERS;
        // Extensions that dropped files must have ("txt;doc"); empty accepts every file.
        QString csFileExt;
        FDropCallback pfnCallback = nullptr;
    };

    explicit CFileDropListCtrl(QWidget* pParent = nullptr);
    ~CFileDropListCtrl() override = default;

    // Keeps its own copy of the mode. Returns 0, or -1 when callback mode has no callback.
    int SetDropMode(const DROPLISTMODE& mode);

    // The exact path bytes of row nRow (column 0 shows them decoded).
    QByteArray GetItemPath(int nRow) const;
    static constexpr int PathRole = Qt::UserRole + 1;

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    bool AcceptsFile(const QByteArray& strPath) const;
    // Without a callback the control adds rows of its own: path only, newest on top.
    void AddOwnRow(const QByteArray& strPath);

    DROPLISTMODE m_mode;
};
