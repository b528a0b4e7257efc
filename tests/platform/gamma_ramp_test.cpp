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
    OutputRamp ramp{"crtc", std::vector<std::uint16_t>(1024, 0), std::vector<std::uint16_t>(1024, 0),
                    std::vector<std::uint16_t>(1024, 0)};
    EXPECT_TRUE(isBlankRamp(ramp));
    ramp.blue[1023] = 1;
    EXPECT_FALSE(isBlankRamp(ramp));
}

// Outputs as a backend reports them: each with a ramp of its own size, some of them unplugged.
struct FakeOutputs final : platform::GammaOutputs {
    std::map<std::string, OutputRamp> ramps;  // the outputs there, by name
    std::vector<std::string> writes;          // the outputs written, in order
    std::vector<OutputRamp> readRamps() override {
        std::vector<OutputRamp> all;
        for (const auto& entry : ramps) all.push_back(entry.second);
        return all;
    }
    bool writeRamp(const OutputRamp& ramp) override {
        writes.push_back(ramp.output);
        auto found = ramps.find(ramp.output);
        if (found == ramps.end() || found->second.red.size() != ramp.red.size()) return false;
        found->second = ramp;
        return true;
    }
    void plug(const std::string& name, int size, std::uint16_t step) {
        OutputRamp ramp{name, {}, {}, {}};
        for (int i = 0; i < size; ++i) {
            ramp.red.push_back(std::uint16_t(i * step));
            ramp.green.push_back(std::uint16_t(i * step + 1));
            ramp.blue.push_back(std::uint16_t(i * step + 2));
        }
        ramps[name] = ramp;
    }
};

GammaRamp flat(std::uint16_t value) {
    GammaRamp ramp;
    ramp.red.fill(value);
    ramp.green.fill(value);
    ramp.blue.fill(value);
    return ramp;
}

TEST(GammaKeeper, EachOutputIsKeptBeforeItsFirstWriteAndEveryOneStillThereComesBackExactly) {
    FakeOutputs outputs;
    outputs.plug("a", 256, 200);
    outputs.plug("b", 1024, 60);
    outputs.plug("blank", 256, 0);  // no gamma: left alone
    outputs.ramps["blank"].green.assign(256, 0);
    outputs.ramps["blank"].blue.assign(256, 0);
    const std::map<std::string, OutputRamp> before = outputs.ramps;
    GammaKeeper keeper;
    std::vector<std::size_t> safeguarded;  // how many ramps were kept at each safeguard call
    const auto safeguard = [&safeguarded](const std::vector<OutputRamp>& kept) {
        safeguarded.push_back(kept.size());
        return true;
    };
    EXPECT_TRUE(keeper.write(outputs, flat(100), safeguard));
    EXPECT_EQ(outputs.ramps["b"].red, std::vector<std::uint16_t>(1024, 100));
    EXPECT_EQ(outputs.writes, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(keeper.write(outputs, flat(200), safeguard));  // nothing new to keep
    // Plugged in while running: kept at its own first write; one unplugged is not written.
    outputs.plug("c", 256, 100);
    outputs.ramps.erase("a");
    const OutputRamp c = outputs.ramps["c"];
    EXPECT_TRUE(keeper.write(outputs, flat(300), safeguard));
    EXPECT_EQ(safeguarded, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(outputs.ramps["c"].blue, std::vector<std::uint16_t>(256, 300));
    // Back exactly on those still there, the one that went fails harmlessly; then nothing is kept.
    EXPECT_TRUE(keeper.restore(outputs));
    EXPECT_EQ(outputs.ramps["b"].green, before.at("b").green);
    EXPECT_EQ(outputs.ramps["c"].red, c.red);
    EXPECT_EQ(outputs.ramps["blank"].red, before.at("blank").red);
    EXPECT_FALSE(keeper.restore(outputs));
    EXPECT_TRUE(keeper.kept().empty());
}

TEST(GammaKeeper, ARefusedSafeguardOrNothingToKeepChangesNothing) {
    FakeOutputs outputs;
    outputs.plug("a", 256, 200);
    GammaKeeper keeper;
    EXPECT_FALSE(keeper.write(outputs, flat(100), [](const std::vector<OutputRamp>&) { return false; }));
    EXPECT_TRUE(outputs.writes.empty());
    EXPECT_TRUE(keeper.kept().empty());
    FakeOutputs none;
    EXPECT_FALSE(keeper.write(none, flat(100)));
    EXPECT_FALSE(keeper.restore(none));
}

}  // namespace
