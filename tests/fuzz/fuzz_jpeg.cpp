// Feeds arbitrary bytes to the JPEG decoder: a corrupt stream must come back as nothing, never end
// the process or touch memory outside the input and the picture.
#include <cstddef>
#include <cstdint>
#include <string>

#include "media/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto image = decodeJpeg(data, size, &error);
    if (image && image->pixels.size() != std::size_t(image->width) * image->height * 3) __builtin_trap();
    return 0;
}
