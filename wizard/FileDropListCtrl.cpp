#include "FileDropListCtrl.h"

#include <sys/stat.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

std::uint32_t GetDropItemType(const QByteArray& strPath) {
    struct stat st;
    if (strPath.isEmpty() || ::lstat(strPath.constData(), &st) != 0) return DL_TYPE_NONE;
    if (S_ISDIR(st.st_mode)) return DL_TYPE_FOLDER;
    if (S_ISREG(st.st_mode)) return DL_TYPE_FILE;
    return DL_TYPE_NONE;
}

namespace {

// The exact bytes of a local file URL. Percent-decoding the encoded form keeps names
// that are not valid UTF-8, which toLocalFile() would mangle.
QByteArray LocalPathBytes(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

}  // namespace

CFileDropListCtrl::CFileDropListCtrl(QWidget* pParent) : QTreeWidget(pParent) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
}

int CFileDropListCtrl::SetDropMode(const DROPLISTMODE& mode) {
    if ((mode.iMask & DROPLISTMODE::DL_USE_CALLBACK) && !mode.pfnCallback) return -1;
    m_mode = mode;
    return 0;
}

QByteArray CFileDropListCtrl::GetItemPath(int nRow) const {
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    return pItem ? pItem->data(0, PathRole).toByteArray() : QByteArray();
}

void CFileDropListCtrl::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (pEvent->mimeData()->hasUrls()) {
        pEvent->setDropAction(Qt::CopyAction);
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}

void CFileDropListCtrl::dragMoveEvent(QDragMoveEvent* pEvent) {
    if (pEvent->mimeData()->hasUrls()) {
        pEvent->setDropAction(Qt::CopyAction);
        pEvent->accept();
    } else {
        pEvent->ignore();
    }
}

void CFileDropListCtrl::dropEvent(QDropEvent* pEvent) {
    if (!pEvent->mimeData()->hasUrls()) {
        pEvent->ignore();
        return;
    }
    pEvent->setDropAction(Qt::CopyAction);
    pEvent->accept();
    for (const QUrl& url : pEvent->mimeData()->urls()) {
        const QByteArray strPath = LocalPathBytes(url);
        const std::uint32_t nType = GetDropItemType(strPath);
        const bool bWanted =
            (nType == DL_TYPE_FOLDER && (m_mode.iMask & DROPLISTMODE::DL_ACCEPT_FOLDERS)) ||
            (nType == DL_TYPE_FILE && (m_mode.iMask & DROPLISTMODE::DL_ACCEPT_FILES) &&
             AcceptsFile(strPath));
        if (!bWanted) continue;
        if ((m_mode.iMask & DROPLISTMODE::DL_USE_CALLBACK) && m_mode.pfnCallback)
            m_mode.pfnCallback(this, strPath, nType);
        else
            AddOwnRow(strPath);
    }
}

bool CFileDropListCtrl::AcceptsFile(const QByteArray& strPath) const {
    if (m_mode.csFileExt.isEmpty()) return true;
    const QString strName = QFile::decodeName(strPath.mid(strPath.lastIndexOf('/') + 1));
    const int nDot = strName.lastIndexOf(QLatin1Char('.'));
    if (nDot < 0) return false;
    const QString strExt = strName.mid(nDot + 1);
    for (const QString& strWanted : m_mode.csFileExt.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (strExt.compare(strWanted.trimmed(), Qt::CaseInsensitive) == 0) return true;
    return false;
}

void CFileDropListCtrl::AddOwnRow(const QByteArray& strPath) {
    auto* pItem = new QTreeWidgetItem;
    pItem->setText(0, QFile::decodeName(strPath));
    pItem->setData(0, PathRole, strPath);
    insertTopLevelItem(0, pItem);
}
