// The CRC-32 that the archive reader checks and the packer writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "media/crc32.h"

namespace {

// The textbook bit-at-a-time CRC, to compare the table-driven one against.
std::uint32_t bitwiseCrc32(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

TEST(Crc32, KnownValues) {
    EXPECT_EQ(computeCrc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(computeCrc32("The quick brown fox jumps over the lazy dog", 43), 0x414FA339u);
    EXPECT_EQ(computeCrc32(nullptr, 0), 0u);
}

TEST(Crc32, EveryLengthAndAlignmentAndPieces) {
    std::mt19937 random(32);
    std::vector<std::uint8_t> bytes(600);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (std::size_t length = 0; length + offset <= 80; ++length) {
            ASSERT_EQ(computeCrc32(bytes.data() + offset, length),
                      bitwiseCrc32(bytes.data() + offset, length))
                << "offset " << offset << " length " << length;
        }
    }
    for (std::size_t split : {0u, 1u, 7u, 8u, 13u, 599u, 600u}) {
        const std::uint32_t first = computeCrc32(bytes.data(), split);
        EXPECT_EQ(computeCrc32(bytes.data() + split, bytes.size() - split, first),
                  bitwiseCrc32(bytes.data(), bytes.size()))
            << "split " << split;
    }
}

}  // namespace
