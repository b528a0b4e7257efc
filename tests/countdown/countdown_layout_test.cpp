#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "countdown/countdown.h"

namespace {

std::string clockText(int hour, int minute, int second, bool style24h) {
    CountdownTime time;
    time.setDateTime(2026, 6, 1, hour, minute, second);
    char text[32];
    formatClockText(time, style24h, text, sizeof text);
    return text;
}

TEST(CountdownText, TwelveHourClock) {
    EXPECT_EQ(clockText(0, 30, 5, false), "0:30:05 a.m.");
    EXPECT_EQ(clockText(12, 0, 0, false), "12:00:00 p.m.");
    EXPECT_EQ(clockText(13, 7, 9, false), "1:07:09 p.m.");
    EXPECT_EQ(clockText(21, 5, 0, false), "9:05:00 p.m.");
    EXPECT_EQ(clockText(11, 59, 59, false), "11:59:59 a.m.");
}

TEST(CountdownText, TwentyFourHourClock) {
    EXPECT_EQ(clockText(9, 5, 0, true), "09:05:00");
    EXPECT_EQ(clockText(13, 7, 9, true), "13:07:09");
    EXPECT_EQ(clockText(0, 0, 0, true), "00:00:00");
}

TEST(CountdownText, CountdownGroupsArePaddedAndSpaced) {
    CountdownTime time;
    time.days = 5, time.hours = 13, time.minutes = 59, time.seconds = 7;
    char text[32];
    EXPECT_EQ(formatCountdownText(time, text, sizeof text), 15u);
    EXPECT_STREQ(text, "05  13   59  07");
    time.days = 150;
    formatCountdownText(time, text, sizeof text);
    EXPECT_STREQ(text, "150  13   59  07");
}

TEST(CountdownText, FramesPerSecondLikeATextStream) {
    char text[32];
    formatFramesPerSecond(60.0f, text, sizeof text);
    EXPECT_STREQ(text, "60");
    formatFramesPerSecond(59.5f, text, sizeof text);
    EXPECT_STREQ(text, "59.5");
    formatFramesPerSecond(1234567.0f, text, sizeof text);
    EXPECT_STREQ(text, "1.23457e+06");
}

TEST(CountdownText, SmallBuffersAreTruncatedNotOverrun) {
    CountdownTime time;
    time.setDateTime(2026, 6, 1, 13, 7, 9);
    char text[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(formatClockText(time, false, text, 5), 4u);
    EXPECT_STREQ(text, "1:07");
    EXPECT_EQ(text[5], 'x');
    EXPECT_EQ(formatCountdownText(time, text, 1), 0u);
    EXPECT_STREQ(text, "");
}

class CountdownLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsigned names[kOverlayTextureCount];
        for (int i = 0; i < kOverlayTextureCount; ++i) names[i] = 100 + i;
        display.setTextures(names);
    }

    // The quads laid out for this date and time.
    std::vector<OverlayQuad2D> layoutAt(int year, int month, int day, int hour, int minute, int second,
                                        OverlayOptions options = OverlayOptions{false, false, false}) {
        CountdownTime time;
        time.setDateTime(year, month, day, hour, minute, second);
        time.updateCountdown();
        display.layoutOverlay(time, options, 60.0f, layout);
        return std::vector<OverlayQuad2D>(layout.quads, layout.quads + layout.count);
    }

    static int countSlot(const std::vector<OverlayQuad2D>& quads, int slot) {
        int n = 0;
        for (const auto& q : quads) n += q.texture == slot;
        return n;
    }
    static const OverlayQuad2D* findSlot(const std::vector<OverlayQuad2D>& quads, int slot) {
        for (const auto& q : quads)
            if (q.texture == slot) return &q;
        return nullptr;
    }
    // The glyph slots of the countdown text (the quads on its baseline), as characters.
    static std::string countdownGlyphs(const std::vector<OverlayQuad2D>& quads) {
        std::string text;
        for (const auto& q : quads)
            if (q.cy == -0.87f && q.texture <= kGlyphSpace) text += "0123456789amp:. "[q.texture];
        return text;
    }

    CountdownDisplay display;
    OverlayLayout layout;
};

