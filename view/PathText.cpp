#include "PathText.h"

#include <QFile>

QString DisplayPath(const std::string& strPath) {
    return QFile::decodeName(QByteArray(strPath.data(), static_cast<qsizetype>(strPath.size())));
}

QString DisplayName(const std::string& strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return DisplayPath(nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1));
}
