#include "screenshot/png_writer.h"

#include <algorithm>
#include <cstdio>

#include "media/crc32.h"

namespace {

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void putChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian32(out, computeCrc32(out.data() + typeStart, out.size() - typeStart));
}

}  // namespace

std::vector<std::uint8_t> encodePng(const std::uint8_t* rgb, std::size_t rgbSize, int width, int height) {
    if (width <= 0 || height <= 0 || !rgb) return {};
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (rgbSize / rowBytes < static_cast<std::size_t>(height)) return {};

    // The raw scanlines: a filter byte (0, none) before each row.
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const std::uint8_t* row = rgb + rowBytes * static_cast<std::size_t>(y);
        raw.insert(raw.end(), row, row + rowBytes);
    }

    // A zlib stream of stored blocks (at most 65535 bytes each) and the Adler-32 of the raw data.
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(65535, raw.size() - offset);
        const bool last = offset + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<std::uint8_t>(length));
        zlib.push_back(static_cast<std::uint8_t>(length >> 8));
        zlib.push_back(static_cast<std::uint8_t>(~length));
        zlib.push_back(static_cast<std::uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                    raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    putBigEndian32(zlib, (b << 16) | a);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian32(header, static_cast<std::uint32_t>(width));
    putBigEndian32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, no filter, no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", {});
    return png;
}

bool writePng(const std::string& path, const std::uint8_t* rgb, std::size_t rgbSize, int width, int height) {
    const std::vector<std::uint8_t> png = encodePng(rgb, rgbSize, width, height);
    if (png.empty()) return false;
    const std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
