#include "ResultsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

// Appends str as a JSON string: quoted, with '"', '\\' and control characters escaped and
// each byte that is not part of valid UTF-8 replaced by U+FFFD. Returns false when a byte
// was replaced, that is when the text shown is not the exact bytes.
bool AppendJsonString(std::string& out, const std::string& str) {
    static const char HEX[] = "0123456789abcdef";
    bool bExact = true;
    out += '"';
    std::size_t nPlain = 0;  // start of the run of bytes copied as they are
    for (std::size_t i = 0; i < str.size();) {
        const unsigned char c = static_cast<unsigned char>(str[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = c < 0x80 ? 1 : Utf8SequenceLength(str, i);
        if (n > 1) {
            i += n;
            continue;
        }
        out.append(str, nPlain, i - nPlain);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += HEX[c >> 4];
                    out += HEX[c & 15];
                } else {
                    out += "\xEF\xBF\xBD";
                    bExact = false;
                }
        }
        nPlain = ++i;
    }
    out.append(str, nPlain, std::string::npos);
    out += '"';
    return bExact;
}

// A path as it may come from a document: absolute, a name at its end, no NUL byte that
// would cut it short on its way to the file system.
bool IsSoundPath(const std::string& strPath) {
    return strPath.size() > 1 && strPath.front() == '/' && strPath.back() != '/' &&
           strPath.find('\0') == std::string::npos;
}

// Reads a results document as it streams past, so that no tree of a million row objects is
// ever built. Any event that does not fit stops the parse with the error set.
class CResultsReader : public nlohmann::json_sax<json> {
public:
    CResultsReader(std::vector<CResultsRecord>& rows, CResultsError& error)
        : m_rows(rows), m_error(error) {}

    bool m_bFormat = false, m_bVersion = false, m_bRows = false;
    bool m_bStopped = false;  // stopped by a fault of the document, not of the JSON text

    bool null() override { return Scalar(VALUE_NULL, 0, 0, nullptr); }
    bool boolean(bool b) override { return Scalar(VALUE_BOOL, b, 0, nullptr); }
    bool number_integer(number_integer_t n) override {
        return Scalar(n < 0 ? VALUE_NEGATIVE : VALUE_UNSIGNED, static_cast<std::uint64_t>(n), n,
                      nullptr);
    }
    bool number_unsigned(number_unsigned_t n) override {
        return Scalar(VALUE_UNSIGNED, n, 0, nullptr);
    }
    bool number_float(number_float_t, const string_t&) override {
        return Scalar(VALUE_OTHER, 0, 0, nullptr);
    }
    bool string(string_t& str) override { return Scalar(VALUE_STRING, 0, 0, &str); }
    bool binary(binary_t&) override { return Scalar(VALUE_OTHER, 0, 0, nullptr); }

    bool start_object(std::size_t) override { return Open(true); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& str) override {
        if (m_nSkip) return true;
        if (m_nDepth == 1)
            m_nTopKey = TopKeyOf(str);
        else if (m_nDepth == 3)
            m_nRowKey = RowKeyOf(str);
        return true;
    }

    bool parse_error(std::size_t nPosition, const std::string&,
                     const nlohmann::detail::exception& ex) override {
        m_error = {};
        m_error.nStatus = RESULTS_NOT_JSON;
        m_error.nOffset = nPosition;
        m_error.strDetail = ex.what();
        return false;
    }

private:
    enum EValue {
        VALUE_NULL,
        VALUE_BOOL,
        VALUE_UNSIGNED,
        VALUE_NEGATIVE,
        VALUE_STRING,
        VALUE_OTHER
    };
    enum ETopKey {
        TOP_OTHER,
        TOP_FORMAT,
        TOP_VERSION,
        TOP_CRITERION,
        TOP_PARTIAL,
        TOP_REFLECT,
        TOP_ROWS,
        TOP_FILES,
        TOP_COMPLETE
    };
    enum ERowKey {
        ROW_OTHER,
        ROW_SOURCE,
        ROW_SOURCE64,
        ROW_TARGET,
        ROW_TARGET64,
        ROW_SIZE,
        ROW_SOURCE_MTIME,
        ROW_TARGET_MTIME
    };

