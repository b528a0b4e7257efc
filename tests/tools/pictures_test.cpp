// The tools' picture files: the writers (TGA, BMP, JPEG, PNG) read back through readers written here
// (or libjpeg and zlib), and the PNG reader against files built here chunk by chunk.

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <zlib.h>

#include "pictures/pictures.h"
#include "support/test_reader.h"

using pictures::Image;
using pictures::Rgba;
using testsupport::TestReader;

namespace {

// A picture whose every pixel differs from its neighbours in a known way, with some runs.
Image testImage(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at(x, y) = x < width / 2 ? Rgba{200, 10, 30, 128}
                                           : Rgba{std::uint8_t(x * 7), std::uint8_t(y * 13),
                                                  std::uint8_t(x + y), std::uint8_t(255 - x)};
    return image;
}

// Decodes type 2 / type 10 TGA into top-row-first RGBA, following the file's own header.
Image readTga(const std::vector<std::uint8_t>& bytes) {
    TestReader in(bytes);
    const int idLength = in.u8();
    EXPECT_EQ(in.u8(), 0);  // colour map type
    const int type = in.u8();
    in.seek(12);
    const int width = in.u16(), height = in.u16(), depth = in.u8();
    const int descriptor = in.u8();
    EXPECT_EQ(descriptor & 0x20, 0) << "origin must be bottom-left";
    EXPECT_EQ(descriptor & 0x0F, depth == 32 ? 8 : 0);
    in.seek(18 + idLength);
    const int n = depth / 8;
    Image image(width, height);
    auto readPixel = [&] {
        Rgba p;
        p.b = in.u8();
        p.g = in.u8();
        p.r = in.u8();
        p.a = n == 4 ? in.u8() : 255;
        return p;
    };
    std::vector<Rgba> pixels;
    while (int(pixels.size()) < width * height) {
        if (type == 10) {
            const int header = in.u8();
            const int count = (header & 0x7F) + 1;
            // Packets must not cross a row end.
            EXPECT_LE(int(pixels.size()) % width + count, width);
            if (header & 0x80) {
                const Rgba p = readPixel();
                for (int i = 0; i < count; ++i) pixels.push_back(p);
            } else {
                for (int i = 0; i < count; ++i) pixels.push_back(readPixel());
            }
        } else {
            pixels.push_back(readPixel());
        }
    }
    EXPECT_TRUE(in.atEnd());
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) image.at(x, height - 1 - row) = pixels[std::size_t(row) * width + x];
    return image;
}

void putBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    putBigEndian32(out, std::uint32_t(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBigEndian32(out, std::uint32_t(crc32(crc32(0, nullptr, 0), typed.data(), uInt(typed.size()))));
}

// A PNG of the given colour type from raw scanlines (each with its filter byte already in front).
std::vector<std::uint8_t> pngFromScanlines(int width, int height, int colourType,
                                           const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBigEndian32(header, std::uint32_t(width));
    putBigEndian32(header, std::uint32_t(height));
    header.insert(header.end(), {8, std::uint8_t(colourType), 0, 0, 0});
    putChunk(file, "IHDR", header);
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> packed(size);
    compress(packed.data(), &size, raw.data(), uLong(raw.size()));
    packed.resize(size);
    putChunk(file, "IDAT", packed);
    putChunk(file, "IEND", {});
    return file;
}

TEST(TgaWriter, UncompressedHeaderAndBottomRowFirst) {
    const Image image = testImage(5, 3);
    const auto bytes = pictures::encodeTga(image, {true, false});
    ASSERT_EQ(bytes.size(), 18u + 5 * 3 * 4);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(bytes[12] | (bytes[13] << 8), 5);
    EXPECT_EQ(bytes[14] | (bytes[15] << 8), 3);
    EXPECT_EQ(bytes[16], 32);
    // The first stored pixel is the bottom-left one, in B, G, R, A order.
    const Rgba bottomLeft = image.at(0, 2);
    EXPECT_EQ(bytes[18], bottomLeft.b);
    EXPECT_EQ(bytes[19], bottomLeft.g);
    EXPECT_EQ(bytes[20], bottomLeft.r);
    EXPECT_EQ(bytes[21], bottomLeft.a);
    EXPECT_EQ(readTga(bytes).pixels, image.pixels);
}

TEST(TgaWriter, TwentyFourBitDropsAlpha) {
    const Image image = testImage(4, 4);
    const auto bytes = pictures::encodeTga(image, {false, false});
    ASSERT_EQ(bytes.size(), 18u + 4 * 4 * 3);
    EXPECT_EQ(bytes[16], 24);
    const Image back = readTga(bytes);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        EXPECT_EQ(back.pixels[i].r, image.pixels[i].r);
        EXPECT_EQ(back.pixels[i].b, image.pixels[i].b);
        EXPECT_EQ(back.pixels[i].a, 255);
    }
}

