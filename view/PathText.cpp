#include "PathText.h"

#include <QFile>

#include <algorithm>

QString DisplayPath(std::string_view strPath) {
    // The bytes are only read while the text is made: no copy of them is needed.
    return QFile::decodeName(
        QByteArray::fromRawData(strPath.data(), static_cast<qsizetype>(strPath.size())));
}

QString DisplayName(std::string_view strPath) {
    const std::size_t nSlash = strPath.rfind('/');
    return DisplayPath(nSlash == std::string_view::npos ? strPath : strPath.substr(nSlash + 1));
}

QString CellText(std::string_view bytes) {
    // Lossy only for display: the exact bytes stay in the row for every action.
    QString strText = DisplayPath(bytes);
    // A newline or tab in a name would cut the cell short or hide the rest of the name;
    // show control characters escaped, as twinex-cli's table does.
    if (std::none_of(strText.cbegin(), strText.cend(),
                     [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
        return strText;
    QString strEscaped;
    strEscaped.reserve(strText.size() + 8);
    for (QChar c : strText) {
        const ushort n = c.unicode();
        if (n == '\n') strEscaped += QLatin1String("\\n");
        else if (n == '\t') strEscaped += QLatin1String("\\t");
        else if (n < 0x20 || n == 0x7f)
            strEscaped += QStringLiteral("\\x%1").arg(n, 2, 16, QLatin1Char('0'));
        else strEscaped += c;
    }
    return strEscaped;
}
