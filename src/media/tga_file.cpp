#include "media/tga_file.h"

#include <cstring>

namespace {

std::uint16_t readU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// Stored pixels are B, G, R (A) or a little-endian 5-5-5 value; output is R, G, B (A).
inline void convertPixel(const std::uint8_t* stored, int depth, std::uint8_t* out) {
    if (depth == 16) {
        const unsigned value = readU16(stored);
        out[0] = static_cast<std::uint8_t>((value >> 7) & 0xF8);
        out[1] = static_cast<std::uint8_t>((value >> 2) & 0xF8);
        out[2] = static_cast<std::uint8_t>((value << 3) & 0xFF);
        return;
    }
    out[0] = stored[2];
    out[1] = stored[1];
    out[2] = stored[0];
    if (depth == 32) out[3] = stored[3];
}

}  // namespace

std::optional<ImageRecord> decodeTga(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kTgaHeaderBytes) return std::nullopt;
    const std::size_t idLength = data[0];
    const int colourMapType = data[1];
    const int imageType = data[2];
    const std::size_t colourMapLength = readU16(data + 5);
    const std::size_t colourMapEntryBits = data[7];
    const int width = readU16(data + 12);
    const int height = readU16(data + 14);
    const int depth = data[16];

    if (depth != 16 && depth != 24 && depth != 32) return std::nullopt;
    const std::uint64_t pixelCount = std::uint64_t(width) * std::uint64_t(height);
    if (pixelCount == 0 || pixelCount > kMaxImagePixels) return std::nullopt;

    // A colour map in front of true-colour data is skipped, not read as pixels.
    std::size_t offset = kTgaHeaderBytes + idLength;
    if (colourMapType == 1) offset += colourMapLength * ((colourMapEntryBits + 7) / 8);
    if (offset > size) return std::nullopt;
    const std::uint8_t* in = data + offset;
    const std::size_t available = size - offset;

    const std::size_t storedBytes = std::size_t(depth) / 8;  // per pixel in the file
    const std::size_t components = depth == 32 ? 4 : 3;      // per pixel in the record
    const std::size_t pixels = static_cast<std::size_t>(pixelCount);

    ImageRecord image;
    image.components = static_cast<int>(components);
    image.width = width;
    image.height = height;

    if (imageType == kTgaRunLengthTrueColour) {
        // Each packet (1 header byte plus at least one pixel) gives at most 128 pixels: refuse
        // data too short to describe the picture before allocating for it.
        const std::uint64_t fewestPackets = (pixelCount + kTgaMaxPacketPixels - 1) / kTgaMaxPacketPixels;
        if (fewestPackets * (1 + storedBytes) > available) return std::nullopt;
        image.pixels.resize(pixels * components);
        std::uint8_t* out = image.pixels.data();
        std::size_t written = 0;
        std::size_t pos = 0;
        while (written < pixels) {
            if (pos >= available) return std::nullopt;
            const unsigned header = in[pos++];
            const bool repeat = (header & kTgaRepeatPacket) != 0;
            const std::size_t count = (header & ~unsigned(kTgaRepeatPacket)) + 1;
            const std::size_t kept = count < pixels - written ? count : pixels - written;
            if (repeat) {
                if (storedBytes > available - pos) return std::nullopt;
                std::uint8_t pixel[4];
                convertPixel(in + pos, depth, pixel);
                pos += storedBytes;
                for (std::size_t i = 0; i < kept; ++i, out += components) std::memcpy(out, pixel, components);
            } else {
                // Only the pixels inside the picture are read; the rest of a cut packet is ignored.
                if (kept * storedBytes > available - pos) return std::nullopt;
                for (std::size_t i = 0; i < kept; ++i, out += components, pos += storedBytes)
                    convertPixel(in + pos, depth, out);
                pos += (count - kept) * storedBytes;
            }
            written += kept;
        }
        return image;
    }

    if (pixels * storedBytes > available) return std::nullopt;
    image.pixels.resize(pixels * components);
    std::uint8_t* out = image.pixels.data();
    for (std::size_t i = 0; i < pixels; ++i, in += storedBytes, out += components)
        convertPixel(in, depth, out);
    return image;
}
