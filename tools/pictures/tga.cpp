// TGA for the tools: the picture turned into the screensaver's own picture record and written by its
// TGA writer, so the generator and the texture loader share one description of the format.

#include <stdexcept>

#include "media/tga_file.h"
#include "pictures/pictures.h"

namespace pictures {

Bytes encodeTga(const Image& image, TgaOptions options) {
    if (image.empty()) throw std::invalid_argument("TGA of an empty image");
    ImageRecord record;
    record.components = options.withAlpha ? 4 : 3;
    record.width = image.width;
    record.height = image.height;
    record.pixels.reserve(image.pixels.size() * std::size_t(record.components));
    // The file keeps the bottom row first.
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = image.at(x, y);
            record.pixels.insert(record.pixels.end(), {p.r, p.g, p.b});
            if (options.withAlpha) record.pixels.push_back(p.a);
        }
    }
    return ::encodeTga(record, options.runLength);
}

}  // namespace pictures
