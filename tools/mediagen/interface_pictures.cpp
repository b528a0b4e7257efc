// The pictures of the interface archive (loading picture, logo) and the executable's own pictures
// (preview, dialog decorations, icon). Most of them share one painted winter night: a deep-blue sky
// with stars and a moon, snowy hills, fir trees, a cottage whose windows glow warm, falling snow.

#include <cmath>

#include "core/maths.h"
#include "mediagen/generator.h"
#include "mediagen/text.h"
#include "pictures/pictures.h"

namespace mediagen {
namespace {

using Points = std::vector<std::pair<float, float>>;

const Color kWarmWindow = hexColor(0xFFC46B);
const Color kGold = hexColor(0xF4C95D);

// A snow-laden fir: stacked tiers, dark needles with a pale snow rim on each tier.
void drawFir(Picture& picture, float x, float baseY, float height, Color needles, Color snow) {
    const int tiers = 4;
    const float trunk = height * 0.1f;
    fillRect(picture, x - height * 0.035f, baseY - trunk, x + height * 0.035f, baseY, hexColor(0x1B120C));
    for (int i = 0; i < tiers; ++i) {
        const float t = float(i) / tiers;
        const float bottom = baseY - trunk - t * height * 0.78f;
        const float top = bottom - height * 0.42f;
        const float half = height * 0.36f * (1 - t * 0.6f);
        fillPolygon(picture, Points{{x - half, bottom}, {x, top}, {x + half, bottom}}, needles);
        fillPolygon(picture,
                    Points{{x - half, bottom},
                           {x - half * 0.6f, bottom - height * 0.05f},
                           {x, bottom - height * 0.02f},
                           {x + half * 0.6f, bottom - height * 0.05f},
                           {x + half, bottom},
                           {x, bottom + height * 0.015f}},
                    snow);
    }
}

// A cottage with a snowy roof, a chimney and lit windows that throw a warm glow onto the snow.
void drawCottage(Picture& picture, float x, float baseY, float width) {
    const float wallHeight = width * 0.55f;
    const float top = baseY - wallHeight;
    const Color wall = hexColor(0x3A2A24), roof = hexColor(0x23262F), snow = hexColor(0xEEF3FA);
    fillRect(picture, x + width * 0.62f, top - width * 0.42f, x + width * 0.74f, top - width * 0.1f,
             hexColor(0x2E2220));
    fillRect(picture, x, top, x + width, baseY, wall);
    fillPolygon(picture,
                Points{{x - width * 0.1f, top + 2},
                       {x + width * 0.5f, top - width * 0.42f},
                       {x + width * 1.1f, top + 2}},
                roof);
    fillPolygon(picture,
                Points{{x - width * 0.12f, top + 2},
                       {x + width * 0.5f, top - width * 0.45f},
                       {x + width * 1.12f, top + 2},
                       {x + width * 1.05f, top + width * 0.05f},
                       {x + width * 0.5f, top - width * 0.36f},
                       {x - width * 0.05f, top + width * 0.05f}},
                snow);
    fillRect(picture, x + width * 0.62f, top - width * 0.45f, x + width * 0.74f, top - width * 0.41f, snow);
    const float windowW = width * 0.2f, windowH = width * 0.2f;
    for (float wx : {x + width * 0.14f, x + width * 0.66f}) {
        const float wy = top + wallHeight * 0.3f;
        addGlow(picture, wx + windowW / 2, wy + windowH / 2, width * 0.9f, kWarmWindow, 0.35f, 2.2f);
        fillRect(picture, wx, wy, wx + windowW, wy + windowH, hexColor(0xFFD58C));
        addGlow(picture, wx + windowW / 2, wy + windowH / 2, windowW * 0.7f, hexColor(0xFFF1C9), 0.5f, 1.5f);
        const float bar = std::max(1.0f, width * 0.02f);
        fillRect(picture, wx + windowW / 2 - bar / 2, wy, wx + windowW / 2 + bar / 2, wy + windowH,
                 hexColor(0x3A2A24));
        fillRect(picture, wx, wy + windowH / 2 - bar / 2, wx + windowW, wy + windowH / 2 + bar / 2,
                 hexColor(0x3A2A24));
    }
    if (width > 60) {
        // Smoke curling up from the chimney, and a string of coloured bulbs under the eaves.
        Picture smoke(picture.width(), picture.height(), Color{0.6f, 0.65f, 0.75f, 0});
        Random drift(std::uint64_t(width * 10));
        for (int i = 0; i < 14; ++i) {
            const float t = i / 13.0f;
            const float sx = x + width * 0.68f + std::sin(t * 4.5f) * width * 0.08f + t * width * 0.25f;
            const float sy = top - width * 0.5f - t * width * 0.9f;
            fillDisc(smoke, sx, sy, width * (0.05f + 0.07f * t),
                     Color{0.62f, 0.68f, 0.8f, 0.35f * (1 - t) + drift.uniform(0, 0.05f)});
        }
        blurPicture(smoke, width * 0.04f);
        drawPicture(picture, smoke, 0, 0);
        const Color bulbs[] = {hexColor(0xFF4040), hexColor(0xFFD040), hexColor(0x40E070),
                               hexColor(0x40A0FF)};
        for (int i = 0; i <= 10; ++i) {
            const float bx = x + width * (-0.04f + 1.08f * i / 10.0f);
            const float by = top + width * 0.07f + std::sin(i * kPi / 2.5f) * width * 0.012f;
            addGlow(picture, bx, by, width * 0.07f, bulbs[i % 4], 0.8f, 1.6f);
            fillDisc(picture, bx, by, std::max(1.0f, width * 0.012f),
                     mix(bulbs[i % 4], hexColor(0xFFFFFF), 0.4f));
        }
    }
    const float doorX = x + width * 0.42f;
    fillRect(picture, doorX, baseY - wallHeight * 0.55f, doorX + width * 0.16f, baseY, hexColor(0x5A2E1E));
    // Light spilling from the windows onto the snow in front.
    addGlow(picture, x + width * 0.5f, baseY + width * 0.12f, width * 1.1f, kWarmWindow, 0.22f, 2.0f);
}

void drawSnowfall(Picture& picture, std::uint64_t seed, int flakes, float minRadius, float maxRadius) {
    Picture layer(picture.width(), picture.height(), Color{1, 1, 1, 0});
    Random random(seed);
    for (int i = 0; i < flakes; ++i) {
        const float x = random.uniform(0, float(picture.width()));
        const float y = random.uniform(0, float(picture.height()));
        const float depth = random.uniform();
        const float radius = minRadius + (maxRadius - minRadius) * depth * depth;
        fillDisc(layer, x, y, radius, Color{0.95f, 0.97f, 1.0f, 0.45f + 0.5f * depth});
    }
    blurPicture(layer, std::max(0.6f, maxRadius * 0.25f));
    drawPicture(picture, layer, 0, 0);
}

// The whole night scene scaled to the picture; the cottage sits at cottageX (0..1 of the width).
void drawWinterNight(Picture& picture, std::uint64_t seed, float cottageX, bool withSnowfall) {
    const float w = float(picture.width()), h = float(picture.height());
    fillVerticalGradient(picture, {{0.0f, hexColor(0x040818)},
                                   {0.45f, hexColor(0x0E2152)},
                                   {0.72f, hexColor(0x2B4C86)},
                                   {1.0f, hexColor(0x1A2E5A)}});
    Random random(seed);
    const int stars = int(w * h / 1800);
    for (int i = 0; i < stars; ++i) {
        const float x = random.uniform(0, w), y = random.uniform(0, h * 0.6f);
        const float brightness = random.uniform(0.25f, 1.0f) * (1 - y / (h * 0.7f));
        picture.addLight(int(x), int(y), hexColor(0xDDE6FF), brightness);
        if (brightness > 0.8f && w > 400) addGlow(picture, x, y, 4, hexColor(0xDDE6FF), 0.35f, 2);
    }
    // Moon with a wide, cool halo.
    const float moonX = w * 0.86f, moonY = h * 0.1f, moonR = h * 0.038f;
    addGlow(picture, moonX, moonY, moonR * 9, hexColor(0x8FB2FF), 0.28f, 2.5f);
    fillDisc(picture, moonX, moonY, moonR, hexColor(0xF4F1E4));
    fillDisc(picture, moonX + moonR * 0.35f, moonY - moonR * 0.2f, moonR * 0.25f, hexColor(0xDCD8C8, 0.6f));

    // Far hills, then the near slope: snow lit by the moon, bluish in the hollows.
    ValueNoise noise{static_cast<std::uint32_t>(seed)};
    for (int layer = 0; layer < 2; ++layer) {
        Points ridge;
        const float baseLine = layer == 0 ? 0.66f : 0.78f;
        const float amplitude = layer == 0 ? 0.07f : 0.04f;
        for (int i = 0; i <= 64; ++i) {
            const float t = float(i) / 64;
            const float n = noise.fractal(t * 3 + layer * 17, 0.5f, 3);
            ridge.push_back({t * w, h * (baseLine - amplitude * (n - 0.3f))});
        }
        ridge.push_back({w, h});
        ridge.push_back({0, h});
        fillPolygon(picture, ridge, layer == 0 ? hexColor(0x6F86B4) : hexColor(0xB9C9E4));
        if (layer == 0) {
            Random trees(seed + 7);
            for (int i = 0; i < 14; ++i) {
                const float x = trees.uniform(0, w);
                if (std::abs(x / w - cottageX) < 0.12f) continue;
                const float t = x / w;
                const float ground =
                    h * (baseLine - amplitude * (noise.fractal(t * 3, 0.5f, 3) - 0.3f)) + h * 0.01f;
                drawFir(picture, x, ground, h * trees.uniform(0.08f, 0.14f), hexColor(0x10243A),
                        hexColor(0x8EA3C9));
            }
        }
    }
    // Moonlight on the near snow: brighter toward the moon, blue in the foreground.
    for (int y = int(h * 0.72f); y < int(h); ++y)
        for (int x = 0; x < int(w); ++x) {
            Color& c = picture.at(x, y);
            if (c.b < 0.8f) continue;
            // Soft drifts: long low swells, lit on top and blue in their lee.
            const float swell = noise.fractal(x / (w * 0.22f), y / (h * 0.06f), 4);
            const float shade = 0.72f + 0.36f * swell;
            c = mix(scaled(c, shade), hexColor(0x8FA6D8), clamp01(0.55f - swell) * 0.35f);
        }
    drawCottage(picture, w * cottageX - w * 0.08f, h * 0.8f, w * 0.16f);
    drawFir(picture, w * (cottageX + 0.14f), h * 0.83f, h * 0.26f, hexColor(0x0C1D2C), hexColor(0xDCE6F5));
    drawFir(picture, w * (cottageX - 0.15f), h * 0.84f, h * 0.2f, hexColor(0x0C1D2C), hexColor(0xDCE6F5));
    // Glints where the moon catches single crystals.
    Random glints(seed + 3);
    for (int i = 0; i < int(w * h / 4000); ++i) {
        const float gx = glints.uniform(0, w), gy = glints.uniform(h * 0.78f, h);
        picture.addLight(int(gx), int(gy), hexColor(0xFFFFFF), glints.uniform(0.3f, 0.9f));
    }
    if (withSnowfall) {
        drawSnowfall(picture, seed + 1, int(w * h / 2600), std::max(0.6f, w / 1400), std::max(1.2f, w / 420));
    }
}

void writeResourcePicture(MediaTree& tree, const std::string& name, const Picture& picture) {
    const pictures::Image image = picture.toImage();
    tree.writeResource(name, pictures::encodeBmp(image));
    tree.notePicture("resources/" + name, image);
}

enum class RowOrder { AsDrawn, BottomRowFirst };

// A JPEG's first row lands at texture coordinate t = 0. The loading picture's quad has a negative
// half height, which puts t = 0 at the top; the logo's quad has a positive one, which puts t = 0 at
// the bottom, so the logo is stored bottom row first to stand upright on the screen. The contact
// sheet always shows the picture as it appears on screen.
void writeJpegPicture(MediaTree& tree, const std::string& path, const Picture& picture, int quality,
                      RowOrder order = RowOrder::AsDrawn) {
    const pictures::Image image = picture.toImage();
    pictures::Image stored = image;
    if (order == RowOrder::BottomRowFirst)
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) stored.at(x, y) = image.at(x, image.height - 1 - y);
    tree.write(Archive::Interface, path, pictures::encodeJpeg(stored, quality));
    tree.notePicture("interface/" + path, image);
}

TextStyle titleStyle(float size) {
    TextStyle style;
    style.face = Typeface::SerifBold;
    style.size = size;
    style.fillTop = hexColor(0xFFF8E1);
    style.fillBottom = hexColor(0xE5AE48);
    style.outline = hexColor(0x2A1606, 0.85f);
    style.outlineWidth = std::max(1.0f, size / 40);
    style.shadow = hexColor(0x000000, 0.7f);
    style.shadowBlur = std::max(1.0f, size / 25);
    style.shadowDx = size / 60;
    style.shadowDy = size / 40;
    return style;
}

// A warm halo behind a title so it glows against the sky.
void drawTitleGlow(Picture& picture, const TextMask& set, float inkX, float baselineY, float radius) {
    const int spread = int(radius * 2);
    Mask glow = padded(set.mask, spread);
    blurMask(glow, radius);
    for (float& v : glow.values) v = std::min(1.0f, v * 1.4f);
    paintMask(picture, glow, int(inkX) - set.inkLeft - spread, int(baselineY) - set.baseline - spread,
              hexColor(0xFFB85C, 0.45f));
}

Picture loadingPicture() {
    Picture picture(1024, 768);
    drawWinterNight(picture, 2026, 0.3f, true);
    const TextStyle title = titleStyle(112);
    const TextMask set = setText(title.face, "Glimmerdale", title.size, 8);
    const float inkWidth = float(set.inkRight - set.inkLeft);
    const float inkX = 512 - inkWidth / 2, baseline = 236;
    drawTitleGlow(picture, set, inkX, baseline, 18);
    drawTextMask(picture, set, title, inkX, baseline);
    TextStyle small = titleStyle(30);
    small.face = Typeface::SansBold;
    small.fillTop = hexColor(0xE8F0FF);
    small.fillBottom = hexColor(0xB8CCF0);
    small.outline = hexColor(0x08102A, 0.8f);
    drawTextCentred(picture, "Loading the Christmas room\xE2\x80\xA6", small, 512, 306);
    // A thin gold rule between the title and the line below it.
    drawLine(picture, 512 - 150, 272, 512 + 150, 272, 2, hexColor(0xF4C95D, 0.7f));
    fillDisc(picture, 512, 272, 4, hexColor(0xFFE7A6));
    return picture;
}

// The small 2:1 logo: a framed plaque with a lit fir and the name. Its quad is a third wider than
// 2:1 on a 4:3 screen, so the lettering is set narrower.
Picture logoPicture() {
    Picture picture(256, 128);
    fillVerticalGradient(picture, {{0.0f, hexColor(0x13295C)}, {1.0f, hexColor(0x071230)}});
    addGlow(picture, 60, 70, 90, hexColor(0xFFB85C), 0.35f, 2);
    drawSnowfall(picture, 77, 60, 0.6f, 1.6f);
    drawFir(picture, 52, 112, 92, hexColor(0x1E5A3A), hexColor(0xE4EEF8));
    Random random(5);
    const Color lights[] = {hexColor(0xFF4D4D), hexColor(0xFFD24D), hexColor(0x5DFF8A), hexColor(0x5DB8FF)};
    for (int i = 0; i < 14; ++i) {
        const float t = random.uniform(0.15f, 0.95f);
        const float x = 52 + random.uniform(-1, 1) * 26 * t;
        const float y = 30 + t * 70;
        addGlow(picture, x, y, 6, lights[i % 4], 0.9f, 1.5f);
        fillDisc(picture, x, y, 1.4f, lights[i % 4]);
    }
    addGlow(picture, 52, 24, 16, hexColor(0xFFE7A6), 0.9f, 2);
    std::vector<std::pair<float, float>> star;
    for (int i = 0; i < 10; ++i) {
        const float angle = i * kPi / 5 - kPi / 2;
        const float r = i % 2 == 0 ? 9.0f : 3.8f;
        star.push_back({52 + std::cos(angle) * r, 24 + std::sin(angle) * r});
    }
    fillPolygon(picture, star, hexColor(0xFFE07A));
    TextStyle style = titleStyle(40);
    style.size = fitTextSize(style.face, "Glimmerdale", 134 / 0.75f, 40, 44);
    const TextMask set = narrowed(setText(style.face, "Glimmerdale", style.size, 6), 0.75f);
    drawTextMask(picture, set, style, 104, 76);
    // Gold frame.
    for (float inset : {3.0f, 7.0f}) {
        const float width = inset < 5 ? 2.0f : 1.0f;
        drawLine(picture, inset, inset, 256 - inset, inset, width, kGold);
        drawLine(picture, 256 - inset, inset, 256 - inset, 128 - inset, width, kGold);
        drawLine(picture, 256 - inset, 128 - inset, inset, 128 - inset, width, kGold);
        drawLine(picture, inset, 128 - inset, inset, inset, width, kGold);
    }
    return picture;
}

// The preview: the same night in miniature with the name, for the display control panel.
Picture previewPicture() {
    Picture picture(158, 117);
    drawWinterNight(picture, 144, 0.3f, true);
    TextStyle style = titleStyle(26);
    style.size = fitTextSize(style.face, "Glimmerdale", 136, 30, 26);
    const TextMask set = setText(style.face, "Glimmerdale", style.size, 4);
    const float inkX = 79 - (set.inkRight - set.inkLeft) / 2.0f;
    drawTitleGlow(picture, set, inkX, 38, 4);
    drawTextMask(picture, set, style, inkX, 38);
    return picture;
}

// The options dialog's decoration: a decorated fir in the corner of a warm room at night.
Picture dialogPicture() {
    Picture picture(210, 151);
    fillVerticalGradient(
        picture, {{0.0f, hexColor(0x0B1838)}, {0.7f, hexColor(0x1B3566)}, {1.0f, hexColor(0x2A4C86)}});
    drawSnowfall(picture, 143, 140, 0.5f, 1.5f);
    addGlow(picture, 105, 80, 120, hexColor(0xFFB85C), 0.3f, 2);
    fillPolygon(picture, Points{{0, 128}, {210, 120}, {210, 151}, {0, 151}}, hexColor(0xDCE6F5));
    drawFir(picture, 105, 138, 126, hexColor(0x1D5A38), hexColor(0xE8F0FA));
    Random random(143);
    const Color baubles[] = {hexColor(0xD7263D), hexColor(0xF4C95D), hexColor(0x3FA7D6), hexColor(0xE8E8F0)};
    for (int i = 0; i < 26; ++i) {
        const float t = random.uniform(0.12f, 0.95f);
        const float x = 105 + random.uniform(-1, 1) * 38 * t;
        const float y = 26 + t * 92;
        addGlow(picture, x, y, 7, baubles[i % 4], 0.7f, 1.6f);
        fillDisc(picture, x, y, 2.2f, baubles[i % 4]);
        fillDisc(picture, x - 0.6f, y - 0.7f, 0.7f, hexColor(0xFFFFFF, 0.8f));
    }
    addGlow(picture, 105, 20, 22, hexColor(0xFFE7A6), 1.0f, 2);
    std::vector<std::pair<float, float>> star;
    for (int i = 0; i < 10; ++i) {
        const float angle = i * kPi / 5 - kPi / 2;
        const float r = i % 2 == 0 ? 11.0f : 4.6f;
        star.push_back({105 + std::cos(angle) * r, 20 + std::sin(angle) * r});
    }
    fillPolygon(picture, star, hexColor(0xFFE07A));
    const std::tuple<float, float, float, std::uint32_t, std::uint32_t> gifts[] = {
        {58, 122, 22, 0xC8102E, 0xF4C95D},
        {140, 126, 18, 0x1F6FD1, 0xE8E8F0},
        {160, 130, 14, 0x2E8B57, 0xF4C95D}};
    for (const auto& [x, y, size, box, ribbon] : gifts) {
        fillRect(picture, x, y, x + size, y + size * 0.8f, hexColor(box));
        fillRect(picture, x + size * 0.42f, y, x + size * 0.58f, y + size * 0.8f, hexColor(ribbon));
        fillRect(picture, x, y + size * 0.3f, x + size, y + size * 0.42f, hexColor(ribbon));
    }
    return picture;
}

// The About box's picture: a glass bauble with a gold cap against the night.
Picture aboutPicture() {
    Picture picture(96, 96);
    fillVerticalGradient(picture, {{0.0f, hexColor(0x0B1838)}, {1.0f, hexColor(0x1E3A6E)}});
    drawSnowfall(picture, 142, 50, 0.5f, 1.3f);
    drawLine(picture, 48, 0, 48, 20, 1.2f, kGold);
    fillRect(picture, 40, 18, 56, 27, kGold);
    addGlow(picture, 48, 56, 44, hexColor(0xFF5A5A), 0.35f, 2);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x) {
            const float dx = (x + 0.5f - 48) / 30, dy = (y + 0.5f - 56) / 30;
            const float d2 = dx * dx + dy * dy;
            if (d2 >= 1.05f) continue;
            const float nz = std::sqrt(std::max(0.0f, 1 - d2));
            const float light = clamp01(0.25f + 0.75f * (nz * 0.7f - dx * 0.35f - dy * 0.45f));
            Color c = mix(hexColor(0x4A0610), hexColor(0xE0283C), light);
            const float highlight = std::pow(clamp01(1 - std::hypot(dx + 0.35f, dy + 0.4f) * 2.6f), 2.0f);
            c = mix(c, hexColor(0xFFFFFF), highlight * 0.9f);
            picture.blend(x, y, c, clamp01((1 - std::sqrt(d2)) * 30 + 0.5f));
        }
    for (int i = 0; i < 3; ++i)
        drawLine(picture, 22, 50.0f + i * 6, 74, 50.0f + i * 6, 1.0f, hexColor(0xF4C95D, 0.55f));
    return picture;
}

Picture iconPicture() {
    Picture picture(48, 48);
    fillVerticalGradient(picture, {{0.0f, hexColor(0x0B1838)}, {1.0f, hexColor(0x23427A)}});
    drawFir(picture, 24, 46, 42, hexColor(0x2E8B57), hexColor(0xE8F0FA));
    fillDisc(picture, 24, 8, 3.5f, hexColor(0xFFE07A));
    return picture;
}

}  // namespace

void makeInterfacePictures(MediaTree& tree) {
    writeJpegPicture(tree, "Notification/loading.jpg", loadingPicture(), 90);
    writeJpegPicture(tree, "Logo/4loader.jpg", logoPicture(), 92, RowOrder::BottomRowFirst);
    writeResourcePicture(tree, "BITMAP_144.bmp", previewPicture());
    writeResourcePicture(tree, "BITMAP_143.bmp", dialogPicture());
    writeResourcePicture(tree, "BITMAP_142.bmp", aboutPicture());
    const Picture icon = iconPicture();
    writeResourcePicture(tree, "ICON_135.bmp", icon);
    // The same picture for the desktop entry and the icon theme.
    tree.writeDesktopFile("glimmerdale.png", pictures::encodePng(icon.toImage()));
}

}  // namespace mediagen
