// File-type icons for the result rows, shared by all rows of one type.
#pragma once

#include <QIcon>

#include <string>

// User-interface thread only. The type comes from the file name alone (the file is never
// opened), so a row whose file is gone still gets its icon.
class CFileIcons {
public:
    // Index of the icon for the file's type; the theme is asked once per type. Index 0 is the
    // plain file icon, used when the theme has nothing better.
    static int GetIndex(const std::string& strPath);
    static QIcon GetIcon(int nIndex);
};