TEST(TgaWriter, RunLengthRoundTripsLongRunsAndRawStretches) {
    // 300 wide: the uniform half needs more than one 128-pixel repeat packet per row.
    for (bool alpha : {true, false}) {
        Image image = testImage(300, 7);
        const auto bytes = pictures::encodeTga(image, {alpha, true});
        EXPECT_EQ(bytes[2], 10);
        EXPECT_LT(bytes.size(), 18u + 300 * 7 * (alpha ? 4 : 3));
        const Image back = readTga(bytes);
        for (std::size_t i = 0; i < image.pixels.size(); ++i) {
            ASSERT_EQ(back.pixels[i].r, image.pixels[i].r) << i;
            ASSERT_EQ(back.pixels[i].g, image.pixels[i].g) << i;
            ASSERT_EQ(back.pixels[i].b, image.pixels[i].b) << i;
            ASSERT_EQ(back.pixels[i].a, alpha ? image.pixels[i].a : 255) << i;
        }
    }
    // A single pixel and a single column.
    EXPECT_EQ(readTga(pictures::encodeTga(testImage(1, 1), {true, true})).pixels, testImage(1, 1).pixels);
    EXPECT_EQ(readTga(pictures::encodeTga(testImage(1, 9), {true, true})).pixels, testImage(1, 9).pixels);
}

TEST(PictureWriters, EmptyImagesAreRefused) {
    const Image empty;
    EXPECT_THROW(pictures::encodeTga(empty), std::invalid_argument);
    EXPECT_THROW(pictures::encodeBmp(empty), std::invalid_argument);
    EXPECT_THROW(pictures::encodeJpeg(empty), std::invalid_argument);
    EXPECT_THROW(pictures::encodePng(empty), std::invalid_argument);
    EXPECT_THROW(pictures::encodeTga(Image(70000, 1)), std::invalid_argument);
}

TEST(BmpWriter, HeadersPaddingAndRowOrder) {
    const Image image = testImage(3, 2);  // 9 bytes per row, padded to 12
    const auto bytes = pictures::encodeBmp(image);
    TestReader in(bytes);
    EXPECT_EQ(in.u8(), 'B');
    EXPECT_EQ(in.u8(), 'M');
    EXPECT_EQ(in.u32(), bytes.size());
    EXPECT_EQ(in.u32(), 0u);
    const std::uint32_t bitsAt = in.u32();
    EXPECT_EQ(bitsAt, 54u);
    EXPECT_EQ(in.u32(), 40u);
    EXPECT_EQ(in.i32(), 3);
    EXPECT_EQ(in.i32(), 2);
    EXPECT_EQ(in.u16(), 1);
    EXPECT_EQ(in.u16(), 24);
    EXPECT_EQ(in.u32(), 0u);   // BI_RGB
    EXPECT_EQ(in.u32(), 24u);  // image size: 2 rows of 12
    ASSERT_EQ(bytes.size(), 54u + 24);
    for (int row = 0; row < 2; ++row) {
        const int y = 1 - row;  // bottom row first
        for (int x = 0; x < 3; ++x) {
            const std::size_t at = bitsAt + std::size_t(row) * 12 + std::size_t(x) * 3;
            EXPECT_EQ(bytes[at], image.at(x, y).b);
            EXPECT_EQ(bytes[at + 1], image.at(x, y).g);
            EXPECT_EQ(bytes[at + 2], image.at(x, y).r);
        }
        for (int pad = 9; pad < 12; ++pad) EXPECT_EQ(bytes[bitsAt + std::size_t(row) * 12 + pad], 0);
    }
}

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

