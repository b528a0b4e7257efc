#pragma once
// The bitmap font's glyphs as GL display lists: the system's bold 16-pixel interface font ("Verdana"
// through GDI on Windows, DejaVu Sans Bold through FreeType on Linux), one glBitmap per character,
// each advancing the raster position by the character's width.

namespace platform {

// Compiles `count` display lists, firstList + i holding character code firstCharacter + i. The lists
// must exist (glGenLists) and a GL context must be current. False when the font cannot be had: the
// lists are then left empty (they draw nothing).
bool buildFontDisplayLists(unsigned firstList, int firstCharacter, int count);

}  // namespace platform
