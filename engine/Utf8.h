// UTF-8 checks for file names, which are bytes and need not be UTF-8 at all.
#pragma once

#include <cstddef>
#include <string>

// Length of the UTF-8 sequence that starts at str[i], or 0 when it is not a valid one
// (overlong forms, surrogates and values above U+10FFFF included).
std::size_t Utf8SequenceLength(const std::string& str, std::size_t i);
bool IsValidUtf8(const std::string& str);
// Valid UTF-8 with every invalid byte replaced by U+FFFD.
std::string ToValidUtf8(const std::string& str);
