// Fuzzes the skinned model loaders: the input is split at a point given by its first two bytes into
// the mesh file and the animation file; the model is loaded, then played and skinned for a few
// frames. Nothing may read outside the input or the model's arrays.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/animated_model.h"

namespace {

FileBuffer copyOf(const std::uint8_t* data, std::size_t size) {
    FileBuffer file;
    file.data = static_cast<std::uint8_t*>(std::malloc(size + 1));
    if (size) std::memcpy(file.data, data, size);
    file.size = std::uint32_t(size);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t split = std::size_t(data[0]) | std::size_t(data[1]) << 8;
    data += 2;
    size -= 2;
    if (split > size) split = size;
    MediaSources sources;
    sources.readFile = [data, size, split](const char* path) {
        const bool animation = std::string(path).find("_anim") != std::string::npos;
        return animation ? copyOf(data + split, size - split) : copyOf(data, split);
    };
    sources.getTexture = [](const std::string&) { return 1u; };
    static AnimatedModel model;  // the key table is large; reuse it between runs
    loadAnimatedModel(model, "fuzz", sources);
    if (model.skinnedPositions.size() != std::size_t(model.vertexCount()) * 3) std::abort();
    if (model.corners.size() != std::size_t(model.faceCount()) * 3) std::abort();
    model.playing = true;
    model.playbackSpeed = 0.7f;
    model.crossFading = true;
    model.crossFadeRate = 0.6f;
    for (int frame = 0; frame < 6; ++frame) updateAnimatedModel(model, 1.3f);
    return 0;
}
