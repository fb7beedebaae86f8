// Reads a results document as it streams past, so that no tree of a million row objects is
// ever built.
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>

#include "Base64.h"
#include "ResultsFile.h"

namespace {

using json = nlohmann::json;

// A path as it may come from a document: absolute, a name at its end, no NUL byte that
// would cut it short on its way to the file system.
bool IsSoundPath(const std::string& strPath) {
    return strPath.size() > 1 && strPath.front() == '/' && strPath.back() != '/' &&
           strPath.find('\0') == std::string::npos;
}

enum ETopKey { TOP_OTHER, TOP_FORMAT, TOP_VERSION, TOP_CRITERION, TOP_PARTIAL, TOP_REFLECT,
               TOP_ROWS, TOP_FILES, TOP_COMPLETE, TOP_FOLDERS };
enum ERowKey { ROW_OTHER, ROW_SOURCE, ROW_SOURCE64, ROW_TARGET, ROW_TARGET64, ROW_SIZE,
               ROW_SOURCE_MTIME, ROW_TARGET_MTIME, ROW_SOURCE_REFERENCE, ROW_TARGET_REFERENCE };

template <class TKey>
struct CKeyName {
    const char* pszName;
    TKey nKey;
};
constexpr CKeyName<ETopKey> TOP_KEYS[] = {
    {"format", TOP_FORMAT},   {"version", TOP_VERSION}, {"criterion", TOP_CRITERION},
    {"partial_kb", TOP_PARTIAL}, {"reflect", TOP_REFLECT}, {"rows", TOP_ROWS},
    {"files", TOP_FILES},     {"complete", TOP_COMPLETE}, {"folders", TOP_FOLDERS}};
constexpr CKeyName<ERowKey> ROW_KEYS[] = {
    {"source", ROW_SOURCE}, {"source_base64", ROW_SOURCE64}, {"target", ROW_TARGET},
    {"target_base64", ROW_TARGET64}, {"size", ROW_SIZE}, {"source_mtime", ROW_SOURCE_MTIME},
    {"target_mtime", ROW_TARGET_MTIME}, {"source_reference", ROW_SOURCE_REFERENCE},
    {"target_reference", ROW_TARGET_REFERENCE}};

// The key a name stands for; keys the reader does not know are passed over.
template <class TKey, std::size_t N>
TKey KeyOf(const CKeyName<TKey> (&table)[N], const std::string& str) {
    for (const auto& entry : table)
        if (str == entry.pszName) return entry.nKey;
    return TKey{};
}
template <class TKey, std::size_t N>
const char* NameOf(const CKeyName<TKey> (&table)[N], TKey nKey) {
    for (const auto& entry : table)
        if (entry.nKey == nKey) return entry.pszName;
    return "";
}

// Any event that does not fit stops the parse with the error set.
class CResultsReader : public nlohmann::json_sax<json> {
public:
    CResultsReader(std::vector<CResultRow>& rows, CResultsError& error)
        : m_rows(rows), m_error(error) {}

    bool m_bFormat = false, m_bVersion = false, m_bRows = false;
    bool m_bDone = false;  // the top object was closed
    CResultsInfo m_info;

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
            m_nTopKey = KeyOf(TOP_KEYS, str);
        else if (m_nDepth == 3 && m_bInFolders)
            m_nFolderKey = str == "path" ? FOLDER_PATH : str == "path_base64" ? FOLDER_PATH64 : FOLDER_OTHER;
        else if (m_nDepth == 3)
            m_nRowKey = KeyOf(ROW_KEYS, str);
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
    enum EValue { VALUE_NULL, VALUE_BOOL, VALUE_UNSIGNED, VALUE_NEGATIVE, VALUE_STRING, VALUE_OTHER };
    enum : unsigned {
        HAVE_SOURCE = 1,
        HAVE_SOURCE64 = 2,
        HAVE_TARGET = 4,
        HAVE_TARGET64 = 8,
        HAVE_SIZE = 16,
        HAVE_SOURCE_MTIME = 32,
        HAVE_TARGET_MTIME = 64,
    };

    bool Stop(EResultsStatus nStatus, const char* pszDetail, std::size_t nRow = 0) {
        m_error = {};
        m_error.nStatus = nStatus;
        m_error.strDetail = pszDetail;
        m_error.nRow = nRow;
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
            case 0: return Stop(RESULTS_FOREIGN, "");
            case 1: return TopValue(nType, nUnsigned, pStr);
            case 2: return m_bInRows ? DamagedRow("row") : m_bInFolders ? Damaged("folders") : true;
            case 3: return m_bInFolders ? FolderValue(nType, pStr) : RowValue(nType, nUnsigned, nSigned, pStr);
            default: return true;
        }
    }

