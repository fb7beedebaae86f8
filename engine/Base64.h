// Base64 for the exact bytes of names that JSON text cannot carry.
#pragma once

#include <string>

// Standard base64 (RFC 4648) with padding.
std::string EncodeBase64(const std::string& bytes);
// False on a character outside the alphabet or a bad length.
bool DecodeBase64(const std::string& strText, std::string& bytes);
