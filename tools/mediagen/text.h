#pragma once
// Lettering with FreeType from the DejaVu typefaces: text set into a coverage mask with its baseline
// known, and styled drawing (fill gradient, outline, soft shadow) onto a picture.

#include <string>
#include <string_view>

#include "mediagen/picture.h"

namespace mediagen {

enum class Typeface { SansBold, SerifBold };

// A line of text set into a mask. The mask spans the ink horizontally (plus margin) and the face's
// ascender to descender vertically (plus margin).
struct TextMask {
    Mask mask;
    int baseline = 0;  // row of the baseline inside the mask
    int inkLeft = 0;   // first and one-past-last column holding ink
    int inkRight = 0;
    int inkTop = 0;  // first and one-past-last row holding ink
    int inkBottom = 0;
    float capHeight = 0;  // height of a capital letter in pixels
};

// Sets UTF-8 text at the given pixel size (em height). Throws std::runtime_error when FreeType or the
// font file under GLIMMERDALE_FONT_DIR cannot be opened. margin pixels of empty border on every side
// leave room for outlines and shadows.
TextMask setText(Typeface face, std::string_view text, float pixelSize, int margin = 4);

// The largest pixel size (at most maxSize) at which the text's ink fits width × height.
float fitTextSize(Typeface face, std::string_view text, float width, float height, float maxSize);

struct TextStyle {
    Typeface face = Typeface::SansBold;
    float size = 24;
    Color fillTop{1, 1, 1, 1};
    Color fillBottom{1, 1, 1, 1};
    Color outline{0, 0, 0, 0};  // alpha 0: no outline
    float outlineWidth = 0;
    Color shadow{0, 0, 0, 0};  // alpha 0: no shadow
    float shadowBlur = 0;
    float shadowDx = 0, shadowDy = 0;
};

// Draws text centred on (cx, cy): horizontally by its ink, vertically by the capital height (so a
// line of capitals and lower-case letters sits optically centred). Returns the mask used.
TextMask drawTextCentred(Picture& picture, std::string_view text, const TextStyle& style, float cx, float cy);
// Draws a prepared text mask with its baseline at baselineY and its ink starting at inkX.
void drawTextMask(Picture& picture, const TextMask& text, const TextStyle& style, float inkX,
                  float baselineY);

}  // namespace mediagen

namespace mediagen {
// The text mask squeezed (factor < 1) or widened horizontally, for lettering that a wider quad will
// stretch back, or for glyphs that must fit a narrow advance.
TextMask narrowed(const TextMask& text, float factor);
}  // namespace mediagen
