#pragma once
// CRC-32 as ZIP, PNG and RAR use it: reflected polynomial 0xEDB88320, initial value 0xFFFFFFFF, final
// complement. Header-only so that the build-time archive packer shares it without linking the engine.

#include <array>
#include <cstddef>
#include <cstdint>

namespace crc32_detail {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

inline constexpr std::array<std::uint32_t, 256> kTable = makeTable();

}  // namespace crc32_detail

// The CRC-32 of `size` bytes at `data`. To checksum data in pieces, pass the result of the previous
// piece as `previous` (0 for the first). `data` may be null when `size` is 0; the CRC of nothing is 0.
inline std::uint32_t computeCrc32(const void* data, std::size_t size, std::uint32_t previous = 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint32_t crc = ~previous;
    for (std::size_t i = 0; i < size; ++i) crc = crc32_detail::kTable[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}