TEST(JpegWriter, DecodesToTheSamePictureWithinLossyTolerance) {
    Image image(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            image.at(x, y) = y < 24 ? Rgba{220, 40, 40, 255} : Rgba{30, 60, 200, 255};
    const auto bytes = pictures::encodeJpeg(image, 95);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);

    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->jump, 1);
    };
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        FAIL() << "libjpeg could not read the file";
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&info);
    EXPECT_EQ(info.output_width, 64u);
    EXPECT_EQ(info.output_height, 48u);
    ASSERT_EQ(info.output_components, 3);
    std::vector<unsigned char> rows(64 * 3 * 48);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &rows[std::size_t(info.output_scanline) * 64 * 3];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    // Top row first: red above, blue below (away from the edge between them).
    EXPECT_NEAR(rows[(4 * 64 + 10) * 3], 220, 12);
    EXPECT_NEAR(rows[(4 * 64 + 10) * 3 + 2], 40, 12);
    EXPECT_NEAR(rows[(40 * 64 + 10) * 3], 30, 12);
    EXPECT_NEAR(rows[(40 * 64 + 10) * 3 + 2], 200, 12);
}

std::uint32_t bigEndian(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) << 24 | std::uint32_t(b[at + 1]) << 16 | std::uint32_t(b[at + 2]) << 8 |
           b[at + 3];
}

TEST(PngWriter, ChunksCrcsAndPixelsReadBack) {
    const Image image = testImage(13, 5);
    const auto bytes = pictures::encodePng(image);
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_TRUE(std::equal(signature, signature + 8, bytes.begin()));
    std::size_t at = 8;
    std::vector<std::string> types;
    std::vector<std::uint8_t> packed;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = bigEndian(bytes, at);
        ASSERT_LE(at + 12 + length, bytes.size());
        const std::string type(bytes.begin() + long(at) + 4, bytes.begin() + long(at) + 8);
        types.push_back(type);
        const uLong crc = crc32(0, &bytes[at + 4], uInt(4 + length));
        EXPECT_EQ(bigEndian(bytes, at + 8 + length), std::uint32_t(crc)) << type;
        if (type == "IHDR") {
            EXPECT_EQ(bigEndian(bytes, at + 8), 13u);
            EXPECT_EQ(bigEndian(bytes, at + 12), 5u);
            EXPECT_EQ(bytes[at + 16], 8);  // bit depth
            EXPECT_EQ(bytes[at + 17], 6);  // RGBA
        }
        if (type == "IDAT") packed.insert(packed.end(), &bytes[at + 8], &bytes[at + 8] + length);
        at += 12 + length;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::vector<std::uint8_t> raw(5 * (1 + 13 * 4));
    uLongf rawSize = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &rawSize, packed.data(), uLong(packed.size())), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    for (int y = 0; y < 5; ++y) {
        const std::uint8_t* row = &raw[std::size_t(y) * (1 + 13 * 4)];
        EXPECT_EQ(row[0], 0);
        for (int x = 0; x < 13; ++x) {
            const Rgba p = image.at(x, y);
            EXPECT_EQ(row[1 + x * 4], p.r);
            EXPECT_EQ(row[1 + x * 4 + 3], p.a);
        }
    }
}

