#include "media/tga_file.h"

#include <cstring>
#include <stdexcept>

namespace {

// One pixel of the record (R, G, B (, A)) in the file's order, B, G, R (, A).
void putPixel(ByteWriter& out, const std::uint8_t* pixel, int components) {
    out.putUint8(pixel[2]);
    out.putUint8(pixel[1]);
    out.putUint8(pixel[0]);
    if (components == 4) out.putUint8(pixel[3]);
}

// One row as run-length packets: runs of 2+ equal pixels become repeat packets, the rest raw packets.
void putRunLengthRow(ByteWriter& out, const std::uint8_t* row, int width, int components) {
    const auto at = [row, components](int x) { return row + std::size_t(x) * std::size_t(components); };
    const auto same = [&at, components](int x, int y) {
        return std::memcmp(at(x), at(y), std::size_t(components)) == 0;
    };
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < kTgaMaxPacketPixels && same(x + run, x)) ++run;
        if (run >= 2) {
            out.putUint8(static_cast<std::uint8_t>(kTgaRepeatPacket | (run - 1)));
            putPixel(out, at(x), components);
            x += run;
            continue;
        }
        int raw = 1;
        while (x + raw < width && raw < kTgaMaxPacketPixels &&
               !(x + raw + 1 < width && same(x + raw, x + raw + 1)))
            ++raw;
        out.putUint8(static_cast<std::uint8_t>(raw - 1));
        for (int i = 0; i < raw; ++i) putPixel(out, at(x + i), components);
        x += raw;
    }
}

}  // namespace

Bytes encodeTga(const ImageRecord& image, bool runLength) {
    const int components = image.components;
    if (components != 3 && components != 4) throw std::invalid_argument("TGA of 3 or 4 components only");
    if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535)
        throw std::invalid_argument("TGA size out of range");
    const std::size_t rowBytes = std::size_t(image.width) * std::size_t(components);
    if (image.pixels.size() != rowBytes * std::size_t(image.height))
        throw std::invalid_argument("TGA pixels do not match the size");
    ByteWriter out;
    out.putUint8(0);                                                     // id length
    out.putUint8(0);                                                     // no colour map
    out.putUint8(runLength ? kTgaRunLengthTrueColour : kTgaTrueColour);  // image type
    for (int i = 0; i < 5; ++i) out.putUint8(0);                         // colour map fields: none
    out.putUint16(0);                                                    // x origin
    out.putUint16(0);                                                    // y origin
    out.putUint16(static_cast<std::uint16_t>(image.width));
    out.putUint16(static_cast<std::uint16_t>(image.height));
    out.putUint8(static_cast<std::uint8_t>(components * 8));
    out.putUint8(components == 4 ? 8 : 0);  // alpha bits; origin bit clear = bottom-left
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + rowBytes * std::size_t(y);
        if (runLength) {
            putRunLengthRow(out, row, image.width, components);
        } else {
            for (int x = 0; x < image.width; ++x)
                putPixel(out, row + std::size_t(x) * components, components);
        }
    }
    return out.take();
}
