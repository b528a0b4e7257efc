// Feeds arbitrary bytes to the BMP decoder (our header checks in front of SDL's loader and the
// conversion to RGB).
#include <cstddef>
#include <cstdint>

#include "media/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DibError error = DibError::None;
    auto image = decodeDib(data, size, &error);
    if (image && image->pixels.size() != std::size_t(image->width) * image->height * 3) __builtin_trap();
    if (!image && error == DibError::None) __builtin_trap();
    return 0;
}