    static ETopKey TopKeyOf(const std::string& str) {
        if (str == "format") return TOP_FORMAT;
        if (str == "version") return TOP_VERSION;
        if (str == "criterion") return TOP_CRITERION;
        if (str == "partial_kb") return TOP_PARTIAL;
        if (str == "reflect") return TOP_REFLECT;
        if (str == "rows") return TOP_ROWS;
        if (str == "files") return TOP_FILES;
        if (str == "complete") return TOP_COMPLETE;
        return TOP_OTHER;
    }
    static ERowKey RowKeyOf(const std::string& str) {
        if (str == "source") return ROW_SOURCE;
        if (str == "source_base64") return ROW_SOURCE64;
        if (str == "target") return ROW_TARGET;
        if (str == "target_base64") return ROW_TARGET64;
        if (str == "size") return ROW_SIZE;
        if (str == "source_mtime") return ROW_SOURCE_MTIME;
        if (str == "target_mtime") return ROW_TARGET_MTIME;
        return ROW_OTHER;
    }

    bool Stop(EResultsStatus nStatus, const char* pszDetail, std::size_t nRow = 0) {
        m_error = {};
        m_error.nStatus = nStatus;
        m_error.strDetail = pszDetail;
        m_error.nRow = nRow;
        m_bStopped = true;
        return false;
    }
    bool Damaged(const char* pszField) { return Stop(RESULTS_DAMAGED, pszField); }
    // The row being read, or the element after the last one read, is the one at fault.
    bool DamagedRow(const char* pszField) {
        return Stop(RESULTS_DAMAGED, pszField, m_rows.size() + (m_bRowOpen ? 0 : 1));
    }

    // A value that is not an object or array, at the current place.
    bool Scalar(EValue nType, std::uint64_t nUnsigned, std::int64_t nSigned, std::string* pStr) {
        if (m_nSkip) return true;
        switch (m_nDepth) {
            case 0:
                return Stop(RESULTS_FOREIGN, "");
            case 1:
                return TopValue(nType, nUnsigned, pStr);
            case 2:
                return m_bInRows ? DamagedRow("row") : true;
            case 3:
                return RowValue(nType, nUnsigned, nSigned, pStr);
            default:
                return true;
        }
    }

    bool TopValue(EValue nType, std::uint64_t nUnsigned, std::string* pStr) {
        switch (m_nTopKey) {
            case TOP_FORMAT:
                if (nType != VALUE_STRING || *pStr != RESULTS_FORMAT_NAME)
                    return Stop(RESULTS_FOREIGN, "format");
                m_bFormat = true;
                return true;
            case TOP_VERSION:
                if (nType != VALUE_UNSIGNED || nUnsigned == 0) return Damaged("version");
                if (nUnsigned > static_cast<std::uint64_t>(RESULTS_FORMAT_VERSION)) {
                    Stop(RESULTS_NEWER_VERSION, "version");
                    m_error.nVersion = nUnsigned > static_cast<std::uint64_t>(
                                                       std::numeric_limits<std::int64_t>::max())
                                           ? std::numeric_limits<std::int64_t>::max()
                                           : static_cast<std::int64_t>(nUnsigned);
                    return false;
                }
                m_bVersion = true;
                return true;
            case TOP_CRITERION:
                if (nType != VALUE_STRING) return Damaged("criterion");
                m_criterion = std::move(*pStr);
                return true;
            case TOP_PARTIAL:
                if (nType != VALUE_UNSIGNED) return Damaged("partial_kb");
                m_nPartialKb = nUnsigned;
                return true;
            case TOP_REFLECT:
                if (nType != VALUE_BOOL) return Damaged("reflect");
                m_bReflect = nUnsigned != 0;
                return true;
            case TOP_FILES:
                if (nType != VALUE_UNSIGNED) return Damaged("files");
                m_nFiles = nUnsigned;
                return true;
            case TOP_COMPLETE:
                if (nType != VALUE_BOOL) return Damaged("complete");
                m_bComplete = nUnsigned != 0;
                return true;
            case TOP_ROWS:
                return Damaged("rows");
            case TOP_OTHER:
                return true;
        }
        return true;
    }

