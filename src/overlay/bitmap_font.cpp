#include "overlay/bitmap_font.h"

#include "platform/font.h"

bool BitmapFont::create() {
    release();
    base_ = glGenLists(kCharacterCount);
    if (base_ == 0) return false;
    return platform::buildFontDisplayLists(base_, kFirstCharacter, kCharacterCount, kPixelHeight);
}

void BitmapFont::release() {
    if (base_ == 0) return;
    glDeleteLists(base_, kCharacterCount);
    base_ = 0;
}