TEST_F(CountdownLayoutTest, GlyphTextAdvancesAndShiftsThePoint) {
    layout.clear();
    display.layoutGlyphText(0.5f, -0.92f, "1:0 p.m.", layout);
    ASSERT_EQ(layout.count, 8u);
    const int slots[] = {kGlyph0 + 1, kGlyphColon, kGlyph0, kGlyphSpace,
                         kGlyphP,     kGlyphPoint, kGlyphM, kGlyphPoint};
    // Pen positions: a glyph advances 0.0425, a "." 0.02375 and is drawn 0.03125 left of its pen.
    const float centres[] = {
        0.5f, 0.5425f, 0.585f, 0.6275f, 0.67f - 0.0f, 0.7125f - 0.03125f, 0.73625f, 0.77875f - 0.03125f};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(layout.quads[i].texture, slots[i]) << i;
        EXPECT_NEAR(layout.quads[i].cx, centres[i], 1e-5f) << i;
        EXPECT_FLOAT_EQ(layout.quads[i].cy, -0.92f);
        EXPECT_FLOAT_EQ(layout.quads[i].hw, 0.04f);
        EXPECT_FLOAT_EQ(layout.quads[i].hh, 0.053f);
    }
}

TEST_F(CountdownLayoutTest, UnknownCharactersDrawAsZeroAndJoinTheMap) {
    EXPECT_EQ(display.glyphIndex('x'), 0);
    EXPECT_EQ(display.glyphIndex(':'), kGlyphColon);
    EXPECT_EQ(display.glyphIndex(' '), kGlyphSpace);
    layout.clear();
    display.layoutGlyphText(0.0f, 0.0f, "x\xff-", layout);
    ASSERT_EQ(layout.count, 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(layout.quads[i].texture, kGlyph0);
    EXPECT_NEAR(layout.quads[2].cx, 2 * 0.0425f, 1e-6f);
}

TEST_F(CountdownLayoutTest, ChristmasEveLastSecond) {
    const auto quads = layoutAt(2026, 12, 24, 23, 59, 59);
    EXPECT_EQ(countdownGlyphs(quads), "00  00   00  01");
    EXPECT_EQ(countSlot(quads, kHeadingChristmas), 1);
    EXPECT_EQ(countSlot(quads, kHeadingNewYear), 0);
    // 0 and 1 take the singular pictures.
    for (int slot : {kLabelDay, kLabelHour, kLabelMinute, kLabelSecond}) EXPECT_EQ(countSlot(quads, slot), 1);
    for (int slot : {kLabelDays, kLabelHours, kLabelMinutes, kLabelSeconds})
        EXPECT_EQ(countSlot(quads, slot), 0);
    EXPECT_EQ(countSlot(quads, kRemaining), 1);
    EXPECT_EQ(countSlot(quads, kGreetingChristmas) + countSlot(quads, kGreetingNewYear), 0);
}

TEST_F(CountdownLayoutTest, ChristmasEveMorningAndPlacesOfTheBlock) {
    const auto quads = layoutAt(2026, 12, 24, 10, 0, 0);
    EXPECT_EQ(countdownGlyphs(quads), "00  14   00  00");
    const OverlayQuad2D* first = &quads.front();
    EXPECT_FLOAT_EQ(first->cx, -0.94f);
    EXPECT_FLOAT_EQ(first->cy, -0.87f);
    const OverlayQuad2D* heading = findSlot(quads, kHeadingChristmas);
    ASSERT_NE(heading, nullptr);
    EXPECT_FLOAT_EQ(heading->cx, -0.59f);
    EXPECT_FLOAT_EQ(heading->cy, -0.78f);
    EXPECT_FLOAT_EQ(heading->hw, 0.212f);
    EXPECT_FLOAT_EQ(heading->hh, 0.0265f);
    const OverlayQuad2D* hours = findSlot(quads, kLabelHours);
    ASSERT_NE(hours, nullptr);
    EXPECT_FLOAT_EQ(hours->cx, -0.65f);
    EXPECT_FLOAT_EQ(hours->cy, -0.86f);
    EXPECT_FLOAT_EQ(hours->hw, 0.053f);
    EXPECT_FLOAT_EQ(hours->hh, 0.0265f);
    EXPECT_FLOAT_EQ(findSlot(quads, kLabelDay)->cx, -0.83f);
    EXPECT_FLOAT_EQ(findSlot(quads, kLabelMinute)->cx, -0.45f);
    EXPECT_FLOAT_EQ(findSlot(quads, kLabelSecond)->cx, -0.28f);
    const OverlayQuad2D* remaining = findSlot(quads, kRemaining);
    ASSERT_NE(remaining, nullptr);
    EXPECT_FLOAT_EQ(remaining->cx, -0.59f);
    EXPECT_FLOAT_EQ(remaining->cy, -0.93f);
    EXPECT_FLOAT_EQ(remaining->hw, 0.106f);
    EXPECT_FLOAT_EQ(remaining->hh, 0.0265f);
    // Heading, the four labels and "remaining" come after the text, in that order.
    ASSERT_GE(quads.size(), 6u);
    const std::size_t n = quads.size();
    EXPECT_EQ(quads[n - 6].texture, kHeadingChristmas);
    EXPECT_EQ(quads[n - 5].texture, kLabelDay);
    EXPECT_EQ(quads[n - 4].texture, kLabelHours);
    EXPECT_EQ(quads[n - 3].texture, kLabelMinute);
    EXPECT_EQ(quads[n - 2].texture, kLabelSecond);
    EXPECT_EQ(quads[n - 1].texture, kRemaining);
}

TEST_F(CountdownLayoutTest, ChristmasAndBoxingDayShowOnlyTheGreeting) {
    for (int day : {25, 26}) {
        const auto quads = layoutAt(2026, 12, day, 15, 0, 0);
        ASSERT_EQ(quads.size(), 1u) << day;
        EXPECT_EQ(quads[0].texture, kGreetingChristmas);
        EXPECT_FLOAT_EQ(quads[0].cx, -0.69f);
        EXPECT_FLOAT_EQ(quads[0].cy, -0.84f);
        EXPECT_FLOAT_EQ(quads[0].hw, 0.212f);
        EXPECT_FLOAT_EQ(quads[0].hh, 0.106f);
    }
}

TEST_F(CountdownLayoutTest, NewYearCountdownFromTheTwentySeventh) {
    auto quads = layoutAt(2026, 12, 27, 12, 0, 0);
    EXPECT_EQ(countdownGlyphs(quads), "04  12   00  00");
    EXPECT_EQ(countSlot(quads, kHeadingNewYear), 1);
    EXPECT_EQ(countSlot(quads, kHeadingChristmas), 0);
    EXPECT_EQ(countSlot(quads, kLabelDays), 1);
    quads = layoutAt(2026, 12, 31, 12, 0, 0);
    EXPECT_EQ(countdownGlyphs(quads).substr(0, 2), "00");
    EXPECT_EQ(countSlot(quads, kHeadingNewYear), 1);
    EXPECT_EQ(countSlot(quads, kLabelDay), 1);
}

TEST_F(CountdownLayoutTest, FirstWeekOfJanuaryDrawsTheCountdownOverTheGreeting) {
    auto quads = layoutAt(2026, 1, 1, 0, 0, 0);
    ASSERT_FALSE(quads.empty());
    EXPECT_EQ(quads[0].texture, kGreetingNewYear);
    EXPECT_EQ(countdownGlyphs(quads), "358  00   00  00");
    EXPECT_FLOAT_EQ(quads[1].cx, -0.98f);  // three-digit days start further left
    EXPECT_EQ(countSlot(quads, kHeadingChristmas), 1);
    quads = layoutAt(2026, 1, 7, 23, 0, 0);
    EXPECT_EQ(countSlot(quads, kGreetingNewYear), 1);
    quads = layoutAt(2026, 1, 8, 0, 0, 0);
    EXPECT_EQ(countSlot(quads, kGreetingNewYear), 0);
    EXPECT_EQ(countSlot(quads, kRemaining), 1);
}

TEST_F(CountdownLayoutTest, TwoAndThreeDigitDays) {
    // 99 days left: two digits at -0.94; 100 days: three digits at -0.98.
    auto quads = layoutAt(2026, 9, 16, 12, 0, 0);
    EXPECT_EQ(countdownGlyphs(quads).substr(0, 4), "99  ");
    EXPECT_FLOAT_EQ(quads[0].cx, -0.94f);
    quads = layoutAt(2026, 9, 15, 12, 0, 0);
    EXPECT_EQ(countdownGlyphs(quads).substr(0, 5), "100  ");
    EXPECT_FLOAT_EQ(quads[0].cx, -0.98f);
    quads = layoutAt(2026, 7, 27, 12, 0, 0);
    EXPECT_EQ(countdownGlyphs(quads).substr(0, 3), "150");
    EXPECT_FLOAT_EQ(quads[0].cx, -0.98f);
}

TEST_F(CountdownLayoutTest, PluralLabelsFromTwo) {
    const auto quads = layoutAt(2026, 12, 22, 21, 57, 58);  // 2 days, 2 hours, 2 minutes, 2 seconds
    EXPECT_EQ(countdownGlyphs(quads), "02  02   02  02");
    for (int slot : {kLabelDays, kLabelHours, kLabelMinutes, kLabelSeconds})
        EXPECT_EQ(countSlot(quads, slot), 1);
}

TEST_F(CountdownLayoutTest, ClockAndFrameRateFollowTheOptions) {
    auto quads = layoutAt(2026, 6, 1, 13, 7, 9, OverlayOptions{false, false, false});
    for (const auto& q : quads) EXPECT_NE(q.cy, -0.92f);
    for (const auto& q : quads) EXPECT_NE(q.cy, 0.92f);
    EXPECT_EQ(countSlot(quads, kRemaining), 1);  // the countdown needs no option

    quads = layoutAt(2026, 6, 1, 13, 7, 9, OverlayOptions{true, true, false});
    // "60" at the top left, then "1:07:09 p.m." from x = 0.5.
    ASSERT_GE(quads.size(), 14u);
    EXPECT_EQ(quads[0].texture, kGlyph0 + 6);
    EXPECT_FLOAT_EQ(quads[0].cx, -0.95f);
    EXPECT_FLOAT_EQ(quads[0].cy, 0.92f);
    EXPECT_EQ(quads[1].texture, kGlyph0);
    EXPECT_EQ(quads[2].texture, kGlyph0 + 1);
    EXPECT_FLOAT_EQ(quads[2].cx, 0.5f);
    EXPECT_FLOAT_EQ(quads[2].cy, -0.92f);
    EXPECT_EQ(quads[13].texture, kGlyphPoint);

    quads = layoutAt(2026, 6, 1, 13, 7, 9, OverlayOptions{false, true, true});
    EXPECT_EQ(quads[0].texture, kGlyph0 + 1);
    EXPECT_EQ(quads[1].texture, kGlyph0 + 3);
    EXPECT_FLOAT_EQ(quads[0].cx, 0.64f);
}

TEST_F(CountdownLayoutTest, OverlongTextIsDroppedNotOverrun) {
    layout.clear();
    std::string longText(300, '7');
    display.layoutGlyphText(0.0f, 0.0f, longText.c_str(), layout);
    EXPECT_EQ(layout.count, OverlayLayout::kCapacity);
    EXPECT_EQ(layout.dropped, 300 - OverlayLayout::kCapacity);
}

TEST(CountdownTextures, EveryPathInLoadingOrder) {
    // 16 glyphs, 2 headings, "remaining", 4 plural and 4 singular labels, 2 greetings.
    EXPECT_EQ(kOverlayTextureCount, 29);
    EXPECT_STREQ(overlayTexturePath(0), "Textures/tex_sym_0.tga");
    EXPECT_STREQ(overlayTexturePath(9), "Textures/tex_sym_9.tga");
    EXPECT_STREQ(overlayTexturePath(kGlyphColon), "Textures/tex_sym_colon.tga");
    EXPECT_STREQ(overlayTexturePath(kGlyphPoint), "Textures/tex_sym_point.tga");
    EXPECT_STREQ(overlayTexturePath(kGlyphSpace), "Textures/tex_sym_space.tga");
    const char* rest[] = {
        "Textures/tex_countdown.tga", "Textures/tex_countdown2.tga", "Textures/tex_remaining.tga",
        "Textures/tex_days.tga",      "Textures/tex_hours.tga",      "Textures/tex_mins.tga",
        "Textures/tex_secs.tga",      "Textures/tex_day.tga",        "Textures/tex_hour.tga",
        "Textures/tex_min.tga",       "Textures/tex_sec.tga",        "Textures/tex_mc.tga",
        "Textures/tex_hny.tga"};
    for (int i = 0; i < 13; ++i) EXPECT_STREQ(overlayTexturePath(16 + i), rest[i]) << i;
    EXPECT_EQ(overlayTexturePath(29), nullptr);
    EXPECT_EQ(overlayTexturePath(-1), nullptr);
}

}  // namespace
