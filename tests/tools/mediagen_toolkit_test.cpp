// The picture toolkit's arithmetic: blending, shapes, blur, noise, random numbers and lettering.

#include <gtest/gtest.h>

#include <cmath>

#include "core/maths.h"
#include "mediagen/picture.h"
#include "mediagen/text.h"

using namespace mediagen;

namespace {

float alphaSum(const Picture& picture) {
    float sum = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) sum += picture.at(x, y).a;
    return sum;
}

TEST(MediagenPicture, StraightAlphaOverKeepsColourAndCombinesAlpha) {
    Picture picture(1, 1, Color{0, 0, 1, 0});
    // Onto a clear pixel the colour comes through unchanged, not darkened by the missing alpha.
    picture.blend(0, 0, Color{1, 0.5f, 0, 0.5f});
    EXPECT_FLOAT_EQ(picture.at(0, 0).r, 1);
    EXPECT_FLOAT_EQ(picture.at(0, 0).g, 0.5f);
    EXPECT_FLOAT_EQ(picture.at(0, 0).a, 0.5f);
    // Half over half: alpha 0.75, colour weighted 0.5 : 0.25.
    picture.blend(0, 0, Color{0, 0, 1, 0.5f});
    EXPECT_FLOAT_EQ(picture.at(0, 0).a, 0.75f);
    EXPECT_NEAR(picture.at(0, 0).r, 0.25f / 0.75f, 1e-6);
    EXPECT_NEAR(picture.at(0, 0).b, 0.5f / 0.75f, 1e-6);
    // Coverage scales the source alpha; outside the picture nothing happens.
    Picture opaque(2, 1, Color{0, 0, 0, 1});
    opaque.blend(0, 0, Color{1, 1, 1, 1}, 0.25f);
    opaque.blend(5, 0, Color{1, 1, 1, 1});
    opaque.blend(-1, 0, Color{1, 1, 1, 1});
    EXPECT_FLOAT_EQ(opaque.at(0, 0).r, 0.25f);
    EXPECT_FLOAT_EQ(opaque.at(0, 0).a, 1);
    EXPECT_FLOAT_EQ(opaque.at(1, 0).r, 0);
}

TEST(MediagenPicture, ConversionRoundsAndClamps) {
    Picture picture(3, 1);
    picture.at(0, 0) = Color{0.5f, 1.7f, -0.2f, 1};
    picture.at(1, 0) = Color{1.0f / 255 * 0.49f, 1.0f / 255 * 0.51f, 1, 0};
    const pictures::Image image = picture.toImage();
    EXPECT_EQ(image.at(0, 0), (pictures::Rgba{128, 255, 0, 255}));
    EXPECT_EQ(image.at(1, 0), (pictures::Rgba{0, 1, 255, 0}));
}

TEST(MediagenPicture, ShapesCoverTheirArea) {
    Picture picture(100, 100);
    fillPolygon(picture, {{10, 10}, {60, 10}, {10, 50}}, Color{1, 1, 1, 1});  // area 1000
    EXPECT_NEAR(alphaSum(picture), 1000, 15);
    Picture disc(100, 100);
    fillDisc(disc, 50.3f, 49.7f, 20, Color{1, 1, 1, 1});
    EXPECT_NEAR(alphaSum(disc), ::kPi * 400, 10);
    Picture rect(20, 20);
    fillRect(rect, 2.5f, 3, 7.5f, 5, Color{1, 1, 1, 1});  // 5 × 2, half pixels at the sides
    EXPECT_NEAR(alphaSum(rect), 10, 1e-4);
    EXPECT_FLOAT_EQ(rect.at(2, 3).a, 0.5f);
    EXPECT_FLOAT_EQ(rect.at(3, 4).a, 1);
    // A polygon partly off the picture is clipped, not wrapped or crashed.
    Picture clipped(10, 10);
    fillPolygon(clipped, {{-20, -20}, {30, -20}, {30, 5}, {-20, 5}}, Color{1, 1, 1, 1});
    EXPECT_NEAR(alphaSum(clipped), 50, 1e-3);
}

