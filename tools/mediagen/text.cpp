#include "mediagen/text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace mediagen {
namespace {

// FreeType and the two faces, opened on first use and kept for the life of the program.
class Fonts {
public:
    static Fonts& instance() {
        static Fonts fonts;
        return fonts;
    }
    FT_Face face(Typeface which) {
        auto found = faces_.find(which);
        if (found != faces_.end()) return found->second;
        const std::string path =
            std::string(GLIMMERDALE_FONT_DIR) +
            (which == Typeface::SansBold ? "/DejaVuSans-Bold.ttf" : "/DejaVuSerif-Bold.ttf");
        FT_Face face = nullptr;
        if (FT_New_Face(library_, path.c_str(), 0, &face) != 0)
            throw std::runtime_error("cannot open font " + path);
        faces_[which] = face;
        return face;
    }
    ~Fonts() {
        for (auto& entry : faces_) FT_Done_Face(entry.second);
        FT_Done_FreeType(library_);
    }

private:
    Fonts() {
        if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("cannot start FreeType");
    }
    FT_Library library_ = nullptr;
    std::map<Typeface, FT_Face> faces_;
};

// Decodes UTF-8 to code points; a broken sequence becomes U+FFFD.
std::u32string decodeUtf8(std::string_view text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out.push_back(code);
        i += length;
    }
    return out;
}

struct PlacedGlyph {
    int left, top;  // relative to the pen origin on the baseline, y up
    int width, rows;
    std::vector<unsigned char> coverage;
};

}  // namespace

TextMask setText(Typeface typeface, std::string_view text, float pixelSize, int margin) {
    FT_Face face = Fonts::instance().face(typeface);
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(pixelSize * 64)), 72, 72);
    const std::u32string codes = decodeUtf8(text);
    std::vector<PlacedGlyph> glyphs;
    long pen = 0;  // 26.6
    FT_UInt previous = 0;
    int inkLeft = 1 << 30, inkRight = -(1 << 30), inkTop = -(1 << 30), inkBottom = 1 << 30;
    for (char32_t code : codes) {
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern) == 0) pen += kern.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_HINTING) != 0) continue;
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        PlacedGlyph glyph;
        glyph.left = int(pen >> 6) + face->glyph->bitmap_left;
        glyph.top = face->glyph->bitmap_top;
        glyph.width = int(bitmap.width);
        glyph.rows = int(bitmap.rows);
        glyph.coverage.resize(std::size_t(glyph.width) * glyph.rows);
        for (int y = 0; y < glyph.rows; ++y)
            for (int x = 0; x < glyph.width; ++x)
                glyph.coverage[std::size_t(y) * glyph.width + x] = bitmap.buffer[y * bitmap.pitch + x];
        if (glyph.width > 0 && glyph.rows > 0) {
            inkLeft = std::min(inkLeft, glyph.left);
            inkRight = std::max(inkRight, glyph.left + glyph.width);
            inkTop = std::max(inkTop, glyph.top);
            inkBottom = std::min(inkBottom, glyph.top - glyph.rows);
        }
        pen += face->glyph->advance.x;
        previous = index;
        glyphs.push_back(std::move(glyph));
    }
    const int ascender = int(std::ceil(face->size->metrics.ascender / 64.0));
    const int descender = int(std::ceil(-face->size->metrics.descender / 64.0));
    if (inkLeft > inkRight) {  // no ink (spaces only)
        inkLeft = 0;
        inkRight = int(pen >> 6);
        inkTop = 0;
        inkBottom = 0;
    }
    const int top = std::max(ascender, inkTop);
    const int bottom = std::max(descender, -inkBottom);
    TextMask result;
    result.mask = Mask(inkRight - inkLeft + 2 * margin, top + bottom + 2 * margin);
    result.baseline = margin + top;
    result.inkLeft = margin;
    result.inkRight = margin + inkRight - inkLeft;
    result.inkTop = result.baseline - inkTop;
    result.inkBottom = result.baseline - inkBottom;
    const FT_UInt capital = FT_Get_Char_Index(face, 'H');
    if (FT_Load_Glyph(face, capital, FT_LOAD_DEFAULT | FT_LOAD_NO_HINTING) == 0)
        result.capHeight = face->glyph->metrics.horiBearingY / 64.0f;
    for (const PlacedGlyph& glyph : glyphs)
        for (int y = 0; y < glyph.rows; ++y)
            for (int x = 0; x < glyph.width; ++x) {
                const int mx = margin + glyph.left - inkLeft + x;
                const int my = result.baseline - glyph.top + y;
                if (mx < 0 || my < 0 || mx >= result.mask.width || my >= result.mask.height) continue;
                float& value = result.mask.at(mx, my);
                value = std::min(1.0f, value + glyph.coverage[std::size_t(y) * glyph.width + x] / 255.0f);
            }
    return result;
}

