#pragma once
// The Linux bitmap font from any TrueType file (the platform font uses DejaVu Sans Bold).

#include <string>

namespace platform::freetype {

// As platform::buildFontDisplayLists, from the font file at `path`. False, with empty lists, when the
// file cannot be read as a font.
bool buildFontDisplayListsFrom(const std::string& path, unsigned firstList, int firstCharacter, int count,
                               int pixelHeight);

}  // namespace platform::freetype
