#include <stdexcept>

#include "media/bmp_layout.h"
#include "pictures/pictures.h"

namespace pictures {

Bytes encodeBmp(const Image& image) {
    if (image.empty()) throw std::invalid_argument("BMP of an empty image");
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = rowBytes * static_cast<std::uint32_t>(image.height);
    const std::uint32_t headerBytes = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    ByteWriter out;
    out.putUint8('B');
    out.putUint8('M');
    out.putUint32(headerBytes + pixelBytes);
    out.putUint32(0);            // reserved
    out.putUint32(headerBytes);  // offset of the bits
    out.putUint32(kBmpInfoHeaderSize);
    out.putInt32(image.width);
    out.putInt32(image.height);  // positive: bottom row first
    out.putUint16(1);            // planes
    out.putUint16(24);
    out.putUint32(kBmpRgb);
    out.putUint32(pixelBytes);
    out.putInt32(2835);  // 72 dpi
    out.putInt32(2835);
    out.putUint32(0);
    out.putUint32(0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = image.at(x, y);
            out.putUint8(p.b);
            out.putUint8(p.g);
            out.putUint8(p.r);
        }
        for (std::uint32_t pad = std::uint32_t(image.width) * 3; pad < rowBytes; ++pad) out.putUint8(0);
    }
    return out.take();
}

}  // namespace pictures