    bool RowValue(EValue nType, std::uint64_t nUnsigned, std::int64_t nSigned, std::string* pStr) {
        auto time = [&](std::int64_t& t, const char* pszField) {
            if (nType == VALUE_NEGATIVE)
                t = nSigned;
            else if (nType == VALUE_UNSIGNED &&
                     nUnsigned <=
                         static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                t = static_cast<std::int64_t>(nUnsigned);
            else
                return DamagedRow(pszField);
            m_nHave |= m_nRowKey == ROW_SOURCE_MTIME ? HAVE_SOURCE_MTIME : HAVE_TARGET_MTIME;
            return true;
        };
        auto text = [&](std::string& str, unsigned nBit, const char* pszField) {
            if (nType != VALUE_STRING) return DamagedRow(pszField);
            str = std::move(*pStr);
            m_nHave |= nBit;
            return true;
        };
        switch (m_nRowKey) {
            case ROW_SOURCE:
                return text(m_strSource, HAVE_SOURCE, "source");
            case ROW_SOURCE64:
                return text(m_strSource64, HAVE_SOURCE64, "source_base64");
            case ROW_TARGET:
                return text(m_strTarget, HAVE_TARGET, "target");
            case ROW_TARGET64:
                return text(m_strTarget64, HAVE_TARGET64, "target_base64");
            case ROW_SIZE:
                if (nType != VALUE_UNSIGNED) return DamagedRow("size");
                m_record.nSize = nUnsigned;
                m_nHave |= HAVE_SIZE;
                return true;
            case ROW_SOURCE_MTIME:
                return time(m_record.tSource, "source_mtime");
            case ROW_TARGET_MTIME:
                return time(m_record.tTarget, "target_mtime");
            case ROW_OTHER:
                return true;
        }
        return true;
    }

    bool Open(bool bObject) {
        ++m_nDepth;
        if (m_nSkip) return true;
        switch (m_nDepth) {
            case 1:
                if (!bObject) return Stop(RESULTS_FOREIGN, "");
                return true;
            case 2:
                if (m_nTopKey == TOP_ROWS) {
                    if (bObject) return Damaged("rows");
                    // A second "rows" replaces the first, as a later key does in JSON.
                    m_rows.clear();
                    m_bInRows = true;
                    m_bRows = true;
                    return true;
                }
                if (m_nTopKey == TOP_FORMAT) return Stop(RESULTS_FOREIGN, "format");
                if (m_nTopKey != TOP_OTHER) return Damaged(TopKeyName(m_nTopKey));
                m_nSkip = m_nDepth;
                return true;
            case 3:
                if (!m_bInRows) return true;
                if (!bObject) return DamagedRow("row");
                m_record = {};
                m_strSource64.clear();
                m_strTarget64.clear();
                m_strSource.clear();
                m_strTarget.clear();
                m_nHave = 0;
                m_nRowKey = ROW_OTHER;
                m_rows.emplace_back();
                m_bRowOpen = true;
                return true;
            default:
                if (m_nDepth == 4 && m_bInRows && m_nRowKey != ROW_OTHER)
                    return DamagedRow(RowKeyName(m_nRowKey));
                m_nSkip = m_nDepth;
                return true;
        }
    }

    bool Close() {
        const int nDepth = m_nDepth--;
        if (m_nSkip) {
            if (nDepth == m_nSkip) m_nSkip = 0;
            return true;
        }
        if (nDepth == 3 && m_bInRows) return EndRow();
        if (nDepth == 2 && m_bInRows) m_bInRows = false;
        if (nDepth == 1) m_bDone = true;
        return true;
    }

    bool EndRow() {
        if (!(m_nHave & (HAVE_SOURCE | HAVE_SOURCE64))) return DamagedRow("source");
        if (!(m_nHave & (HAVE_TARGET | HAVE_TARGET64))) return DamagedRow("target");
        if (!(m_nHave & HAVE_SIZE)) return DamagedRow("size");
        if (!(m_nHave & HAVE_SOURCE_MTIME)) return DamagedRow("source_mtime");
        if (!(m_nHave & HAVE_TARGET_MTIME)) return DamagedRow("target_mtime");
        // The exact bytes win over the display form, which must never name a file.
        if (m_nHave & HAVE_SOURCE64) {
            if (!DecodeBase64(m_strSource64, m_record.strSource))
                return DamagedRow("source_base64");
        } else {
            m_record.strSource = std::move(m_strSource);
        }
        if (m_nHave & HAVE_TARGET64) {
            if (!DecodeBase64(m_strTarget64, m_record.strTarget))
                return DamagedRow("target_base64");
        } else {
            m_record.strTarget = std::move(m_strTarget);
        }
        if (!IsSoundPath(m_record.strSource)) return DamagedRow("source");
        if (!IsSoundPath(m_record.strTarget) || m_record.strTarget == m_record.strSource)
            return DamagedRow("target");
        m_rows.back() = std::move(m_record);
        m_bRowOpen = false;
        return true;
    }

    static const char* TopKeyName(ETopKey nKey) {
        switch (nKey) {
            case TOP_FORMAT:
                return "format";
            case TOP_VERSION:
                return "version";
            case TOP_CRITERION:
                return "criterion";
            case TOP_PARTIAL:
                return "partial_kb";
            case TOP_REFLECT:
                return "reflect";
            case TOP_ROWS:
                return "rows";
            case TOP_FILES:
                return "files";
            case TOP_COMPLETE:
                return "complete";
            case TOP_OTHER:
                break;
        }
        return "";
    }
    static const char* RowKeyName(ERowKey nKey) {
        switch (nKey) {
            case ROW_SOURCE:
                return "source";
            case ROW_SOURCE64:
                return "source_base64";
            case ROW_TARGET:
                return "target";
            case ROW_TARGET64:
                return "target_base64";
            case ROW_SIZE:
                return "size";
            case ROW_SOURCE_MTIME:
                return "source_mtime";
            case ROW_TARGET_MTIME:
                return "target_mtime";
            case ROW_OTHER:
                break;
        }
        return "";
    }

    enum : unsigned {
        HAVE_SOURCE = 1,
        HAVE_SOURCE64 = 2,
        HAVE_TARGET = 4,
        HAVE_TARGET64 = 8,
        HAVE_SIZE = 16,
        HAVE_SOURCE_MTIME = 32,
        HAVE_TARGET_MTIME = 64,
    };
    std::vector<CResultsRecord>& m_rows;
    CResultsError& m_error;

    int m_nDepth = 0;
    int m_nSkip = 0;  // depth of the container being skipped; 0: none
    ETopKey m_nTopKey = TOP_OTHER;
    ERowKey m_nRowKey = ROW_OTHER;
    bool m_bInRows = false;
    bool m_bRowOpen = false;

    CResultsRecord m_record;
    std::string m_strSource, m_strTarget, m_strSource64, m_strTarget64;
    unsigned m_nHave = 0;

public:
    bool m_bDone = false;
    std::string m_criterion = "crc32";
    std::uint64_t m_nPartialKb = 64;
    bool m_bReflect = true;
    std::uint64_t m_nFiles = 0;
    bool m_bComplete = true;
};

}  // namespace

