// The countdown overlay's pictures and the default texture.
//
// Every label quad of the overlay is about a third wider on a 4:3 screen than its picture's aspect
// (a 256 × 32 heading fills a 0.424 × 0.053 quad), so lettering is set a quarter narrower and the
// quad stretches it back to its natural shape. Glyph quads are square on screen but the pen moves
// only 0.0425 of their 0.08 width, so each glyph is drawn into the middle half of its square.

#include <cmath>

#include "core/maths.h"
#include "mediagen/generator.h"
#include "mediagen/text.h"
#include "pictures/pictures.h"

namespace mediagen {
namespace {

constexpr float kLabelNarrowing = 0.75f;

// Light lettering with a soft dark rim: readable over the bright fire and the dark corners alike.
TextStyle overlayStyle(Typeface face, float size) {
    TextStyle style;
    style.face = face;
    style.size = size;
    style.fillTop = hexColor(0xFFFDF4);
    style.fillBottom = hexColor(0xF3D27A);
    style.outline = hexColor(0x1A0E06, 0.9f);
    style.outlineWidth = 1.6f;
    style.shadow = hexColor(0x000000, 0.75f);
    style.shadowBlur = 2.0f;
    style.shadowDx = 1;
    style.shadowDy = 1.5f;
    return style;
}

// Transparent pixels carry the rim colour so filtering at the edges never brings in a light fringe.
Picture transparentCanvas(int width, int height) { return Picture(width, height, hexColor(0x1A0E06, 0)); }

void writeOverlay(MediaTree& tree, const std::string& name, const Picture& picture) {
    writeTexture(tree, name, picture, true);
}

// A label set a quarter narrower, fitted into the box and centred on (cx, cy).
void drawLabel(Picture& picture, const std::string& text, TextStyle style, float cx, float cy, float boxWidth,
               float boxHeight) {
    style.size = fitTextSize(style.face, text, boxWidth / kLabelNarrowing, boxHeight, style.size);
    const TextMask set = narrowed(setText(style.face, text, style.size, 6), kLabelNarrowing);
    const float inkWidth = float(set.inkRight - set.inkLeft);
    drawTextMask(picture, set, style, cx - inkWidth / 2, cy + set.capHeight / 2);
}

Picture labelPicture(int width, int height, const std::string& text, float fillHeight) {
    Picture picture = transparentCanvas(width, height);
    TextStyle style = overlayStyle(Typeface::SansBold, height * 0.8f);
    style.outlineWidth = height <= 32 ? 1.5f : 2.5f;
    drawLabel(picture, text, style, width / 2.0f, height / 2.0f, width - 8.0f, height * fillHeight);
    return picture;
}

// One glyph: digits 38 px tall on a shared baseline, at most 30 px wide, in the middle of the square.
Picture glyphPicture(const std::string& character) {
    constexpr int kSize = 64;
    constexpr float kBaseline = 51;
    constexpr float kMaxInkWidth = 28;
    Picture picture = transparentCanvas(kSize, kSize);
    if (character == " ") return picture;
    TextStyle style = overlayStyle(Typeface::SansBold, 52);
    style.outlineWidth = 2.0f;
    TextMask set = setText(style.face, character, style.size, 6);
    const float inkWidth = float(set.inkRight - set.inkLeft);
    if (inkWidth > kMaxInkWidth) set = narrowed(set, kMaxInkWidth / inkWidth);
    const float width = float(set.inkRight - set.inkLeft);
    // The point is drawn 0.03125 left of its pen position; setting it right of centre puts it just
    // after the glyph before it.
    const float centre = character == "." ? kSize / 2.0f + 13 : kSize / 2.0f;
    drawTextMask(picture, set, style, centre - width / 2, kBaseline);
    return picture;
}

// A four-pointed sparkle, blended.
void drawSparkle(Picture& picture, float cx, float cy, float radius, Color color) {
    std::vector<std::pair<float, float>> points;
    for (int i = 0; i < 8; ++i) {
        const float angle = float(i) * kPi / 4 - kPi / 2;
        const float r = i % 2 == 0 ? radius : radius * 0.22f;
        points.push_back({cx + std::cos(angle) * r, cy + std::sin(angle) * r});
    }
    fillPolygon(picture, points, color);
}

// A sprig of holly: two pointed leaves and three berries.
void drawHolly(Picture& picture, float cx, float cy, float size) {
    const Color leaf = hexColor(0x2F8F46), vein = hexColor(0x1B5E2E);
    for (int side : {-1, 1}) {
        std::vector<std::pair<float, float>> points;
        const float angle = side < 0 ? 3.5f : -0.35f;
        const float ux = std::cos(angle), uy = std::sin(angle);
        for (int i = 0; i <= 12; ++i) {
            // Along the leaf, the outline bulges in three scallops on each side.
            const float t = i / 12.0f;
            const float width = std::sin(t * kPi) * size * 0.32f * (0.75f + 0.25f * std::cos(t * 18.85f));
            points.push_back({cx + ux * t * size - uy * width, cy + uy * t * size + ux * width});
        }
        for (int i = 11; i >= 1; --i) {
            const float t = i / 12.0f;
            const float width = std::sin(t * kPi) * size * 0.32f * (0.75f + 0.25f * std::cos(t * 18.85f));
            points.push_back({cx + ux * t * size + uy * width, cy + uy * t * size - ux * width});
        }
        fillPolygon(picture, points, leaf);
        drawLine(picture, cx, cy, cx + ux * size * 0.9f, cy + uy * size * 0.9f, 1.0f, vein);
    }
    const Color berry = hexColor(0xD0102A);
    for (const auto& [dx, dy] : {std::pair<float, float>{-0.12f, -0.05f}, {0.12f, -0.08f}, {0.0f, 0.12f}}) {
        fillDisc(picture, cx + dx * size, cy + dy * size, size * 0.13f, berry);
        fillDisc(picture, cx + dx * size - size * 0.04f, cy + dy * size - size * 0.04f, size * 0.04f,
                 hexColor(0xFFD0D0, 0.8f));
    }
}

// A small firework burst: rays with bright tips.
void drawBurst(Picture& picture, float cx, float cy, float radius, Color color) {
    for (int i = 0; i < 12; ++i) {
        const float angle = i * kPi / 6;
        const float ux = std::cos(angle), uy = std::sin(angle);
        drawLine(picture, cx + ux * radius * 0.3f, cy + uy * radius * 0.3f, cx + ux * radius * 0.85f,
                 cy + uy * radius * 0.85f, 1.2f, withAlpha(color, 0.8f));
        fillDisc(picture, cx + ux * radius, cy + uy * radius, 1.6f, hexColor(0xFFF6D8));
    }
}

// Two lines of festive lettering over a soft halo of the accent colour, with a few sparkles.
Picture greetingPicture(const std::string& first, const std::string& second, std::uint32_t accent,
                        std::uint32_t seed, bool christmas) {
    constexpr int kWidth = 256, kHeight = 128;
    Picture picture(kWidth, kHeight, withAlpha(hexColor(accent), 0));
    Mask halo(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const float dx = (x + 0.5f - kWidth / 2.0f) / (kWidth * 0.46f);
            const float dy = (y + 0.5f - kHeight / 2.0f) / (kHeight * 0.44f);
            halo.at(x, y) = 0.6f * std::pow(clamp01(1 - (dx * dx + dy * dy)), 1.4f);
        }
    // A deep backdrop of the accent colour: the light lettering stays readable over a bright fire.
    paintMask(picture, halo, 0, 0, scaled(hexColor(accent), 0.3f));

    TextStyle style = overlayStyle(Typeface::SerifBold, 60);
    style.outline = scaled(hexColor(accent), 0.28f);
    style.outline.a = 0.95f;
    style.outlineWidth = 2.5f;
    style.shadowBlur = 3;
    style.shadowDy = 2;
    const float firstSize = fitTextSize(style.face, first, 200 / kLabelNarrowing, 46, 60);
    const float secondSize = fitTextSize(style.face, second, 236 / kLabelNarrowing, 46, 60);
    style.size = std::min(firstSize, secondSize);
    for (int line = 0; line < 2; ++line) {
        const TextMask set =
            narrowed(setText(style.face, line == 0 ? first : second, style.size, 8), kLabelNarrowing);
        const float inkWidth = float(set.inkRight - set.inkLeft);
        const float baseline = line == 0 ? 56.0f : 112.0f;
        const float offset = line == 0 ? -22.0f : 14.0f;  // a slight stagger reads as lettering, not a form
        drawTextMask(picture, set, style, kWidth / 2.0f - inkWidth / 2 + offset, baseline);
    }
    if (christmas) {
        drawHolly(picture, 212, 32, 32);
    } else {
        drawBurst(picture, 212, 28, 20, hexColor(0xF4C95D));
        drawBurst(picture, 236, 56, 11, hexColor(0x8FC8FF));
    }
    Random random(seed);
    const Color gold = hexColor(0xFFE9A8);
    const std::pair<float, float> spots[] = {{20, 22}, {172, 16}, {240, 90}, {40, 100}, {150, 10}};
    for (const auto& spot : spots) {
        const float radius = random.uniform(5, 9);
        drawSparkle(picture, spot.first, spot.second, radius, gold);
    }
    return picture;
}

}  // namespace

void makeOverlayPictures(MediaTree& tree) {
    const struct {
        const char* character;
        const char* name;
    } glyphs[] = {{"0", "tex_sym_0.tga"},    {"1", "tex_sym_1.tga"},     {"2", "tex_sym_2.tga"},
                  {"3", "tex_sym_3.tga"},    {"4", "tex_sym_4.tga"},     {"5", "tex_sym_5.tga"},
                  {"6", "tex_sym_6.tga"},    {"7", "tex_sym_7.tga"},     {"8", "tex_sym_8.tga"},
                  {"9", "tex_sym_9.tga"},    {"a", "tex_sym_a.tga"},     {"m", "tex_sym_m.tga"},
                  {"p", "tex_sym_p.tga"},    {":", "tex_sym_colon.tga"}, {".", "tex_sym_point.tga"},
                  {" ", "tex_sym_space.tga"}};
    for (const auto& glyph : glyphs) writeOverlay(tree, glyph.name, glyphPicture(glyph.character));

    writeOverlay(tree, "tex_countdown.tga", labelPicture(256, 32, "Countdown to Christmas", 0.74f));
    writeOverlay(tree, "tex_countdown2.tga", labelPicture(256, 32, "Countdown to New Year", 0.74f));
    writeOverlay(tree, "tex_remaining.tga", labelPicture(128, 32, "remaining", 0.74f));
    const struct {
        const char* text;
        const char* name;
    } units[] = {{"days", "tex_days.tga"}, {"day", "tex_day.tga"},   {"hours", "tex_hours.tga"},
                 {"hour", "tex_hour.tga"}, {"mins", "tex_mins.tga"}, {"min", "tex_min.tga"},
                 {"secs", "tex_secs.tga"}, {"sec", "tex_sec.tga"}};
    for (const auto& unit : units) writeOverlay(tree, unit.name, labelPicture(64, 32, unit.text, 0.74f));

    writeOverlay(tree, "tex_mc.tga", greetingPicture("Merry", "Christmas", 0xC8102E, 11, true));
    writeOverlay(tree, "tex_hny.tga", greetingPicture("Happy", "New Year", 0x1F6FD1, 12, false));
}

void makeDefaultTexture(MediaTree& tree) {
    // Magenta and near-black squares: nothing in the room looks like this, so a missing texture shows.
    pictures::Image image(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const bool odd = ((x / 16) + (y / 16)) % 2 != 0;
            image.at(x, y) = odd ? pictures::Rgba{255, 0, 200, 255} : pictures::Rgba{24, 24, 28, 255};
        }
    tree.write(Archive::Main, "Textures/tex_default.tga", pictures::encodeTga(image, {false, false}));
    tree.notePicture("main/Textures/tex_default.tga", image);
}

}  // namespace mediagen
