// File-type icons for the result rows, shared by all rows of one type.
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

#include <string>
#include <vector>

// User-interface thread only. The type comes from the file name alone (the file is never
// opened), so a row whose file is gone still gets its icon.
// Indices are this object's own.
class CFileIcons {
public:
    CFileIcons();
    // Index of the icon for the file's type; the theme is asked once per type. Index 0 is the
    // plain file icon, used when the theme has nothing better.
    int GetIndex(const std::string& strPath);
    QIcon GetIcon(int nIndex) const;
    // The same icon marked as a reference file's, made once per index.
    QIcon GetReferenceIcon(int nIndex);
    // The reference mark alone, for a target cell.
    QIcon GetReferenceMark();
    // The same icon marked as a file replaced with a link, made once per index; the mark alone.
    QIcon GetLinkedIcon(int nIndex);
    QIcon GetLinkMark();

private:
    QIcon Emblemed(std::vector<QIcon>& cache, int nIndex, QIcon (*fnMark)(const QIcon&));

    QMimeDatabase m_db;
    QHash<QString, int> m_mapByMime;
    std::vector<QIcon> m_icons;
    std::vector<QIcon> m_referenceIcons;  // by index; null until first asked for
    QIcon m_referenceMark;
    std::vector<QIcon> m_linkedIcons;  // by index; null until first asked for
    QIcon m_linkMark;
};
