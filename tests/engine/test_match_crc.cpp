// The folded CRC-32 used by the matcher against zlib's, which GetCRC uses.

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "FastCrc32.h"

namespace {

TEST(FastCrc32Test, AgreesWithZlibForEveryLengthAndAlignment) {
    std::mt19937 rng(11);
    std::vector<unsigned char> data(70000);
    for (unsigned char& c : data) c = static_cast<unsigned char>(rng());
    EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xCBF43926u);
    for (std::size_t nOffset = 0; nOffset < 4; ++nOffset) {
        for (std::size_t n = 0; n < 600; ++n) {
            const std::uint32_t nStart = n % 3 ? static_cast<std::uint32_t>(rng()) : 0;
            ASSERT_EQ(Crc32Update(nStart, data.data() + nOffset, n),
                      crc32_z(nStart, data.data() + nOffset, n))
                << nOffset << " " << n;
        }
    }
    // Long input in uneven pieces, as a file is read.
    std::uint32_t nCrc = 0;
    for (std::size_t nDone = 0, nPiece = 1; nDone < data.size(); nDone += nPiece, nPiece = nPiece * 3 + 1)
        nCrc = Crc32Update(nCrc, data.data() + nDone, std::min(nPiece, data.size() - nDone));
    EXPECT_EQ(nCrc, crc32_z(0, data.data(), data.size()));
}

}  // namespace
