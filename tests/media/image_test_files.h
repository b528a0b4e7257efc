#pragma once
// Picture files written byte by byte for the decoder and texture tests, and a fake media pack.

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "media/media_pack.h"

namespace testfiles {

using Bytes = std::vector<std::uint8_t>;

inline void putU16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
inline void putU32(Bytes& out, std::uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

// A TGA file: 18-byte header, `idLength` bytes of id, then `data` as given (already in the file's
// pixel layout, B G R (A) or 5-5-5, or run-length packets).
inline Bytes makeTga(int imageType, int width, int height, int depth, const Bytes& data, int descriptor = 0,
                     int idLength = 0) {
    Bytes out;
    out.push_back(static_cast<std::uint8_t>(idLength));
    out.push_back(0);  // no colour map
    out.push_back(static_cast<std::uint8_t>(imageType));
    for (int i = 0; i < 5; ++i) out.push_back(0);  // colour map layout
    putU16(out, 0);
    putU16(out, 0);  // origin
    putU16(out, static_cast<unsigned>(width));
    putU16(out, static_cast<unsigned>(height));
    out.push_back(static_cast<std::uint8_t>(depth));
    out.push_back(static_cast<std::uint8_t>(descriptor));
    for (int i = 0; i < idLength; ++i) out.push_back(static_cast<std::uint8_t>('i'));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// An uncompressed 24-bit TGA from R, G, B pixels listed in file order.
inline Bytes makeTga24(int width, int height, const Bytes& rgb) {
    Bytes data;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        data.push_back(rgb[i + 2]);
        data.push_back(rgb[i + 1]);
        data.push_back(rgb[i]);
    }
    return makeTga(2, width, height, 24, data);
}

// A BMP file with a BITMAPINFOHEADER (or a 12-byte core header when `coreHeader`), palette entries
// B, G, R, 0 and `bits` as the file stores them. `masks` (R, G, B) follow the header for bit fields.
struct BmpLayout {
    int width = 1;
    int height = 1;  // negative: top-down
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
    std::vector<std::uint32_t> masks;
    Bytes bits;
    bool coreHeader = false;
};

inline Bytes makeBmp(const BmpLayout& layout) {
    Bytes header;
    const std::uint32_t headerSize = layout.coreHeader ? 12 : 40;
    putU32(header, headerSize);
    if (layout.coreHeader) {
        putU16(header, static_cast<unsigned>(layout.width));
        putU16(header, static_cast<unsigned>(layout.height));
        putU16(header, 1);
        putU16(header, static_cast<unsigned>(layout.bitCount));
    } else {
        putU32(header, static_cast<std::uint32_t>(layout.width));
        putU32(header, static_cast<std::uint32_t>(layout.height));
        putU16(header, 1);
        putU16(header, static_cast<unsigned>(layout.bitCount));
        putU32(header, layout.compression);
        putU32(header, static_cast<std::uint32_t>(layout.bits.size()));
        putU32(header, 2835);
        putU32(header, 2835);
        putU32(header, static_cast<std::uint32_t>(layout.palette.size()));
        putU32(header, 0);
    }
    for (std::uint32_t mask : layout.masks) putU32(header, mask);
    for (std::uint32_t colour : layout.palette) {
        header.push_back(static_cast<std::uint8_t>(colour & 0xFF));
        header.push_back(static_cast<std::uint8_t>((colour >> 8) & 0xFF));
        header.push_back(static_cast<std::uint8_t>((colour >> 16) & 0xFF));
        if (!layout.coreHeader) header.push_back(0);
    }
    Bytes out{'B', 'M'};
    const std::uint32_t offset = 14 + static_cast<std::uint32_t>(header.size());
    putU32(out, offset + static_cast<std::uint32_t>(layout.bits.size()));
    putU32(out, 0);
    putU32(out, offset);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), layout.bits.begin(), layout.bits.end());
    return out;
}

// Pads a row of bytes to the 4-byte multiple BMP rows need.
inline void appendBmpRow(Bytes& bits, const Bytes& row) {
    bits.insert(bits.end(), row.begin(), row.end());
    while (bits.size() % 4 != 0) bits.push_back(0);
}

inline Bytes readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Lines of a text file, without line ends.
inline std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Files by pack path; lookups ignore case and treat "/" and "\" alike, as the media pack does.
class FakePack {
public:
    void add(const std::string& path, const Bytes& bytes) { files_[key(path)] = bytes; }
    FileBuffer read(const char* path) {
        ++reads_;
        auto found = files_.find(key(path));
        if (found == files_.end()) return FileBuffer{};
        FileBuffer buffer;
        buffer.size = static_cast<std::uint32_t>(found->second.size());
        buffer.data = static_cast<std::uint8_t*>(std::malloc(buffer.size ? buffer.size : 1));
        if (buffer.size) std::memcpy(buffer.data, found->second.data(), buffer.size);
        return buffer;
    }
    int reads() const { return reads_; }

private:
    static std::string key(std::string path) {
        for (char& c : path)
            c = c == '\\' ? '/' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return path;
    }
    std::map<std::string, Bytes> files_;
    int reads_ = 0;
};

}  // namespace testfiles
