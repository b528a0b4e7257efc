#pragma once
// The display's hardware gamma ramp: three tables (red, green, blue) of 256 16-bit entries.

#include <array>
#include <cstdint>

namespace platform {

struct GammaRamp {
    std::array<std::uint16_t, 256> red{};
    std::array<std::uint16_t, 256> green{};
    std::array<std::uint16_t, 256> blue{};

    bool operator==(const GammaRamp& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
    bool operator!=(const GammaRamp& other) const { return !(*this == other); }
};

}  // namespace platform
