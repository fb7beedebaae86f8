#include "FileIcons.h"

#include <QFileIconProvider>

#include "PathText.h"
#include "ReferenceEmblem.h"

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


QIcon CFileIcons::GetReferenceIcon(int nIndex) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_icons.size())) nIndex = 0;
    const std::size_t n = static_cast<std::size_t>(nIndex);
    if (m_referenceIcons.size() <= n) m_referenceIcons.resize(n + 1);
    if (m_referenceIcons[n].isNull()) m_referenceIcons[n] = WithReferenceEmblem(m_icons[n]);
    return m_referenceIcons[n];
}

QIcon CFileIcons::GetReferenceMark() {
    if (m_referenceMark.isNull()) m_referenceMark = ReferenceEmblemIcon();
    return m_referenceMark;
}
