#include "Base64.h"

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
