#include "display/gamma.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fake_video_backend.h"

namespace {

platform::GammaRamp linearRamp() {
    platform::GammaRamp ramp;
    for (int i = 0; i < 256; ++i)
        ramp.red[i] = ramp.green[i] = ramp.blue[i] = static_cast<std::uint16_t>(i * 256);
    return ramp;
}

TEST(GammaRampForExponent, EntriesFollowTheTruncatedPowerLawHeldToSixteenBits) {
    const platform::GammaRamp one = gammaRampForExponent(1.0);
    EXPECT_EQ(one, linearRamp());  // the default gamma option 3.0 gives 0, 256, ... 65280
    EXPECT_EQ(one.red[255], 65280);

    const platform::GammaRamp two = gammaRampForExponent(2.0);
    EXPECT_EQ(two.green[128], 16384);  // 0.5^2 * 65536
    EXPECT_EQ(two.green[255], 65025);  // 65025.0039 truncated, not rounded
    EXPECT_EQ(two.green[1], 1);        // 1/65536 * 65536
    EXPECT_EQ(two.red, two.blue);

    // Exponent 0 (gamma option 4): every entry 65535, index 0 included (0^0 is 1).
    const platform::GammaRamp zero = gammaRampForExponent(0.0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(zero.blue[i], 65535) << i;

    // Exponent 4 (gamma option 0): a dark ramp, still rising.
    const platform::GammaRamp four = gammaRampForExponent(4.0);
    EXPECT_EQ(four.red[0], 0);
    EXPECT_EQ(four.red[128], 4096);
    for (int i = 1; i < 256; ++i) ASSERT_GE(four.red[i], four.red[i - 1]);

    // A negative exponent (a gamma option above 4) would go past 65535 and, at index 0, to infinity.
    const platform::GammaRamp negative = gammaRampForExponent(-1.0);
    EXPECT_EQ(negative.red[0], 65535);
    EXPECT_EQ(negative.red[1], 65535);
    EXPECT_EQ(negative.red[255], 65535);  // 256/255 * 65536 > 65535
}

TEST(GammaExponentOfRamp, TheMeanOfTheChannelsWithEntriesAboveZero) {
    const double two = gammaExponentOfRamp(gammaRampForExponent(2.0));
    EXPECT_NEAR(two, 2.0, 0.01);
    platform::GammaRamp mixed = gammaRampForExponent(2.0), firstAboveZero = linearRamp(),
                        blueEmpty = linearRamp();
    mixed.red = linearRamp().red;
    firstAboveZero.red[0] = firstAboveZero.green[0] = firstAboveZero.blue[0] = 1;
    blueEmpty.blue.fill(0);
    const struct {
        const char* what;
        platform::GammaRamp ramp;
        double exponent;
    } cases[] = {{"linear: exactly one", linearRamp(), 1.0},
                 {"channels averaged", mixed, (1.0 + two + two) / 3.0},
                 {"a first entry above zero counts but adds nothing", firstAboveZero, 255.0 / 256.0},
                 {"an empty channel is left out", blueEmpty, 1.0},
                 {"all zero gives one, not a NaN", platform::GammaRamp{}, 1.0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(gammaExponentOfRamp(c.ramp), c.exponent) << c.what;
}

// The ramp found at start comes back whole, not as its power law: the one read kept (a second
// read does not replace it) where the backend keeps none, the backend's own copies where it keeps
// them (XRandR: one whole ramp per monitor, of its own size); a display without a ramp runs on and
// gets nothing back; a second restore does nothing.
TEST(GammaOnTheDisplay, TheRampFoundAtStartComesBackWholeOnce) {
    for (const bool hasRamp : {true, false}) {
        for (const bool keeps : {false, true}) {
            SCOPED_TRACE(std::string(hasRamp ? "a ramp" : "no ramp") +
                         (keeps ? ", kept by the backend" : ""));
            platform::FakeVideoBackend fake;
            fake.windowOpen = true;
            fake.hasGammaRamp = hasRamp;
            fake.keepsGammaRamp = keeps;
            const platform::GammaRamp calibrated = fake.deviceRamp;
            DisplayGamma gamma;
            const double exponent = readGammaExponent(gamma, fake);
            EXPECT_NEAR(exponent, 1.0, 0.05);
            EXPECT_NE(gammaRampForExponent(exponent), calibrated);  // the power law would not give it back
            applyGammaExponent(gamma, fake, 4.0 - 2.0);
            EXPECT_EQ(fake.deviceRamp, hasRamp ? gammaRampForExponent(2.0) : calibrated);
            readGammaExponent(gamma, fake);
            const int writes = fake.gammaWrites;
            restoreOriginalGamma(gamma, fake);
            EXPECT_EQ(fake.deviceRamp, calibrated);
            EXPECT_EQ(fake.gammaWrites - writes, hasRamp && !keeps ? 1 : 0);
            EXPECT_EQ(fake.count("restoreGammaRamp"), 1);
            restoreOriginalGamma(gamma, fake);
            EXPECT_EQ(fake.gammaWrites - writes, hasRamp && !keeps ? 1 : 0);
            EXPECT_EQ(fake.count("restoreGammaRamp"), 1);
        }
    }
}

}  // namespace
