#include "CliOutput.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <utility>

namespace {

const std::array<const char*, COL_COUNT> g_headers = {"Source",   "Folder", "Modified", "Target",
                                                      "Folder",   "Modified", "Size"};

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

// The code point of the valid n-byte UTF-8 sequence at str[i].
char32_t DecodeUtf8(const std::string& str, std::size_t i, std::size_t n) {
    static const unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = static_cast<unsigned char>(str[i]) & leadMask[n];
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(str[i + k]) & 0x3F);
    return cp;
}

// Code points that print nothing or act on the terminal: C0 and C1 controls, DEL, format
// characters (soft hyphen, zero-width and direction marks, bidirectional embeddings and
// isolates, byte order mark, interlinear annotations, tags...), line and paragraph
// separators, and noncharacters.
bool IsNonPrinting(char32_t cp) {
    static constexpr std::pair<char32_t, char32_t> ranges[] = {
        {0x00, 0x1F},       {0x7F, 0x9F},       {0xAD, 0xAD},       {0x600, 0x605},
        {0x61C, 0x61C},     {0x6DD, 0x6DD},     {0x70F, 0x70F},     {0x890, 0x891},
        {0x8E2, 0x8E2},     {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
        {0x2060, 0x206F},   {0xFDD0, 0xFDEF},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},
        {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
        {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
    };
    if ((cp & 0xFFFE) == 0xFFFE) return true;  // U+FFFE, U+FFFF and their kin in every plane
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [cp](const auto& r) { return cp >= r.first && cp <= r.second; });
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
    for (std::size_t i = 0; i < str.size();) {
        const unsigned char c = static_cast<unsigned char>(str[i]);
        const std::size_t n = Utf8SequenceLength(str, i);
        if (c == '\t' || c == '\n' || c == '\r') {
            out += '\\';
            out += c == '\t' ? 't' : (c == '\n' ? 'n' : 'r');
        } else if (n == 0 || c < 0x20 || c == 0x7F) {
            // ASCII controls and bytes that are not UTF-8 (a lone 0x9b is a control sequence
            // introducer to an 8-bit terminal).
            out += "\\x";
            out += szHex[c >> 4];
            out += szHex[c & 15];
        } else if (const char32_t cp = DecodeUtf8(str, i, n); IsNonPrinting(cp)) {
            char sz[16];
            std::snprintf(sz, sizeof sz, "\\u{%x}", static_cast<unsigned>(cp));
            out += sz;
        } else {
            out.append(str, i, n);
        }
        i += n ? n : 1;
    }
    return out;
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
    return FormatResultsRow(row.m_strSourcePath, row.m_strTargetPath, row.m_nSize, row.m_tSource,
                            row.m_tTarget);
}

std::string JsonHead(const std::string& strCriterion, const std::string& strPartialKb,
                     bool bReflect) {
    return FormatResultsHead(strCriterion, strPartialKb, bReflect);
}

std::string JsonTail(std::size_t nFiles, std::size_t nRows, bool bComplete) {
    return FormatResultsTail(nFiles, nRows, bComplete);
}

void WriteTable(std::FILE* pOut, const std::vector<CResultRow>& rows,
                const std::function<bool()>& stop) {
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
        if (stop && stop()) break;
        for (int c = 0; c < COL_COUNT; ++c) cells[c] = EscapeForTerminal(row.m_strCells[c]);
        emit(cells);
    }
}
