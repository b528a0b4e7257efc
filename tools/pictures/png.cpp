// PNG, written and read: the signature, then chunks of length (u32, big-endian), type, data and the
// CRC-32 of type and data; IHDR, one or more IDAT holding the zlib stream of filtered rows, IEND.

#include "pictures/pictures.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pictures {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void putBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(Bytes& out, const char type[4], const Bytes& data) {
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeAt, static_cast<uInt>(4 + data.size()));
    putBigEndian(out, static_cast<std::uint32_t>(crc));
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

int paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up),
              toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return left;
    return toUp <= toUpLeft ? up : upLeft;
}

bool inflateAll(const std::vector<std::uint8_t>& compressed, std::vector<std::uint8_t>& out,
                std::string& error) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        error = "zlib could not start";
        return false;
    }
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool filled = stream.avail_out == 0;
    inflateEnd(&stream);
    // Z_BUF_ERROR with a full buffer means more data than the header promised.
    if (result == Z_STREAM_END && filled) return true;
    if (result == Z_STREAM_END || (result == Z_BUF_ERROR && stream.avail_in == 0 && !filled))
        error = "pixel data shorter than the picture";
    else if (filled)
        error = "pixel data longer than the picture";
    else
        error = "pixel data damaged";
    return false;
}

}  // namespace

Bytes encodePng(const Image& image) {
    if (image.empty()) throw std::invalid_argument("PNG of an empty image");
    Bytes raw;
    raw.reserve(std::size_t(image.height) * (1 + std::size_t(image.width) * 4));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = image.at(x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
        throw std::runtime_error("zlib failed to compress");
    packed.resize(packedSize);

    Bytes out(std::begin(kSignature), std::end(kSignature));
    Bytes header;
    putBigEndian(header, static_cast<std::uint32_t>(image.width));
    putBigEndian(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // depth, RGBA, deflate, adaptive filters, no interlace
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", packed);
    putChunk(out, "IEND", {});
    return out;
}

bool decodePng(const std::vector<std::uint8_t>& bytes, Image& image, std::string& error) {
    if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin())) {
        error = "not a PNG file";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    bool headerSeen = false, ended = false;
    std::vector<std::uint8_t> compressed;
    std::size_t offset = 8;
    while (!ended) {
        if (bytes.size() - offset < 12) {
            error = "file ends inside a chunk";
            return false;
        }
        const std::uint32_t length = bigEndian32(&bytes[offset]);
        if (length > bytes.size() - offset - 12) {
            error = "chunk runs past the end of the file";
            return false;
        }
        const std::uint8_t* type = &bytes[offset + 4];
        const std::uint8_t* data = type + 4;
        const std::uint32_t storedCrc = bigEndian32(data + length);
        if (std::uint32_t(crc32(crc32(0, nullptr, 0), type, length + 4)) != storedCrc) {
            error = "chunk checksum wrong";
            return false;
        }
        const std::string name(reinterpret_cast<const char*>(type), 4);
        if (name == "IHDR") {
            if (length != 13 || headerSeen) {
                error = "bad header chunk";
                return false;
            }
            const std::uint32_t w = bigEndian32(data), h = bigEndian32(data + 4);
            const int depth = data[8], colourType = data[9], interlace = data[12];
            if (w == 0 || h == 0 || w > std::uint32_t(kMaxPngSide) || h > std::uint32_t(kMaxPngSide)) {
                error = "picture size out of range";
                return false;
            }
            switch (colourType) {
                case 0:
                    channels = 1;
                    break;
                case 2:
                    channels = 3;
                    break;
                case 4:
                    channels = 2;
                    break;
                case 6:
                    channels = 4;
                    break;
                default:
                    channels = 0;
            }
            if (depth != 8 || channels == 0 || data[10] != 0 || data[11] != 0 || interlace != 0) {
                error = "only 8-bit grey, RGB and RGBA pictures without interlace are read";
                return false;
            }
            if (std::uint64_t(w) * h > kMaxPngPixels) {
                error = "picture size out of range";
                return false;
            }
            width = int(w);
            height = int(h);
            headerSeen = true;
        } else if (name == "IDAT") {
            if (!headerSeen) {
                error = "pixel data before the header";
                return false;
            }
            compressed.insert(compressed.end(), data, data + length);
        } else if (name == "IEND") {
            ended = true;
        } else if ((type[0] & 0x20) == 0) {
            error = "unknown critical chunk " + name;
            return false;
        }
        offset += std::size_t(length) + 12;
    }
    if (!headerSeen || compressed.empty()) {
        error = "no header or no pixel data";
        return false;
    }

    const std::size_t stride = std::size_t(width) * channels;
    std::vector<std::uint8_t> raw((stride + 1) * height);
    if (!inflateAll(compressed, raw, error)) return false;

    std::vector<std::uint8_t> previous(stride, 0), current(stride);
    image = Image(width, height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = &raw[(stride + 1) * y];
        const int filter = row[0];
        if (filter > 4) {
            error = "unknown row filter";
            return false;
        }
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= std::size_t(channels) ? current[i - channels] : 0;
            const int up = previous[i];
            const int upLeft = i >= std::size_t(channels) ? previous[i - channels] : 0;
            int predicted = 0;
            switch (filter) {
                case 1:
                    predicted = left;
                    break;
                case 2:
                    predicted = up;
                    break;
                case 3:
                    predicted = (left + up) / 2;
                    break;
                case 4:
                    predicted = paeth(left, up, upLeft);
                    break;
                default:
                    break;
            }
            current[i] = std::uint8_t(row[1 + i] + predicted);
        }
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &current[std::size_t(x) * channels];
            Rgba& out = image.at(x, y);
            if (channels <= 2)
                out = Rgba{p[0], p[0], p[0], channels == 2 ? p[1] : std::uint8_t(255)};
            else
                out = Rgba{p[0], p[1], p[2], channels == 4 ? p[3] : std::uint8_t(255)};
        }
        previous.swap(current);
    }
    return true;
}

bool readPngFile(const std::string& path, Image& image, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    return decodePng(bytes, image, error);
}

}  // namespace pictures