std::string FormatResultsHead(const std::string& strCriterion, const std::string& strPartialKb,
                              bool bReflect) {
    std::string out = std::string("{\"format\":\"") + RESULTS_FORMAT_NAME +
                      "\",\"version\":" + std::to_string(RESULTS_FORMAT_VERSION) +
                      ",\"criterion\":";
    AppendJsonString(out, strCriterion);
    return out + ",\"partial_kb\":" + strPartialKb +
           ",\"reflect\":" + (bReflect ? "true" : "false") + ",\"rows\":[";
}

void AppendResultsRow(std::string& out, const std::string& strSource, const std::string& strTarget,
                      std::uint64_t nSize, std::int64_t tSource, std::int64_t tTarget) {
    out += "{\"source\":";
    if (!AppendJsonString(out, strSource))
        out += ",\"source_base64\":\"" + EncodeBase64(strSource) + '"';
    out += ",\"target\":";
    if (!AppendJsonString(out, strTarget))
        out += ",\"target_base64\":\"" + EncodeBase64(strTarget) + '"';
    out += ",\"size\":";
    out += std::to_string(nSize);
    out += ",\"source_mtime\":";
    out += std::to_string(tSource);
    out += ",\"target_mtime\":";
    out += std::to_string(tTarget);
    out += '}';
}

std::string FormatResultsRow(const std::string& strSource, const std::string& strTarget,
                             std::uint64_t nSize, std::int64_t tSource, std::int64_t tTarget) {
    std::string out;
    AppendResultsRow(out, strSource, strTarget, nSize, tSource, tTarget);
    return out;
}

