#include <cstdio>
#include <cstring>

#include "countdown/countdown.h"

namespace {

const char* const kTexturePaths[kOverlayTextureCount] = {
    "Textures/tex_sym_0.tga",     "Textures/tex_sym_1.tga",     "Textures/tex_sym_2.tga",
    "Textures/tex_sym_3.tga",     "Textures/tex_sym_4.tga",     "Textures/tex_sym_5.tga",
    "Textures/tex_sym_6.tga",     "Textures/tex_sym_7.tga",     "Textures/tex_sym_8.tga",
    "Textures/tex_sym_9.tga",     "Textures/tex_sym_a.tga",     "Textures/tex_sym_m.tga",
    "Textures/tex_sym_p.tga",     "Textures/tex_sym_colon.tga", "Textures/tex_sym_point.tga",
    "Textures/tex_sym_space.tga", "Textures/tex_countdown.tga", "Textures/tex_countdown2.tga",
    "Textures/tex_remaining.tga", "Textures/tex_days.tga",      "Textures/tex_hours.tga",
    "Textures/tex_mins.tga",      "Textures/tex_secs.tga",      "Textures/tex_day.tga",
    "Textures/tex_hour.tga",      "Textures/tex_min.tga",       "Textures/tex_sec.tga",
    "Textures/tex_mc.tga",        "Textures/tex_hny.tga",
};

// Character i of this string is drawn with glyph texture i (the last one is a space).
constexpr char kGlyphCharacters[] = "0123456789amp:. ";

// Places of the lower-left block (countdown, heading, labels, greeting) and the two readouts.
constexpr float kGreetingX = -0.69f, kGreetingY = -0.84f, kGreetingHalfW = 0.212f, kGreetingHalfH = 0.106f;
constexpr float kCountdownTextY = -0.87f, kCountdownTextX = -0.94f, kCountdownTextWideX = -0.98f;
constexpr float kHeadingX = -0.59f, kHeadingY = -0.78f, kHeadingHalfW = 0.212f, kHeadingHalfH = 0.0265f;
constexpr float kLabelY = -0.86f, kLabelHalfW = 0.053f, kLabelHalfH = 0.0265f;
constexpr float kRemainingX = -0.59f, kRemainingY = -0.93f, kRemainingHalfW = 0.106f,
                kRemainingHalfH = 0.0265f;
constexpr float kFpsX = -0.95f, kFpsY = 0.92f;
constexpr float kClock24X = 0.64f, kClock12X = 0.5f, kClockY = -0.92f;

// Appends a decimal number, with one leading "0" below 10 when padded.
std::size_t appendNumber(char* out, std::size_t size, std::size_t at, long value, bool padded) {
    if (at >= size) return at;
    const int written = std::snprintf(out + at, size - at, padded ? "%02ld" : "%ld", value);
    if (written < 0) return at;
    const std::size_t end = at + static_cast<std::size_t>(written);
    return end < size ? end : size - 1;
}

std::size_t appendText(char* out, std::size_t size, std::size_t at, const char* text) {
    while (*text && at + 1 < size) out[at++] = *text++;
    if (at < size) out[at] = '\0';
    return at;
}

std::uint8_t unitLabel(std::int32_t value, std::uint8_t singular, std::uint8_t plural) {
    return value <= 1 ? singular : plural;
}

}  // namespace

const char* overlayTexturePath(int slot) {
    return slot >= 0 && slot < kOverlayTextureCount ? kTexturePaths[slot] : nullptr;
}

void OverlayLayout::add(std::uint8_t texture, float cx, float cy, float hw, float hh) {
    if (count >= kCapacity) {
        ++dropped;
        return;
    }
    quads[count++] = OverlayQuad2D{texture, cx, cy, hw, hh};
}

std::size_t formatClockText(const CountdownTime& time, bool style24h, char* out, std::size_t size) {
    if (size == 0) return 0;
    out[0] = '\0';
    std::size_t at = 0;
    if (style24h) {
        at = appendNumber(out, size, at, time.hour, true);
        at = appendText(out, size, at, ":");
        at = appendNumber(out, size, at, time.minute, true);
        at = appendText(out, size, at, ":");
        return appendNumber(out, size, at, time.second, true);
    }
    long hour = time.hour;
    const char* suffix = " a.m.";
    if (hour >= 12) {
        suffix = " p.m.";
        if (hour > 12) hour -= 12;
    }
    at = appendNumber(out, size, at, hour, false);
    at = appendText(out, size, at, ":");
    at = appendNumber(out, size, at, time.minute, true);
    at = appendText(out, size, at, ":");
    at = appendNumber(out, size, at, time.second, true);
    return appendText(out, size, at, suffix);
}

