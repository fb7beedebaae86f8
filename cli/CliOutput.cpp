#include "CliOutput.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

namespace {

const std::array<const char*, COL_COUNT> g_headers = {"Source",   "Folder", "Modified", "Target",
                                                      "Folder",   "Modified", "Size"};

// Length of the UTF-8 sequence that starts at str[i], or 0 when it is not a valid one
// (overlong forms, surrogates and values above U+10FFFF included).
std::size_t Utf8SequenceLength(const std::string& str, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(str[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned nMin;
    unsigned nValue;
    if ((c & 0xE0) == 0xC0) { n = 2; nMin = 0x80; nValue = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { n = 3; nMin = 0x800; nValue = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { n = 4; nMin = 0x10000; nValue = c & 0x07; }
    else return 0;
    if (i + n > str.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        nValue = (nValue << 6) | (byte(i + k) & 0x3F);
    }
    if (nValue < nMin || nValue > 0x10FFFF || (nValue >= 0xD800 && nValue <= 0xDFFF)) return 0;
    return n;
}

// Terminal columns taken by a text: one per character, one per invalid byte.
std::size_t DisplayWidth(const std::string& str) {
    std::size_t nWidth = 0;
    for (std::size_t i = 0; i < str.size();) {
        const std::size_t n = Utf8SequenceLength(str, i);
        i += n ? n : 1;
        ++nWidth;
    }
    return nWidth;
}

std::string JsonString(const std::string& str) {
    return nlohmann::json(str).dump();  // str is valid UTF-8 here
}

}  // namespace

std::string EscapeTsv(const std::string& str) {
    std::string out;
    out.reserve(str.size());
    for (char c : str) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

std::string EscapeForTerminal(const std::string& str) {
    static const char szHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(str.size());
    for (char ch : str) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += szHex[c >> 4];
            out += szHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
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

int CompareNoCase(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca + ('a' - 'A'));
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb + ('a' - 'A'));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void SortRows(std::vector<CResultRow>& rows, int nColumn, bool bDescending) {
    auto compare = [nColumn](const CResultRow& a, const CResultRow& b) -> int {
        switch (nColumn) {
        case COL_SIZE: return a.m_nSize < b.m_nSize ? -1 : (a.m_nSize > b.m_nSize ? 1 : 0);
        case COL_SOURCE_MODIFIED:
            return a.m_tSource < b.m_tSource ? -1 : (a.m_tSource > b.m_tSource ? 1 : 0);
        case COL_TARGET_MODIFIED:
            return a.m_tTarget < b.m_tTarget ? -1 : (a.m_tTarget > b.m_tTarget ? 1 : 0);
        default: return CompareNoCase(a.m_strCells[nColumn], b.m_strCells[nColumn]);
        }
    };
    // Equal keys keep the matcher's order in both directions.
    std::stable_sort(rows.begin(), rows.end(), [&](const CResultRow& a, const CResultRow& b) {
        const int r = compare(a, b);
        return bDescending ? r > 0 : r < 0;
    });
}

std::string TsvHeader() {
    std::string out;
    for (int c = 0; c < COL_COUNT; ++c) {
        if (c) out += '\t';
        out += g_headers[c];
    }
    return out + '\n';
}

std::string TsvRow(const CResultRow& row) {
    std::string out;
    for (int c = 0; c < COL_COUNT; ++c) {
        if (c) out += '\t';
        out += EscapeTsv(row.m_strCells[c]);
    }
    return out + '\n';
}

std::string JsonRow(const CResultRow& row) {
    std::string out = "{\"source\":" + JsonString(ToValidUtf8(row.m_strSourcePath));
    if (!IsValidUtf8(row.m_strSourcePath))
        out += ",\"source_base64\":\"" + EncodeBase64(row.m_strSourcePath) + '"';
    out += ",\"target\":" + JsonString(ToValidUtf8(row.m_strTargetPath));
    if (!IsValidUtf8(row.m_strTargetPath))
        out += ",\"target_base64\":\"" + EncodeBase64(row.m_strTargetPath) + '"';
    out += ",\"size\":" + std::to_string(row.m_nSize);
    out += ",\"source_mtime\":" + std::to_string(row.m_tSource);
    out += ",\"target_mtime\":" + std::to_string(row.m_tTarget);
    return out + '}';
}

std::string JsonHead(const std::string& strCriterion, const std::string& strPartialKb,
                     bool bReflect) {
    return "{\"format\":\"twinex-results\",\"version\":1,\"criterion\":" + JsonString(strCriterion) +
           ",\"partial_kb\":" + strPartialKb + ",\"reflect\":" + (bReflect ? "true" : "false") +
           ",\"rows\":[";
}

std::string JsonTail(std::size_t nFiles, std::size_t nRows, bool bComplete) {
    return "],\"files\":" + std::to_string(nFiles) + ",\"matches\":" + std::to_string(nRows) +
           ",\"complete\":" + (bComplete ? "true" : "false") + "}\n";
}

void WriteTable(std::FILE* pOut, const std::vector<CResultRow>& rows) {
    std::array<std::size_t, COL_COUNT> widths{};
    for (int c = 0; c < COL_COUNT; ++c) widths[c] = DisplayWidth(g_headers[c]);
    for (const CResultRow& row : rows)
        for (int c = 0; c < COL_COUNT; ++c)
            widths[c] = std::max(widths[c], DisplayWidth(EscapeForTerminal(row.m_strCells[c])));

    std::string strLine;
    auto emit = [&](const std::array<std::string, COL_COUNT>& cells) {
        strLine.clear();
        for (int c = 0; c < COL_COUNT; ++c) {
            const std::size_t nPad = widths[c] - DisplayWidth(cells[c]);
            if (c == COL_SIZE) strLine.append(nPad, ' ');
            strLine += cells[c];
            if (c + 1 < COL_COUNT) strLine.append(nPad + 2, ' ');
        }
        strLine += '\n';
        std::fwrite(strLine.data(), 1, strLine.size(), pOut);
    };
    std::array<std::string, COL_COUNT> cells;
    for (int c = 0; c < COL_COUNT; ++c) cells[c] = g_headers[c];
    emit(cells);
    for (const CResultRow& row : rows) {
        for (int c = 0; c < COL_COUNT; ++c) cells[c] = EscapeForTerminal(row.m_strCells[c]);
        emit(cells);
    }
}
