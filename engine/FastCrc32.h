// CRC-32 (the zlib / IEEE 802.3 one) with carry-less multiplication where the processor has it.
#pragma once

#include <cstddef>
#include <cstdint>

// Same contract as zlib's crc32(): continues nCrc (0 to start) over nLength bytes and returns
// the new value, so Crc32Update(0, "123456789", 9) == 0xCBF43926.
std::uint32_t Crc32Update(std::uint32_t nCrc, const void* pData, std::size_t nLength);
