// The results document's text, written a piece at a time.
#include <string>

#include "Base64.h"
#include "ResultsFile.h"
#include "Utf8.h"

namespace {

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

}  // namespace

std::string FormatResultsHead(const std::string& strCriterion, const std::string& strPartialKb,
                              bool bReflect, const std::vector<std::string>& folders) {
    std::string out = std::string("{\"format\":\"") + RESULTS_FORMAT_NAME +
                      "\",\"version\":" + std::to_string(RESULTS_FORMAT_VERSION) +
                      ",\"criterion\":";
    AppendJsonString(out, strCriterion);
    out += ",\"partial_kb\":" + strPartialKb + ",\"reflect\":" + (bReflect ? "true" : "false");
    if (!folders.empty()) {
        out += ",\"folders\":[";
        for (std::size_t i = 0; i < folders.size(); ++i) {
            out += i ? ",{\"path\":" : "{\"path\":";
            if (!AppendJsonString(out, folders[i]))
                out += ",\"path_base64\":\"" + EncodeBase64(folders[i]) + '"';
            out += '}';
        }
        out += ']';
    }
    return out + ",\"rows\":[";
}

void AppendResultsRow(std::string& out, const CResultRow& row) {
    out += "{\"source\":";
    if (!AppendJsonString(out, row.m_strSourcePath))
        out += ",\"source_base64\":\"" + EncodeBase64(row.m_strSourcePath) + '"';
    out += ",\"target\":";
    if (!AppendJsonString(out, row.m_strTargetPath))
        out += ",\"target_base64\":\"" + EncodeBase64(row.m_strTargetPath) + '"';
    out += ",\"size\":";
    out += std::to_string(row.m_nSize);
    out += ",\"source_mtime\":";
    out += std::to_string(row.m_tSource);
    out += ",\"target_mtime\":";
    out += std::to_string(row.m_tTarget);
    // Written only when set, so that results without reference folders read as before.
    if (row.m_bSourceReference) out += ",\"source_reference\":true";
    if (row.m_bTargetReference) out += ",\"target_reference\":true";
    out += '}';
}

std::string FormatResultsRow(const CResultRow& row) {
    std::string out;
    AppendResultsRow(out, row);
    return out;
}

std::string FormatResultsTail(std::uint64_t nFiles, std::uint64_t nRows, bool bComplete) {
    return "],\"files\":" + std::to_string(nFiles) + ",\"matches\":" + std::to_string(nRows) +
           ",\"complete\":" + (bComplete ? "true" : "false") + "}\n";
}

