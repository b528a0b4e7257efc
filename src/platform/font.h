#pragma once
// The bitmap font's glyphs as GL display lists, one glBitmap per character, each advancing the raster
// position by the character's width. The typeface is the system's: "Verdana", bold, through GDI on
// Windows; on Linux DejaVu Sans Bold (the stand-in for Verdana) rasterised by FreeType.

namespace platform {

// Compiles `count` display lists, firstList + i holding character code firstCharacter + i, from the
// bold typeface at a character height of `pixelHeight` pixels. The lists must exist (glGenLists) and
// a GL context must be current; the pixel-store state is left as it was. False when the typeface
// cannot be had: the lists are then left empty (they draw nothing).
bool buildFontDisplayLists(unsigned firstList, int firstCharacter, int count, int pixelHeight);

}  // namespace platform
