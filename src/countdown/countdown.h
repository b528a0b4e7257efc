#pragma once
// The countdown and clock overlay: the time left until Christmas (or, from 27 December, until the New
// Year), the holiday greetings, the optional digital clock and the optional frame-rate figure, all drawn
// from one-picture-per-character glyph textures in the -1..+1 overlay space.
//
//   CountdownTime      the local date and time of the frame and the days/hours/minutes/seconds left
//   CountdownDisplay   the 30 overlay textures, the layout of one frame's quads, and their drawing
//   OverlayLayout      a frame's quads (texture slot + rectangle), computed without GL

#include <cstddef>
#include <cstdint>

class TextureManager;

// ---- date arithmetic -----------------------------------------------------------------------------

// Gregorian rule: every fourth year, except centuries not divisible by 400.
bool isLeapYear(int year);
// 1-based day of the year for a date; a month outside 1..12 is clamped into range.
int dayOfYear(int year, int month, int day);

struct CountdownTime {
    // Local date and time as the system reports it (month 1-12, day 1-31, hour 0-23, minute and
    // second 0-59). Written by the frame loop before updateCountdown().
    std::uint16_t year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    // Time left until 25 December 00:00:00, or from 27 December on until 1 January 00:00:00; never
    // negative; seconds and minutes 0-59, hours 0-23, whole days carried into days.
    std::int32_t days = 0, hours = 0, minutes = 0, seconds = 0;

    void setDateTime(int year, int month, int day, int hour, int minute, int second);
    // Recomputes the four remaining values from the stored date and time. Once per frame.
    void updateCountdown();
};

// ---- overlay layout ------------------------------------------------------------------------------

// The overlay textures (16 glyphs, 2 headings, "remaining", 8 unit labels, 2 greetings), in the
// order loadGlyphs obtains them.
enum OverlayTexture : std::uint8_t {
    kGlyph0 = 0,  // "0".."9" are kGlyph0 + digit
    kGlyphA = 10,
    kGlyphM,
    kGlyphP,
    kGlyphColon,
    kGlyphPoint,
    kGlyphSpace,
    kHeadingChristmas,
    kHeadingNewYear,
    kRemaining,
    kLabelDays,
    kLabelHours,
    kLabelMinutes,
    kLabelSeconds,
    kLabelDay,
    kLabelHour,
    kLabelMinute,
    kLabelSecond,
    kGreetingChristmas,
    kGreetingNewYear,
    kOverlayTextureCount
};

// The pack path of an overlay texture ("Textures/tex_sym_0.tga", ...); nullptr for an invalid slot.
const char* overlayTexturePath(int slot);

// One flat quad of the overlay: centre and half size in overlay units (-1..+1 across the window),
// texture coordinate (0,0) at the lower-left corner.
struct OverlayQuad2D {
    std::uint8_t texture;  // an OverlayTexture slot
    float cx, cy, hw, hh;
};

// The quads of one frame in drawing order. Fixed capacity so building a frame never allocates; quads
// beyond the capacity are dropped (counted in `dropped`).
struct OverlayLayout {
    static constexpr std::size_t kCapacity = 96;
    OverlayQuad2D quads[kCapacity];
    std::size_t count = 0;
    std::size_t dropped = 0;

    void clear() { count = dropped = 0; }
    void add(std::uint8_t texture, float cx, float cy, float hw, float hh);
};

// The options the overlay reads each frame.
struct OverlayOptions {
    bool showFps = false;   // the "Fps:" option
    bool showClock = true;  // the "Clock:" option
    bool style24h = false;  // the "Style24h:" option; off is the 12-hour style with a.m./p.m.
};

// Pen advance of one glyph, and the left shift of a "." (which advances 0.6 shift less).
constexpr float kGlyphAdvance = 0.0425f;
constexpr float kPointShift = 0.03125f;
constexpr float kGlyphHalfWidth = 0.04f;
constexpr float kGlyphHalfHeight = 0.053f;

// Text builders: write a NUL-terminated string into `out` (truncated to `size` - 1 characters) and
// return its length.
std::size_t formatClockText(const CountdownTime& time, bool style24h, char* out, std::size_t size);
std::size_t formatCountdownText(const CountdownTime& time, char* out, std::size_t size);
std::size_t formatFramesPerSecond(float framesPerSecond, char* out, std::size_t size);

// ---- the display ---------------------------------------------------------------------------------

class CountdownDisplay {
public:
    CountdownDisplay();

    // Obtains the overlay textures from the texture manager (which owns them; they are never freed
    // here) in slot order and builds the glyph map. Needs a current GL context.
    void loadGlyphs(TextureManager& manager);
    // Uses these GL texture names instead (tests, tools). `textures` holds kOverlayTextureCount names.
    void setTextures(const unsigned* textures);
    unsigned texture(int slot) const;

    // Builds this frame's quads into `layout` (cleared first): frame rate, clock, greeting,
    // countdown text, heading, unit labels, "remaining". No GL, no allocation.
    void layoutOverlay(const CountdownTime& time, const OverlayOptions& options, float framesPerSecond,
                       OverlayLayout& layout);
    // Appends the quads of `text` starting at pen position (x, y). A character without a glyph is
    // entered into the glyph map as "0" and drawn as "0".
    void layoutGlyphText(float x, float y, const char* text, OverlayLayout& layout);

    // Draws the overlay for this frame inside the overlay pass (between beginOverlay and
    // endOverlay), in its state: alpha-tested and alpha-blended, without depth.
    void drawOverlay(const CountdownTime& time, const OverlayOptions& options, float framesPerSecond);
    // Draws laid-out quads with their textures, white, in the overlay state.
    void drawLayout(const OverlayLayout& layout) const;

    // The glyph index of a character (what the map holds; unknown characters read as 0).
    int glyphIndex(unsigned char c) const;

private:
    unsigned textures_[kOverlayTextureCount];
    std::int8_t glyphMap_[256];  // -1: not in the map yet
    OverlayLayout frameLayout_;
};
