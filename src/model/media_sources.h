#pragma once
// Where the model loaders get their bytes and textures. Run mode's managers read the embedded
// media pack and ask the texture manager; tests pass fakes.

#include <functional>
#include <string>

#include "media/archive.h"  // FileBuffer

struct MediaSources {
    // The whole file at a pack path ("Models/fir.BSM"), or a miss (null data). The block belongs to
    // the caller, who frees it with std::free.
    std::function<FileBuffer(const char* path)> readFile;
    // The GL texture name for a pack path ("Textures/tex_candle.tga"); the texture manager's
    // default texture when the picture cannot be loaded.
    std::function<unsigned(const std::string& path)> getTexture;
};