    bool TopValue(EValue nType, std::uint64_t nUnsigned, std::string* pStr) {
        auto flag = [&](bool& b) {
            if (nType != VALUE_BOOL) return Damaged(NameOf(TOP_KEYS, m_nTopKey));
            b = nUnsigned != 0;
            return true;
        };
        auto number = [&](std::uint64_t& n) {
            if (nType != VALUE_UNSIGNED) return Damaged(NameOf(TOP_KEYS, m_nTopKey));
            n = nUnsigned;
            return true;
        };
        switch (m_nTopKey) {
            case TOP_FORMAT:
                if (nType != VALUE_STRING || *pStr != RESULTS_FORMAT_NAME)
                    return Stop(RESULTS_FOREIGN, "format");
                return m_bFormat = true;
            case TOP_VERSION:
                if (nType != VALUE_UNSIGNED || nUnsigned == 0) return Damaged("version");
                if (nUnsigned > static_cast<std::uint64_t>(RESULTS_FORMAT_VERSION)) {
                    Stop(RESULTS_NEWER_VERSION, "version");
                    constexpr auto nMax = std::numeric_limits<std::int64_t>::max();
                    m_error.nVersion = nUnsigned > static_cast<std::uint64_t>(nMax)
                                           ? nMax
                                           : static_cast<std::int64_t>(nUnsigned);
                    return false;
                }
                return m_bVersion = true;
            case TOP_CRITERION:
                if (nType != VALUE_STRING) return Damaged("criterion");
                m_info.strCriterion = std::move(*pStr);
                return true;
            case TOP_PARTIAL: return number(m_info.nPartialKb);
            case TOP_REFLECT: return flag(m_info.bReflect);
            case TOP_FILES: return number(m_info.nFiles);
            case TOP_COMPLETE: return flag(m_info.bComplete);
            case TOP_ROWS: return Damaged("rows");
            case TOP_FOLDERS: return Damaged("folders");
            case TOP_OTHER: return true;
        }
        return true;
    }

