// Between our 256-entry gamma tables and the sizes outputs have, and the rule every backend keeps
// and restores the outputs' ramps by.

#include "platform/gamma_ramp.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using platform::GammaKeeper;
using platform::GammaRamp;
using platform::OutputRamp;
using platform::rampOf;
using platform::resampleRamp;

std::array<std::uint16_t, 256> curvedTable() {
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint16_t>(i * i + 300);  // up to 65325
    return table;
}

TEST(CrtcRampSizes, OursPassUnchangedAndOtherSizesKeepBothEndsAndTheShapeBetween) {
    const auto table = curvedTable();
    const std::vector<std::uint16_t> same = resampleRamp(table, 256);
    EXPECT_EQ(std::vector<std::uint16_t>(table.begin(), table.end()), same);
    EXPECT_EQ(rampOf(same.data(), 256), table);
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

// Outputs as a backend reports them, by name; a write to one gone fails.
struct FakeOutputs final : platform::GammaOutputs {
    std::map<std::string, OutputRamp> ramps;
    int writes = 0;
    std::vector<OutputRamp> readRamps() override {
        std::vector<OutputRamp> all;
        for (const auto& entry : ramps) all.push_back(entry.second);
        return all;
    }
    bool writeRamp(const OutputRamp& ramp) override {
        ++writes;
        const auto found = ramps.find(ramp.output);
        return found != ramps.end() && (found->second = ramp, true);
    }
    void plug(const std::string& name, int size, int step) {
        OutputRamp& ramp = ramps[name] = OutputRamp{name, {}, {}, {}};
        for (int i = 0; i < size; ++i)
            for (auto* channel : {&ramp.red, &ramp.green, &ramp.blue})
                channel->push_back(std::uint16_t(i * step));
    }
};

TEST(GammaKeeper, EachOutputIsKeptBeforeItsFirstWriteAndComesBackExactlyWhereStillThere) {
    FakeOutputs outputs;
    outputs.plug("a", 256, 200);
    outputs.plug("b", 1024, 60);
    outputs.plug("blank", 256, 0);  // all zero, no gamma: left alone
    outputs.plug("dim", 256, 0);    // one entry above zero: a ramp
    outputs.ramps["dim"].blue[255] = 1;
    std::map<std::string, OutputRamp> before = outputs.ramps;
    GammaRamp ours;
    for (auto* channel : {&ours.red, &ours.green, &ours.blue}) channel->fill(100);
    GammaKeeper keeper;
    std::vector<std::size_t> safeguarded;  // how many ramps were kept at each call
    const auto safeguard = [&safeguarded](const std::vector<OutputRamp>& kept) {
        safeguarded.push_back(kept.size());
        return true;
    };
    // A safeguard that refuses leaves everything as it was.
    EXPECT_FALSE(keeper.write(outputs, ours, [](const std::vector<OutputRamp>&) { return false; }));
    EXPECT_EQ(outputs.writes, 0);
    EXPECT_TRUE(keeper.write(outputs, ours, safeguard));
    EXPECT_TRUE(keeper.write(outputs, ours, safeguard));  // nothing new to keep
    EXPECT_EQ(outputs.ramps["b"].red, std::vector<std::uint16_t>(1024, 100));
    EXPECT_EQ(outputs.writes, 6);
    // Plugged in while running: kept at its own first write; one unplugged is written no more.
    outputs.plug("c", 256, 100);
    before["c"] = outputs.ramps["c"];
    outputs.ramps.erase("a");
    EXPECT_TRUE(keeper.write(outputs, ours, safeguard));
    EXPECT_EQ(safeguarded, (std::vector<std::size_t>{3, 4}));
    EXPECT_EQ(outputs.writes, 9);
    // Back exactly, the one gone failing harmlessly; then nothing is left to put back.
    EXPECT_TRUE(keeper.restore(outputs));
    for (const auto& [name, ramp] : outputs.ramps) EXPECT_EQ(ramp.blue, before.at(name).blue) << name;
    EXPECT_FALSE(keeper.restore(outputs));
}

}  // namespace
