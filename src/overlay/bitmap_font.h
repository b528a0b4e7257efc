#pragma once
// The bitmap font: 96 GL display lists, one per character code 32 to 127, each a glBitmap of the
// glyph of the system's bold interface typeface at 16 pixels (platform/font.h) and advancing the
// raster position by the glyph's width. Drawn with glListBase(base() - 32) and glCallLists over the
// text's bytes.

#include <GL/glew.h>

class BitmapFont {
public:
    static constexpr int kFirstCharacter = 32;
    static constexpr int kCharacterCount = 96;
    static constexpr int kPixelHeight = 16;

    // Generates the 96 lists and fills them from the typeface. Needs the current GL context. False
    // when the typeface cannot be had: the lists then exist but draw nothing. Calling it again first
    // releases the lists it made before.
    bool create();

    // Deletes the lists (while their context is current). Safe to call twice.
    void release();

    // The list of character code 32; 0 before create().
    GLuint base() const { return base_; }

private:
    GLuint base_ = 0;
};