std::string FormatResultsTail(std::uint64_t nFiles, std::uint64_t nRows, bool bComplete) {
    return "],\"files\":" + std::to_string(nFiles) + ",\"matches\":" + std::to_string(nRows) +
           ",\"complete\":" + (bComplete ? "true" : "false") + "}\n";
}

bool ParseResults(std::string_view text, CResultsInfo& info, std::vector<CResultsRecord>& rows,
                  CResultsError& error) {
    error = {};
    std::vector<CResultsRecord> read;
    CResultsReader reader(read, error);
    const bool bParsed = json::sax_parse(text.begin(), text.end(), &reader);
    if (!bParsed || !reader.m_bDone) {
        // A document that never said what it is counts as foreign, whatever else is wrong in it.
        if (error.nStatus == RESULTS_DAMAGED && !reader.m_bFormat) {
            error = {};
            error.nStatus = RESULTS_FOREIGN;
        }
        if (error.nStatus == RESULTS_OK) error.nStatus = RESULTS_NOT_JSON;
        return false;
    }
    if (!reader.m_bFormat) {
        error.nStatus = RESULTS_FOREIGN;
        return false;
    }
    if (!reader.m_bVersion || !reader.m_bRows) {
        error.nStatus = RESULTS_DAMAGED;
        error.strDetail = reader.m_bVersion ? "rows" : "version";
        return false;
    }
    info.strCriterion = std::move(reader.m_criterion);
    info.nPartialKb = reader.m_nPartialKb;
    info.bReflect = reader.m_bReflect;
    info.nFiles = reader.m_nFiles;
    info.bComplete = reader.m_bComplete;
    rows = std::move(read);
    return true;
}

int ReadWholeFile(const std::string& strPath, std::string& strText) {
    struct stat st;
    if (stat(strPath.c_str(), &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    // The name may have been swapped for something else since the look above.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return EINVAL;
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int nError = errno;
            close(fd);
            return nError;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    strText = std::move(out);
    return 0;
}

std::size_t Utf8SequenceLength(const std::string& str, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(str[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned nMin;
    unsigned nValue;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        nMin = 0x80;
        nValue = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        nMin = 0x800;
        nValue = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        nMin = 0x10000;
        nValue = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > str.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        nValue = (nValue << 6) | (byte(i + k) & 0x3F);
    }
    if (nValue < nMin || nValue > 0x10FFFF || (nValue >= 0xD800 && nValue <= 0xDFFF)) return 0;
    return n;
}

bool IsValidUtf8(const std::string& str) {
    for (std::size_t i = 0; i < str.size();) {
        const std::size_t n = Utf8SequenceLength(str, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ToValidUtf8(const std::string& str) {
    std::string out;
    out.reserve(str.size());
    for (std::size_t i = 0; i < str.size();) {
        const std::size_t n = Utf8SequenceLength(str, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(str, i, n);
            i += n;
        }
    }
    return out;
}

std::string EncodeBase64(const std::string& bytes) {
    static const char szAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += szAlphabet[v >> 18];
        out += szAlphabet[(v >> 12) & 63];
        out += szAlphabet[(v >> 6) & 63];
        out += szAlphabet[v & 63];
    }
    if (const std::size_t nRest = bytes.size() - i; nRest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (nRest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += szAlphabet[v >> 18];
        out += szAlphabet[(v >> 12) & 63];
        out += nRest == 2 ? szAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool DecodeBase64(const std::string& strText, std::string& bytes) {
    bytes.clear();
    if (strText.size() % 4 != 0) return false;
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    for (std::size_t i = 0; i < strText.size(); i += 4) {
        const bool bLast = i + 4 == strText.size();
        const int nPad = bLast ? (strText[i + 3] == '=') + (strText[i + 2] == '=') : 0;
        if (nPad == 1 && strText[i + 2] == '=') return false;
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            const int d = k >= 4 - nPad ? 0 : value(strText[i + k]);
            if (d < 0) return false;
            v = (v << 6) | static_cast<unsigned>(d);
        }
        bytes += static_cast<char>(v >> 16);
        if (nPad < 2) bytes += static_cast<char>((v >> 8) & 0xFF);
        if (nPad < 1) bytes += static_cast<char>(v & 0xFF);
    }
    return true;
}
