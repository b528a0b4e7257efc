#include "formats/tga.h"

#include <stdexcept>

namespace formats {
namespace {

void putPixel(ByteWriter& out, Rgba p, bool alpha) {
    out.putUint8(p.b);
    out.putUint8(p.g);
    out.putUint8(p.r);
    if (alpha) out.putUint8(p.a);
}

bool samePixel(Rgba p, Rgba q, bool alpha) {
    return p.r == q.r && p.g == q.g && p.b == q.b && (!alpha || p.a == q.a);
}

// One row as run-length packets: runs of 2+ equal pixels become repeat packets, the rest raw packets.
void putRunLengthRow(ByteWriter& out, const Rgba* row, int width, bool alpha) {
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 128 && samePixel(row[x + run], row[x], alpha)) ++run;
        if (run >= 2) {
            out.putUint8(static_cast<std::uint8_t>(0x80 | (run - 1)));
            putPixel(out, row[x], alpha);
            x += run;
            continue;
        }
        int raw = 1;
        while (x + raw < width && raw < 128 &&
               !(x + raw + 1 < width && samePixel(row[x + raw], row[x + raw + 1], alpha)))
            ++raw;
        out.putUint8(static_cast<std::uint8_t>(raw - 1));
        for (int i = 0; i < raw; ++i) putPixel(out, row[x + i], alpha);
        x += raw;
    }
}

}  // namespace

Bytes encodeTga(const Image& image, TgaOptions options) {
    if (image.empty() || image.width > 65535 || image.height > 65535)
        throw std::invalid_argument("TGA size out of range");
    ByteWriter out;
    out.putUint8(0);                              // id length
    out.putUint8(0);                              // no colour map
    out.putUint8(options.runLength ? 10 : 2);     // image type
    for (int i = 0; i < 5; ++i) out.putUint8(0);  // colour map fields: none
    out.putUint16(0);                             // x origin
    out.putUint16(0);                             // y origin
    out.putUint16(static_cast<std::uint16_t>(image.width));
    out.putUint16(static_cast<std::uint16_t>(image.height));
    out.putUint8(options.withAlpha ? 32 : 24);
    out.putUint8(options.withAlpha ? 8 : 0);  // alpha bits; origin bit clear = bottom-left
    for (int y = image.height - 1; y >= 0; --y) {
        const Rgba* row = &image.at(0, y);
        if (options.runLength) {
            putRunLengthRow(out, row, image.width, options.withAlpha);
        } else {
            for (int x = 0; x < image.width; ++x) putPixel(out, row[x], options.withAlpha);
        }
    }
    return out.take();
}

}  // namespace formats
