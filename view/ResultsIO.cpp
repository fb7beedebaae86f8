#include "ResultsIO.h"

#include <sys/stat.h>

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "PathTable.h"
#include "ResTables.h"
#include "ResultModel.h"

namespace {

constexpr std::size_t WRITE_CHUNK = 1 << 20;

// Whether the file still stands as the search found it, as far as a look at it can tell.
bool StillThere(const std::string& strPath, std::uint64_t nSize) {
    struct stat st;
    return lstat(strPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uint64_t>(st.st_size) == nSize;
}

// Whether a file renamed to strTarget would replace nothing but a regular file.
bool TargetStillWritable(const std::string& strTarget) {
    struct stat st;
    if (lstat(strTarget.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode);
}

QString SaveErrorText(int nError) {
    return nError == EINVAL ? LoadResString(IDS_NOT_REGULAR_FILE)
                            : QString::fromLocal8Bit(std::strerror(nError));
}

}  // namespace

int ResolveSaveTarget(const std::string& strPath, std::string& strTarget) {
    struct stat st;
    if (lstat(strPath.c_str(), &st) != 0) {
        if (errno != ENOENT) return errno;
        strTarget = strPath;
        return 0;
    }
    if (S_ISREG(st.st_mode)) {
        strTarget = strPath;
        return 0;
    }
    if (!S_ISLNK(st.st_mode)) return EINVAL;
    char szResolved[PATH_MAX];
    if (!realpath(strPath.c_str(), szResolved) || lstat(szResolved, &st) != 0 ||
        !S_ISREG(st.st_mode))
        return EINVAL;
    strTarget = szResolved;
    return 0;
}

CResultsOpened OpenResultsFile(CResultModel& model, const std::string& strPath) {
    CResultsOpened opened;
    std::string strText;
    if (const int nError = ReadWholeFile(strPath, strText)) {
        opened.error.nStatus = RESULTS_UNREADABLE;
        opened.error.nErrno = nError;
        return opened;
    }
    std::vector<CResultRow> records;
    if (!ParseResults(strText, opened.info, records, opened.error)) return opened;
    strText = std::string();

    // Rows of a set share their files; each is looked at once.
    std::vector<char> keep(records.size());
    {
        CPathTable looked(records.size());
        std::vector<char> there;  // by number in looked
        for (std::size_t i = 0; i < records.size(); ++i) {
            const std::uint32_t nId = looked.Intern(records[i].m_strSourcePath);
            if (nId == there.size())
                there.push_back(StillThere(records[i].m_strSourcePath, records[i].m_nSize));
            keep[i] = there[nId];
        }
    }
    std::vector<CResultItem> items;
    items.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (keep[i])
            items.emplace_back(std::move(records[i]));
        else
            ++opened.nLeftOut;
    }
    records = {};

    opened.nRows = static_cast<int>(items.size());
    model.Clear();
    model.AppendItems(std::move(items));
    return opened;
}

QString SaveResultsFile(const CResultModel& model, const QString& strPath,
                        const CResultsInfo& info) {
    std::string strTarget;
    if (const int nError = ResolveSaveTarget(QFile::encodeName(strPath).toStdString(), strTarget))
        return SaveErrorText(nError);
    QSaveFile file(QFile::decodeName(QByteArray::fromStdString(strTarget)));
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    std::string strChunk =
        FormatResultsHead(info.strCriterion, std::to_string(info.nPartialKb), info.bReflect, info.folders);
    auto flush = [&] {
        const bool bOk = file.write(strChunk.data(), static_cast<qint64>(strChunk.size())) ==
                         static_cast<qint64>(strChunk.size());
        strChunk.clear();
        return bOk;
    };
    const int nRows = model.GetRowCount();
    for (int i = 0; i < nRows; ++i) {
        const CResultItem& item = model.GetItem(i);
        strChunk += ResultsRowSeparator(static_cast<std::size_t>(i));
        AppendResultsRow(strChunk, item);
        if (strChunk.size() >= WRITE_CHUNK && !flush()) return file.errorString();
    }
    if (nRows) strChunk += '\n';
    strChunk += FormatResultsTail(info.nFiles, static_cast<std::uint64_t>(nRows), info.bComplete);
    if (!flush()) return file.errorString();
    // Something else may have taken the name while the rows were written.
    if (!TargetStillWritable(strTarget)) return SaveErrorText(EINVAL);
    if (!file.commit()) return file.errorString();
    return QString();
}

QString DescribeResultsError(const CResultsError& error, const QString& strName) {
    QString strText;
    switch (error.nStatus) {
        case RESULTS_OK:
            return QString();
        case RESULTS_UNREADABLE:
            strText = LoadResString(IDS_RESULTS_UNREADABLE)
                          .arg(strName, error.nErrno == EINVAL
                                            ? LoadResString(IDS_NOT_REGULAR_FILE)
                                            : QString::fromLocal8Bit(std::strerror(error.nErrno)));
            break;
        case RESULTS_NOT_JSON:
            strText =
                LoadResString(IDS_RESULTS_NOT_JSON).arg(strName, QString::number(error.nOffset));
            break;
        case RESULTS_FOREIGN:
            strText = LoadResString(IDS_RESULTS_FOREIGN).arg(strName);
            break;
        case RESULTS_NEWER_VERSION:
            strText = LoadResString(IDS_RESULTS_NEWER)
                          .arg(strName, QString::number(error.nVersion),
                               QString::number(RESULTS_FORMAT_VERSION));
            break;
        case RESULTS_DAMAGED:
            strText = error.nRow ? LoadResString(IDS_RESULTS_DAMAGED_ROW)
                                       .arg(strName, QString::number(error.nRow),
                                            QString::fromStdString(error.strDetail))
                                 : LoadResString(IDS_RESULTS_DAMAGED)
                                       .arg(strName, QString::fromStdString(error.strDetail));
            break;
    }
    return strText + QLatin1Char(' ') + LoadResString(IDS_RESULTS_LIST_UNCHANGED);
}
