#include "FileIcons.h"

#include <QFileIconProvider>

#include "PathText.h"
#include "FileEmblems.h"

CFileIcons::CFileIcons() { m_icons.push_back(QFileIconProvider().icon(QFileIconProvider::File)); }

int CFileIcons::GetIndex(const std::string& strPath) {
    const QString strName = DisplayName(strPath);
    const QMimeType mime = m_db.mimeTypeForFile(strName, QMimeDatabase::MatchExtension);

    const auto it = m_mapByMime.constFind(mime.name());
    if (it != m_mapByMime.constEnd()) return it.value();

    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
    int nIndex = 0;
    if (!icon.isNull()) {
        nIndex = static_cast<int>(m_icons.size());
        m_icons.push_back(icon);
    }
    m_mapByMime.insert(mime.name(), nIndex);
    return nIndex;
}

QIcon CFileIcons::GetIcon(int nIndex) const {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_icons.size())) return m_icons[0];
    return m_icons[static_cast<std::size_t>(nIndex)];
}

QIcon CFileIcons::Emblemed(std::vector<QIcon>& cache, int nIndex, QIcon (*fnMark)(const QIcon&)) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_icons.size())) nIndex = 0;
    const std::size_t n = static_cast<std::size_t>(nIndex);
    if (cache.size() <= n) cache.resize(n + 1);
    if (cache[n].isNull()) cache[n] = fnMark(m_icons[n]);
    return cache[n];
}

QIcon CFileIcons::GetReferenceIcon(int nIndex) {
    return Emblemed(m_referenceIcons, nIndex, WithReferenceEmblem);
}

QIcon CFileIcons::GetLinkedIcon(int nIndex) { return Emblemed(m_linkedIcons, nIndex, WithLinkEmblem); }

QIcon CFileIcons::GetReferenceMark() {
    if (m_referenceMark.isNull()) m_referenceMark = ReferenceEmblemIcon();
    return m_referenceMark;
}

QIcon CFileIcons::GetLinkMark() {
    if (m_linkMark.isNull()) m_linkMark = LinkEmblemIcon();
    return m_linkMark;
}
