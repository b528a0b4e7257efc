// Between our 256-entry gamma tables and the sizes monitors' CRTCs have.

#include "platform/x11/gamma_x11.h"

#include <gtest/gtest.h>

namespace {

using platform::x11::rampOf;
using platform::x11::resampleRamp;

std::array<std::uint16_t, 256> curvedTable() {
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint16_t>(i * i + 300);  // up to 65325
    return table;
}

TEST(CrtcRampSizes, TwoHundredFiftySixEntriesPassUnchangedBothWays) {
    const auto table = curvedTable();
    const std::vector<std::uint16_t> same = resampleRamp(table, 256);
    EXPECT_EQ(std::vector<std::uint16_t>(table.begin(), table.end()), same);
    EXPECT_EQ(rampOf(same.data(), 256), table);
}

TEST(CrtcRampSizes, OtherSizesKeepBothEndsAndTheShapeBetween) {
    const auto table = curvedTable();
    for (int size : {1024, 4096, 17, 2}) {
        const std::vector<std::uint16_t> spread = resampleRamp(table, size);
        ASSERT_EQ(spread.size(), std::size_t(size));
        EXPECT_EQ(spread.front(), table.front()) << size;
        EXPECT_EQ(spread.back(), table.back()) << size;
        for (int j = 1; j < size; ++j) ASSERT_GE(spread[j], spread[j - 1]) << size << " at " << j;
        // Entry j of n sits at j * 255 / (n - 1) of ours.
        const int middle = (size - 1) / 2;
        const double at = middle * 255.0 / (size - 1);
        const int below = int(at);
        EXPECT_NEAR(spread[middle], table[below] + (table[below + 1] - table[below]) * (at - below), 1.0);
        // And back: a ramp read from such a CRTC is close to what was written.
        const auto back = rampOf(spread.data(), size);
        if (size >= 256) {
            for (int i = 0; i < 256; ++i) ASSERT_NEAR(back[i], table[i], 2) << size << " at " << i;
        }
    }
    EXPECT_EQ(resampleRamp(table, 1), std::vector<std::uint16_t>{table[0]});
    EXPECT_TRUE(resampleRamp(table, 0).empty());
    EXPECT_EQ(rampOf(nullptr, 5), (std::array<std::uint16_t, 256>{}));
}

TEST(CrtcRampSizes, OnlyAnAllZeroRampIsBlank) {
    platform::x11::CrtcRamp ramp;
    ramp.red.assign(1024, 0);
    ramp.green.assign(1024, 0);
    ramp.blue.assign(1024, 0);
    EXPECT_TRUE(isBlankRamp(ramp));
    ramp.blue[1023] = 1;
    EXPECT_FALSE(isBlankRamp(ramp));
}

}  // namespace