TEST(MediagenPicture, BlurSpreadsButKeepsTheTotal) {
    Mask mask(41, 41);
    mask.at(20, 20) = 1;
    blurMask(mask, 4);
    float sum = 0;
    for (float v : mask.values) sum += v;
    EXPECT_NEAR(sum, 1, 1e-4);
    EXPECT_GT(mask.at(20, 20), mask.at(24, 20));
    EXPECT_GT(mask.at(24, 20), 0);
    EXPECT_NEAR(mask.at(17, 20), mask.at(23, 20), 1e-6);  // symmetric
    EXPECT_NEAR(mask.at(20, 17), mask.at(17, 20), 1e-6);
}

TEST(MediagenPicture, DilationGrowsByTheRadius) {
    Mask mask(21, 21);
    mask.at(10, 10) = 1;
    const Mask grown = dilated(mask, 3);
    EXPECT_FLOAT_EQ(grown.at(12, 10), 1);
    EXPECT_FLOAT_EQ(grown.at(10, 8), 1);
    EXPECT_FLOAT_EQ(grown.at(13, 10), 0.5f);  // the pen's edge is anti-aliased
    EXPECT_FLOAT_EQ(grown.at(14, 10), 0);
    EXPECT_LT(grown.at(13, 13), 0.01f);  // round pen, not a square
}

TEST(MediagenPicture, RandomAndNoiseAreRepeatableAndInRange) {
    Random a(42), b(42), c(43);
    bool differs = false;
    for (int i = 0; i < 200; ++i) {
        const std::uint32_t va = a.next();
        EXPECT_EQ(va, b.next());
        differs |= va != c.next();
        const float u = a.uniform();
        b.uniform();
        EXPECT_GE(u, 0);
        EXPECT_LT(u, 1);
        const int k = a.below(7);
        b.below(7);
        EXPECT_GE(k, 0);
        EXPECT_LT(k, 7);
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(a.below(0), 0);

    const ValueNoise noise(7);
    float low = 1, high = 0;
    for (int i = 0; i < 400; ++i) {
        const float v = noise.fractal(i * 0.173f, i * 0.311f, 4);
        low = std::min(low, v);
        high = std::max(high, v);
        EXPECT_EQ(v, ValueNoise(7).fractal(i * 0.173f, i * 0.311f, 4));
    }
    EXPECT_GE(low, 0);
    EXPECT_LE(high, 1);
    EXPECT_GT(high - low, 0.3f);
    // Wrapped noise tiles: the value at x and at x + period match.
    EXPECT_NEAR(noise.at(0.3f, 1.7f, 8), noise.at(8.3f, 1.7f, 8), 1e-6);
    EXPECT_NEAR(noise.fractal(0.3f, 1.7f, 3, 0.5f, 4), noise.fractal(4.3f, 5.7f, 3, 0.5f, 4), 1e-6);
}

TEST(MediagenText, DigitsShareABaselineAndNarrowingKeepsInk) {
    const TextMask zero = setText(Typeface::SansBold, "0", 40);
    const TextMask seven = setText(Typeface::SansBold, "7", 40);
    EXPECT_EQ(zero.baseline, seven.baseline);
    EXPECT_EQ(zero.mask.height, seven.mask.height);
    EXPECT_NEAR(zero.inkBottom, zero.baseline, 2);  // digits stand on the baseline
    EXPECT_NEAR(zero.capHeight, 40 * 0.73f, 2);
    const TextMask p = setText(Typeface::SansBold, "p", 40);
    EXPECT_GT(p.inkBottom, p.baseline + 5);  // the descender goes below
    const TextMask word = setText(Typeface::SerifBold, "Glimmerdale", 30);
    float ink = 0;
    for (float v : word.mask.values) ink += v;
    const TextMask narrow = narrowed(word, 0.5f);
    float narrowInk = 0;
    for (float v : narrow.mask.values) narrowInk += v;
    EXPECT_NEAR(narrow.inkRight - narrow.inkLeft, (word.inkRight - word.inkLeft) * 0.5f, 1);
    EXPECT_NEAR(narrowInk, ink * 0.5f, ink * 0.02f);
    // Text made to fit a box does fit it.
    const float size = fitTextSize(Typeface::SansBold, "Countdown to Christmas", 200, 30, 80);
    const TextMask fitted = setText(Typeface::SansBold, "Countdown to Christmas", size);
    EXPECT_LE(fitted.inkRight - fitted.inkLeft, 201);
    EXPECT_LE(fitted.inkBottom - fitted.inkTop, 31);
}

}  // namespace
