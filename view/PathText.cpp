#include "PathText.h"

#include <QFile>

QString DisplayPath(std::string_view strPath) {
    // The bytes are only read while the text is made: no copy of them is needed.
    return QFile::decodeName(
        QByteArray::fromRawData(strPath.data(), static_cast<qsizetype>(strPath.size())));
}

QString DisplayName(std::string_view strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return DisplayPath(nSlash == std::string_view::npos ? strPath : strPath.substr(nSlash + 1));
}
