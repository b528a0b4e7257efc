// Feeds arbitrary bytes to the TGA decoder; any out-of-bounds access or undefined behaviour is a find.
// Whatever it decodes, the writer must write back, raw and run-length, to a file that decodes to the
// same picture.
#include <cstddef>
#include <cstdint>

#include "media/tga_file.h"

namespace {

// Larger pictures are only decoded: writing and decoding them twice more would slow the run down.
constexpr std::size_t kRoundTripPixels = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = decodeTga(data, size);
    if (!image) return 0;
    if (image->pixels.size() != std::size_t(image->width) * image->height * image->components)
        __builtin_trap();
    if (std::size_t(image->width) * image->height > kRoundTripPixels) return 0;
    for (bool runLength : {false, true}) {
        const Bytes file = encodeTga(*image, runLength);
        const auto again = decodeTga(file.data(), file.size());
        if (!again || again->components != image->components || again->width != image->width ||
            again->height != image->height || again->pixels != image->pixels)
            __builtin_trap();
    }
    return 0;
}
