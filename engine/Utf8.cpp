#include "Utf8.h"

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