std::size_t formatCountdownText(const CountdownTime& time, char* out, std::size_t size) {
    if (size == 0) return 0;
    out[0] = '\0';
    std::size_t at = appendNumber(out, size, 0, time.days, true);
    at = appendText(out, size, at, "  ");
    at = appendNumber(out, size, at, time.hours, true);
    at = appendText(out, size, at, "   ");
    at = appendNumber(out, size, at, time.minutes, true);
    at = appendText(out, size, at, "  ");
    return appendNumber(out, size, at, time.seconds, true);
}

std::size_t formatFramesPerSecond(float framesPerSecond, char* out, std::size_t size) {
    if (size == 0) return 0;
    // "%g" is what a default text stream writes for a float: six significant digits, no trailing zeros.
    const int written = std::snprintf(out, size, "%g", static_cast<double>(framesPerSecond));
    if (written < 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(written) < size ? static_cast<std::size_t>(written) : size - 1;
}

CountdownDisplay::CountdownDisplay() {
    std::memset(textures_, 0, sizeof textures_);
    std::memset(glyphMap_, -1, sizeof glyphMap_);
}

void CountdownDisplay::setTextures(const unsigned* textures) {
    for (int i = 0; i < kOverlayTextureCount; ++i) textures_[i] = textures[i];
    for (int i = 0; kGlyphCharacters[i] != '\0'; ++i)
        glyphMap_[static_cast<unsigned char>(kGlyphCharacters[i])] = static_cast<std::int8_t>(i);
}

unsigned CountdownDisplay::texture(int slot) const {
    return slot >= 0 && slot < kOverlayTextureCount ? textures_[slot] : 0;
}

int CountdownDisplay::glyphIndex(unsigned char c) const { return glyphMap_[c] < 0 ? 0 : glyphMap_[c]; }

void CountdownDisplay::layoutGlyphText(float x, float y, const char* text, OverlayLayout& layout) {
    float pen = 0.0f;
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        const float shift = c == '.' ? kPointShift : 0.0f;
        if (glyphMap_[c] < 0) glyphMap_[c] = 0;
        layout.add(static_cast<std::uint8_t>(kGlyph0 + glyphMap_[c]), x + pen - shift, y, kGlyphHalfWidth,
                   kGlyphHalfHeight);
        pen += kGlyphAdvance - 0.6f * shift;
    }
}

void CountdownDisplay::layoutOverlay(const CountdownTime& time, const OverlayOptions& options,
                                     float framesPerSecond, OverlayLayout& layout) {
    layout.clear();
    char text[64];

    if (options.showFps) {
        formatFramesPerSecond(framesPerSecond, text, sizeof text);
        layoutGlyphText(kFpsX, kFpsY, text, layout);
    }
    if (options.showClock) {
        formatClockText(time, options.style24h, text, sizeof text);
        layoutGlyphText(options.style24h ? kClock24X : kClock12X, kClockY, text, layout);
    }

    if (time.month == 12 && (time.day == 25 || time.day == 26)) {
        layout.add(kGreetingChristmas, kGreetingX, kGreetingY, kGreetingHalfW, kGreetingHalfH);
        return;
    }
    // In the first week of January the countdown to the next Christmas is drawn over the greeting.
    if (time.month == 1 && time.day >= 1 && time.day <= 7)
        layout.add(kGreetingNewYear, kGreetingX, kGreetingY, kGreetingHalfW, kGreetingHalfH);

    formatCountdownText(time, text, sizeof text);
    layoutGlyphText(time.days >= 100 ? kCountdownTextWideX : kCountdownTextX, kCountdownTextY, text, layout);

    const bool newYear = time.month == 12 && time.day >= 27;
    layout.add(newYear ? kHeadingNewYear : kHeadingChristmas, kHeadingX, kHeadingY, kHeadingHalfW,
               kHeadingHalfH);
    layout.add(unitLabel(time.days, kLabelDay, kLabelDays), -0.83f, kLabelY, kLabelHalfW, kLabelHalfH);
    layout.add(unitLabel(time.hours, kLabelHour, kLabelHours), -0.65f, kLabelY, kLabelHalfW, kLabelHalfH);
    layout.add(unitLabel(time.minutes, kLabelMinute, kLabelMinutes), -0.45f, kLabelY, kLabelHalfW,
               kLabelHalfH);
    layout.add(unitLabel(time.seconds, kLabelSecond, kLabelSeconds), -0.28f, kLabelY, kLabelHalfW,
               kLabelHalfH);
    layout.add(kRemaining, kRemainingX, kRemainingY, kRemainingHalfW, kRemainingHalfH);
}
