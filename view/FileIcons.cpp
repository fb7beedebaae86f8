#include "FileIcons.h"

#include <QFile>
#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>

#include <vector>

#include "ResultModel.h"

namespace {

struct CIconCache {
    QMimeDatabase db;
    QHash<QString, int> mapByMime;
    std::vector<QIcon> icons;

    CIconCache() { icons.push_back(QFileIconProvider().icon(QFileIconProvider::File)); }
};

CIconCache& Cache() {
    static CIconCache cache;
    return cache;
}

}  // namespace

int CFileIcons::GetIndex(const std::string& strPath) {
    CIconCache& cache = Cache();
    const std::string_view name = NameOf(strPath);
    const QString strName = QFile::decodeName(
        QByteArray::fromRawData(name.data(), static_cast<qsizetype>(name.size())));
    const QMimeType mime = cache.db.mimeTypeForFile(strName, QMimeDatabase::MatchExtension);

    const auto it = cache.mapByMime.constFind(mime.name());
    if (it != cache.mapByMime.constEnd()) return it.value();

    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    int nIndex = 0;
    if (!icon.isNull()) {
        nIndex = static_cast<int>(cache.icons.size());
        cache.icons.push_back(icon);
    }
    cache.mapByMime.insert(mime.name(), nIndex);
    return nIndex;
}

QIcon CFileIcons::GetIcon(int nIndex) {
    const CIconCache& cache = Cache();
    if (nIndex < 0 || nIndex >= static_cast<int>(cache.icons.size())) return cache.icons[0];
    return cache.icons[static_cast<std::size_t>(nIndex)];
}

int CFileIcons::GetCount() { return static_cast<int>(Cache().icons.size()); }
