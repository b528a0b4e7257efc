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

TEST(GammaRampForExponent, EntriesFollowTheTruncatedPowerLaw) {
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
}

TEST(GammaRampForExponent, OutOfRangeValuesAreHeldToSixteenBits) {
    // A negative exponent (a gamma option above 4) would go past 65535 and, at index 0, to infinity.
    const platform::GammaRamp negative = gammaRampForExponent(-1.0);
    EXPECT_EQ(negative.red[0], 65535);
    EXPECT_EQ(negative.red[1], 65535);
    EXPECT_EQ(negative.red[255], 65535);  // 256/255 * 65536 > 65535
}

TEST(GammaExponentOfRamp, LinearRampReadsExactlyOne) { EXPECT_EQ(gammaExponentOfRamp(linearRamp()), 1.0); }

TEST(GammaExponentOfRamp, NonZeroFirstEntryCountsButAddsNothing) {
    platform::GammaRamp ramp = linearRamp();
    ramp.red[0] = ramp.green[0] = ramp.blue[0] = 1;
    EXPECT_DOUBLE_EQ(gammaExponentOfRamp(ramp), 255.0 / 256.0);
}

TEST(GammaExponentOfRamp, ChannelsAreAveraged) {
    platform::GammaRamp ramp = gammaRampForExponent(2.0);
    const platform::GammaRamp linear = linearRamp();
    ramp.red = linear.red;
    const double two = gammaExponentOfRamp(gammaRampForExponent(2.0));
    EXPECT_NEAR(two, 2.0, 0.01);
    EXPECT_DOUBLE_EQ(gammaExponentOfRamp(ramp), (1.0 + two + two) / 3.0);
}

TEST(GammaExponentOfRamp, EmptyChannelsAreLeftOutAndAllZeroGivesOne) {
    EXPECT_EQ(gammaExponentOfRamp(platform::GammaRamp{}), 1.0);
    platform::GammaRamp ramp = linearRamp();
    ramp.blue.fill(0);
    EXPECT_EQ(gammaExponentOfRamp(ramp), 1.0);
    EXPECT_FALSE(std::isnan(gammaExponentOfRamp(ramp)));
}

TEST(GammaOnTheDisplay, OriginalRampComesBackWholeNotAsItsPowerLaw) {
    platform::FakeVideoBackend fake;
    fake.windowOpen = true;
    const platform::GammaRamp calibrated = fake.deviceRamp;
    DisplayGamma gamma;

    const double exponent = readGammaExponent(gamma, fake);
    EXPECT_NEAR(exponent, 1.0, 0.05);
    EXPECT_NE(gammaRampForExponent(exponent), calibrated);  // the power law would not give it back

    applyGammaExponent(gamma, fake, 4.0 - 2.0);
    EXPECT_EQ(fake.deviceRamp, gammaRampForExponent(2.0));

    // A second read (say after a re-initialisation) does not replace what was found at start.
    readGammaExponent(gamma, fake);
    restoreOriginalGamma(gamma, fake);
    EXPECT_EQ(fake.deviceRamp, calibrated);
    const int writes = fake.gammaWrites;
    restoreOriginalGamma(gamma, fake);
    EXPECT_EQ(fake.gammaWrites, writes);  // nothing left to put back
}

TEST(GammaOnTheDisplay, DisplayWithoutRampRunsOnAndRestoresNothing) {
    platform::FakeVideoBackend fake;
    fake.windowOpen = true;
    fake.hasGammaRamp = false;
    DisplayGamma gamma;
    EXPECT_EQ(readGammaExponent(gamma, fake), 1.0);
    applyGammaExponent(gamma, fake, 1.0);
    EXPECT_EQ(fake.gammaWrites, 1);
    restoreOriginalGamma(gamma, fake);
    EXPECT_EQ(fake.gammaWrites, 1);
}

TEST(GammaOnTheDisplay, ABackendThatKeepsTheRampsPutsThemBackItself) {
    // As XRandR does: one whole ramp per monitor, of its own size, which a 256-entry copy would not
    // give back exactly.
    platform::FakeVideoBackend fake;
    fake.windowOpen = true;
    fake.keepsGammaRamp = true;
    const platform::GammaRamp calibrated = fake.deviceRamp;
    DisplayGamma gamma;
    readGammaExponent(gamma, fake);
    applyGammaExponent(gamma, fake, 3.0);
    const int writes = fake.gammaWrites;
    restoreOriginalGamma(gamma, fake);
    EXPECT_EQ(fake.deviceRamp, calibrated);
    EXPECT_EQ(fake.gammaWrites, writes);
    EXPECT_EQ(fake.count("restoreGammaRamp"), 1);
    restoreOriginalGamma(gamma, fake);
    EXPECT_EQ(fake.count("restoreGammaRamp"), 1);
}

}  // namespace
