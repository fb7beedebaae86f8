// Case-blind text comparison as the C library's _stricmp does it, shared by the result list
// and twinex-cli so that both sort names alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

constexpr unsigned char LowerAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Byte by byte as unsigned, 'A'-'Z' taken as 'a'-'z' and nothing else mapped; a text that
// begins the other comes first. <0, 0 or >0.
inline int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = LowerAscii(static_cast<unsigned char>(a[i]));
        const int cb = LowerAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           (std::memcmp(a.data(), b.data(), a.size()) == 0 || CompareNoCase(a, b) == 0);
}

// 'A'-'Z' to 'a'-'z' in all eight bytes of x at once; other bytes unchanged.
constexpr std::uint64_t LowerAscii8(std::uint64_t x) {
    constexpr std::uint64_t ONES = 0x0101010101010101ull;
    const std::uint64_t nLow7 = x & (0x7F * ONES);
    const std::uint64_t nAtLeastA = nLow7 + (0x80 - 'A') * ONES;    // high bit: byte >= 'A'
    const std::uint64_t nAboveZ = nLow7 + (0x80 - 'Z' - 1) * ONES;  // high bit: byte > 'Z'
    const std::uint64_t nUpper = nAtLeastA & ~nAboveZ & ~x & (0x80 * ONES);
    return x | (nUpper >> 2);
}
