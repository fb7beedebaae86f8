// File masks: '*' and '?' over names that may not be UTF-8, letter case ignored.

#include <locale.h>
#include <wctype.h>

#include "FileInfo.h"

namespace {

// Bytes of the character at i: a whole UTF-8 sequence when one starts there, else one byte,
// so that '?' stands for one letter of a UTF-8 name and still copes with other bytes.
std::size_t CharLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0xC2 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 1;
    if (i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// The character at i as a number, and its length in bytes. A byte that starts no valid UTF-8
// sequence stands for itself, numbered above every code point so it only equals itself.
char32_t CharAt(std::string_view s, std::size_t i, std::size_t& nLength) {
    nLength = CharLength(s, i);
    const auto c = static_cast<unsigned char>(s[i]);
    if (nLength == 1) return c < 0x80 ? c : 0x110000 + c;
    char32_t nCode = c & (0x7F >> nLength);
    for (std::size_t k = 1; k < nLength; ++k)
        nCode = (nCode << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return nCode;
}

// Letter case folded: ASCII by hand, other letters by the C.UTF-8 tables, whatever locale the
// process selected, so that "\xc3\xa9*" takes "\xc3\x89T\xc3\x89.TXT".
char32_t FoldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
    if (c > 0x10FFFF) return c;
    static const locale_t s_utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    return s_utf8 ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), s_utf8)) : c;
}

bool MatchWildcards(std::string_view strName, std::string_view strMask) {
    std::size_t n = 0, m = 0;
    std::size_t nStarMask = std::string_view::npos, nStarName = 0;
    while (n < strName.size()) {
        if (m < strMask.size() && strMask[m] == '*') {
            nStarMask = ++m;
            nStarName = n;
            continue;
        }
        if (m < strMask.size()) {
            if (strMask[m] == '?') {
                n += CharLength(strName, n);
                ++m;
                continue;
            }
            // Character by character: a letter and its other case may differ in length.
            std::size_t nMaskLength = 1, nNameLength = 1;
            if (FoldCase(CharAt(strMask, m, nMaskLength)) == FoldCase(CharAt(strName, n, nNameLength))) {
                n += nNameLength;
                m += nMaskLength;
                continue;
            }
        }
        if (nStarMask == std::string_view::npos) return false;
        // Let the last '*' take one more character and try again from there.
        nStarName += CharLength(strName, nStarName);
        n = nStarName;
        m = nStarMask;
    }
    while (m < strMask.size() && strMask[m] == '*') ++m;
    return m == strMask.size();
}

}  // namespace

bool MaskMatchesAll(std::string_view strMask) { return strMask == "*" || strMask == "*.*"; }

bool MatchMask(std::string_view strName, std::string_view strMask) {
    if (MaskMatchesAll(strMask)) return true;
    if (MatchWildcards(strName, strMask)) return true;
    // "name.*" also takes "name" without a dot: a user who writes "*.*" or "report.*" means
    // every extension, none included, and would otherwise miss files such as "README".
    if (strMask.size() >= 2 && strMask.substr(strMask.size() - 2) == ".*")
        return MatchWildcards(strName, strMask.substr(0, strMask.size() - 2));
    return false;
}