TEST(PngReader, UndoesEveryRowFilter) {
    // Grey 3 × 5; each row uses one filter on the same bytes, decoded by hand below.
    const std::vector<std::uint8_t> raw = {
        0, 10, 20, 30,  // none:   10 20 30
        1, 5,  5,  5,   // sub:    5 10 15
        2, 1,  2,  3,   // up:     6 12 18
        3, 4,  4,  4,   // average (left + up) / 2: 4+3=7, 4+(7+12)/2=13, 4+(13+18)/2=19
        4, 1,  1,  1,   // paeth: 8 14 20, worked out below
    };
    pictures::Image image;
    std::string error;
    ASSERT_TRUE(pictures::decodePng(pngFromScanlines(3, 5, 0, raw), image, error)) << error;
    const int expected[5][3] = {{10, 20, 30}, {5, 10, 15}, {6, 12, 18}, {7, 13, 19}, {8, 14, 20}};
    // Paeth row: x0 predicts up (7); x1: left 8, up 13, up-left 7 → estimate 14, nearest up 13 → 14;
    // x2: left 14, up 19, up-left 13 → estimate 20, nearest up 19 → 20.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(image.at(x, y).r, expected[y][x]) << x << "," << y;
            EXPECT_EQ(image.at(x, y).a, 255);
        }
}

TEST(PngReader, ReadsRgbAndRgbaAsWritten) {
    pictures::Image source(4, 3, pictures::Rgba{12, 34, 56, 78});
    source.at(3, 2) = pictures::Rgba{200, 100, 50, 255};
    pictures::Image read;
    std::string error;
    ASSERT_TRUE(pictures::decodePng(pictures::encodePng(source), read, error)) << error;
    ASSERT_EQ(read.width, 4);
    ASSERT_EQ(read.height, 3);
    EXPECT_TRUE(read.pixels == source.pixels);

    // RGB, two pixels, the sub filter working per channel.
    const std::vector<std::uint8_t> raw = {1, 100, 50, 25, 1, 2, 3};
    ASSERT_TRUE(pictures::decodePng(pngFromScanlines(2, 1, 2, raw), read, error)) << error;
    EXPECT_EQ(read.at(1, 0), (pictures::Rgba{101, 52, 28, 255}));
}

TEST(PngReader, RefusesDamagedFilesWithAReason) {
    const std::vector<std::uint8_t> good =
        pictures::encodePng(pictures::Image(8, 8, pictures::Rgba{1, 2, 3, 4}));
    pictures::Image image;
    std::string error;

    std::vector<std::uint8_t> cut(good.begin(), good.end() - 20);
    EXPECT_FALSE(pictures::decodePng(cut, image, error));
    EXPECT_FALSE(error.empty());

    std::vector<std::uint8_t> flipped = good;
    flipped[40] ^= 0xFF;  // inside the pixel data: the chunk checksum no longer matches
    EXPECT_FALSE(pictures::decodePng(flipped, image, error));
    EXPECT_EQ(error, "chunk checksum wrong");

    EXPECT_FALSE(pictures::decodePng({}, image, error));
    EXPECT_EQ(error, "not a PNG file");

    // A header promising 2 × 2 with one row of data, and one asking for a huge picture.
    EXPECT_FALSE(pictures::decodePng(pngFromScanlines(2, 2, 0, {0, 1, 2}), image, error));
    EXPECT_EQ(error, "pixel data shorter than the picture");
    EXPECT_FALSE(pictures::decodePng(pngFromScanlines(2, 1, 0, {0, 1, 2, 0, 3, 4}), image, error));
    EXPECT_EQ(error, "pixel data longer than the picture");
    EXPECT_FALSE(pictures::decodePng(pngFromScanlines(100000, 1, 0, {0}), image, error));
    EXPECT_EQ(error, "picture size out of range");
    EXPECT_FALSE(pictures::decodePng(pngFromScanlines(1, 1, 0, {7, 1}), image, error));
    EXPECT_EQ(error, "unknown row filter");
}

}  // namespace