    bool RowValue(EValue nType, std::uint64_t nUnsigned, std::int64_t nSigned, std::string* pStr) {
        const char* pszField = NameOf(ROW_KEYS, m_nRowKey);
        auto time = [&](std::int64_t& t, unsigned nBit) {
            if (nType == VALUE_NEGATIVE)
                t = nSigned;
            else if (nType == VALUE_UNSIGNED &&
                     nUnsigned <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                t = static_cast<std::int64_t>(nUnsigned);
            else
                return DamagedRow(pszField);
            m_nHave |= nBit;
            return true;
        };
        // A mark that is not a JSON boolean could be a typo for false as well as for true.
        auto mark = [&](bool& b) {
            if (nType != VALUE_BOOL) return DamagedRow(pszField);
            b = nUnsigned != 0;
            return true;
        };
        auto text = [&](std::string& str, unsigned nBit) {
            if (nType != VALUE_STRING) return DamagedRow(pszField);
            str = std::move(*pStr);
            m_nHave |= nBit;
            return true;
        };
        switch (m_nRowKey) {
            case ROW_SOURCE: return text(m_strSource, HAVE_SOURCE);
            case ROW_SOURCE64: return text(m_strSource64, HAVE_SOURCE64);
            case ROW_TARGET: return text(m_strTarget, HAVE_TARGET);
            case ROW_TARGET64: return text(m_strTarget64, HAVE_TARGET64);
            case ROW_SIZE:
                if (nType != VALUE_UNSIGNED) return DamagedRow("size");
                m_record.m_nSize = nUnsigned;
                m_nHave |= HAVE_SIZE;
                return true;
            case ROW_SOURCE_MTIME: return time(m_record.m_tSource, HAVE_SOURCE_MTIME);
            case ROW_TARGET_MTIME: return time(m_record.m_tTarget, HAVE_TARGET_MTIME);
            case ROW_SOURCE_REFERENCE: return mark(m_record.m_bSourceReference);
            case ROW_TARGET_REFERENCE: return mark(m_record.m_bTargetReference);
            case ROW_OTHER: return true;
        }
        return true;
    }

    bool FolderValue(EValue nType, std::string* pStr) {
        if (m_nFolderKey == FOLDER_OTHER) return true;
        if (nType != VALUE_STRING) return Damaged("folders");
        (m_nFolderKey == FOLDER_PATH ? m_strFolder : m_strFolder64) = std::move(*pStr);
        m_nFolderHave |= m_nFolderKey;
        return true;
    }

    bool EndFolder() {
        std::string strFolder;
        if (!m_nFolderHave ||
            !TakePath(strFolder, m_strFolder, m_strFolder64, m_nFolderHave & FOLDER_PATH64) ||
            strFolder.empty() || strFolder.front() != '/' || strFolder.back() != '/' ||
            strFolder.find('\0') != std::string::npos)
            return Damaged("folders");
        m_info.folders.push_back(std::move(strFolder));
        return true;
    }

    bool Open(bool bObject) {
        ++m_nDepth;
        if (m_nSkip) return true;
        switch (m_nDepth) {
            case 1:
                return bObject ? true : Stop(RESULTS_FOREIGN, "");
            case 2:
                if (m_nTopKey == TOP_ROWS) {
                    if (bObject) return Damaged("rows");
                    // A second "rows" replaces the first, as a later key does in JSON.
                    m_rows.clear();
                    m_bInRows = m_bRows = true;
                    return true;
                }
                if (m_nTopKey == TOP_FOLDERS) {
                    if (bObject) return Damaged("folders");
                    m_info.folders.clear();
                    m_bInFolders = true;
                    return true;
                }
                if (m_nTopKey == TOP_FORMAT) return Stop(RESULTS_FOREIGN, "format");
                if (m_nTopKey != TOP_OTHER) return Damaged(NameOf(TOP_KEYS, m_nTopKey));
                m_nSkip = m_nDepth;
                return true;
            case 3:
                if (m_bInFolders) {
                    if (!bObject) return Damaged("folders");
                    m_strFolder.clear();
                    m_strFolder64.clear();
                    m_nFolderHave = 0;
                    m_nFolderKey = FOLDER_OTHER;
                    return true;
                }
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
                    return DamagedRow(NameOf(ROW_KEYS, m_nRowKey));
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
        if (nDepth == 3 && m_bInFolders) return EndFolder();
        if (nDepth == 2) m_bInRows = m_bInFolders = false;
        if (nDepth == 1) m_bDone = true;
        return true;
    }

    // The exact bytes win over the display form, which must never name a file.
    static bool TakePath(std::string& strPath, std::string& strShown, const std::string& str64,
                         bool b64) {
        if (!b64) {
            strPath = std::move(strShown);
            return true;
        }
        return DecodeBase64(str64, strPath);
    }

    bool EndRow() {
        if (!(m_nHave & (HAVE_SOURCE | HAVE_SOURCE64))) return DamagedRow("source");
        if (!(m_nHave & (HAVE_TARGET | HAVE_TARGET64))) return DamagedRow("target");
        if (!(m_nHave & HAVE_SIZE)) return DamagedRow("size");
        if (!(m_nHave & HAVE_SOURCE_MTIME)) return DamagedRow("source_mtime");
        if (!(m_nHave & HAVE_TARGET_MTIME)) return DamagedRow("target_mtime");
        if (!TakePath(m_record.m_strSourcePath, m_strSource, m_strSource64, m_nHave & HAVE_SOURCE64))
            return DamagedRow("source_base64");
        if (!TakePath(m_record.m_strTargetPath, m_strTarget, m_strTarget64, m_nHave & HAVE_TARGET64))
            return DamagedRow("target_base64");
        if (!IsSoundPath(m_record.m_strSourcePath)) return DamagedRow("source");
        if (!IsSoundPath(m_record.m_strTargetPath) ||
            m_record.m_strTargetPath == m_record.m_strSourcePath)
            return DamagedRow("target");
        m_rows.back() = std::move(m_record);
        m_bRowOpen = false;
        return true;
    }

    std::vector<CResultRow>& m_rows;
    CResultsError& m_error;

    int m_nDepth = 0;
    int m_nSkip = 0;  // depth of the container being skipped; 0: none
    ETopKey m_nTopKey = TOP_OTHER;
    ERowKey m_nRowKey = ROW_OTHER;
    bool m_bInRows = false;
    bool m_bRowOpen = false;
    bool m_bInFolders = false;
    enum : unsigned { FOLDER_OTHER = 0, FOLDER_PATH = 1, FOLDER_PATH64 = 2 };
    unsigned m_nFolderKey = FOLDER_OTHER;
    unsigned m_nFolderHave = 0;
    std::string m_strFolder, m_strFolder64;

    CResultRow m_record;
    std::string m_strSource, m_strTarget, m_strSource64, m_strTarget64;
    unsigned m_nHave = 0;
};

}  // namespace

bool ParseResults(std::string_view text, CResultsInfo& info, std::vector<CResultRow>& rows,
                  CResultsError& error) {
    error = {};
    std::vector<CResultRow> read;
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
    info = std::move(reader.m_info);
    rows = std::move(read);
    return true;
}