float fitTextSize(Typeface face, std::string_view text, float width, float height, float maxSize) {
    const float probe = 100;
    const TextMask measured = setText(face, text, probe, 0);
    const float inkWidth = float(measured.inkRight - measured.inkLeft);
    const float inkHeight = float(measured.inkBottom - measured.inkTop);
    float size = maxSize;
    if (inkWidth > 0) size = std::min(size, probe * width / inkWidth);
    if (inkHeight > 0) size = std::min(size, probe * height / inkHeight);
    return size;
}

void drawTextMask(Picture& picture, const TextMask& text, const TextStyle& style, float inkX,
                  float baselineY) {
    const int left = int(std::lround(inkX)) - text.inkLeft;
    const int top = int(std::lround(baselineY)) - text.baseline;
    if (style.shadow.a > 0) {
        const int spread = int(std::ceil(style.shadowBlur * 2 + style.outlineWidth));
        Mask shadow = padded(text.mask, spread);
        if (style.outlineWidth > 0) shadow = dilated(shadow, style.outlineWidth);
        blurMask(shadow, style.shadowBlur);
        paintMask(picture, shadow, left - spread + int(std::lround(style.shadowDx)),
                  top - spread + int(std::lround(style.shadowDy)), style.shadow);
    }
    if (style.outline.a > 0 && style.outlineWidth > 0) {
        const int spread = int(std::ceil(style.outlineWidth)) + 1;
        const Mask outline = dilated(padded(text.mask, spread), style.outlineWidth);
        paintMask(picture, outline, left - spread, top - spread, style.outline);
    }
    paintMaskGradient(picture, text.mask, left, top, style.fillTop, style.fillBottom,
                      text.baseline - int(std::lround(text.capHeight)), text.baseline);
}

TextMask drawTextCentred(Picture& picture, std::string_view text, const TextStyle& style, float cx,
                         float cy) {
    TextMask set = setText(style.face, text, style.size);
    const float inkWidth = float(set.inkRight - set.inkLeft);
    drawTextMask(picture, set, style, cx - inkWidth / 2, cy + set.capHeight / 2);
    return set;
}

}  // namespace mediagen

namespace mediagen {

TextMask narrowed(const TextMask& text, float factor) {
    const int margin = text.inkLeft;
    const int inkWidth = text.inkRight - text.inkLeft;
    const int newInk = std::max(1, int(std::lround(inkWidth * factor)));
    TextMask out = text;
    out.mask = Mask(newInk + 2 * margin, text.mask.height);
    out.inkRight = margin + newInk;
    const float step = float(inkWidth) / float(newInk);
    for (int y = 0; y < text.mask.height; ++y)
        for (int x = 0; x < out.mask.width; ++x) {
            // Area-average the source span that maps onto this column.
            const float from = margin + (x - margin) * step, to = from + step;
            float sum = 0, weight = 0;
            for (int sx = int(std::floor(from)); sx < int(std::ceil(to)); ++sx) {
                const float w = std::min(to, float(sx + 1)) - std::max(from, float(sx));
                if (w <= 0) continue;
                sum += text.mask.get(sx, y) * w;
                weight += w;
            }
            out.mask.at(x, y) = weight > 0 ? sum / weight : 0.0f;
        }
    return out;
}

}  // namespace mediagen
