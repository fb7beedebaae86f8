#include "CliText.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

#include "Utf8.h"

namespace {

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

std::size_t DisplayWidth(const std::string& str) {
    std::size_t nWidth = 0;
    for (std::size_t i = 0; i < str.size();) {
        const std::size_t n = Utf8SequenceLength(str, i);
        i += n ? n : 1;
        ++nWidth;
    }
    return nWidth;
}
