#pragma once
// CRC-32 as ZIP, PNG and RAR use it: reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF, final
// complement. Header-only so that the build-time archive packer shares it without linking the engine.

#include <array>
#include <cstddef>
#include <cstdint>

namespace crc32_detail {

// Eight tables for slicing-by-8: table[k][b] is the CRC of byte b followed by k zero bytes. Reading
// eight bytes per step makes the checksum several times faster than the byte-wise loop, which matters
// because every member read from the media pack is checksummed whole.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        tables[0][i] = value;
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
        for (int k = 1; k < 8; ++k) {
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFFu];
        }
    }
    return tables;
}

inline constexpr Tables kTables = makeTables();

}  // namespace crc32_detail

// The CRC-32 of `size` bytes at `data`. To checksum data in pieces, pass the result of the previous
// piece as `previous` (0 for the first). `data` may be null when `size` is 0; the CRC of nothing is 0.
inline std::uint32_t computeCrc32(const void* data, std::size_t size, std::uint32_t previous = 0) {
    const auto& t = crc32_detail::kTables;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint32_t crc = ~previous;
    for (; size >= 8; size -= 8, bytes += 8) {
        const std::uint32_t low =
            crc ^
            (static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
             (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24));
        crc = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^ t[4][low >> 24] ^
              t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
    }
    for (std::size_t i = 0; i < size; ++i) crc = t[0][(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}
