// Feeds arbitrary bytes to the TGA decoder; any out-of-bounds access or undefined behaviour is a find.
#include <cstddef>
#include <cstdint>

#include "media/tga_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = decodeTga(data, size);
    if (image && image->pixels.size() != std::size_t(image->width) * image->height * image->components)
        __builtin_trap();
    return 0;
}
