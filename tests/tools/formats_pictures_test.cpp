// Round trips of the picture writers (TGA, BMP, JPEG, PNG) through readers written here.

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <zlib.h>

#include "formats/bmp.h"
#include "formats/jpeg.h"
#include "formats/png.h"
#include "formats/tga.h"
#include "formats_test_reader.h"

using formats::Image;
using formats::Rgba;
using formats_test::TestReader;

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

TEST(FormatsTga, UncompressedHeaderAndBottomRowFirst) {
    const Image image = testImage(5, 3);
    const auto bytes = formats::encodeTga(image, {true, false});
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

TEST(FormatsTga, TwentyFourBitDropsAlpha) {
    const Image image = testImage(4, 4);
    const auto bytes = formats::encodeTga(image, {false, false});
    ASSERT_EQ(bytes.size(), 18u + 4 * 4 * 3);
    EXPECT_EQ(bytes[16], 24);
    const Image back = readTga(bytes);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        EXPECT_EQ(back.pixels[i].r, image.pixels[i].r);
        EXPECT_EQ(back.pixels[i].b, image.pixels[i].b);
        EXPECT_EQ(back.pixels[i].a, 255);
    }
}

TEST(FormatsTga, RunLengthRoundTripsLongRunsAndRawStretches) {
    // 300 wide: the uniform half needs more than one 128-pixel repeat packet per row.
    for (bool alpha : {true, false}) {
        Image image = testImage(300, 7);
        const auto bytes = formats::encodeTga(image, {alpha, true});
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
    EXPECT_EQ(readTga(formats::encodeTga(testImage(1, 1), {true, true})).pixels, testImage(1, 1).pixels);
    EXPECT_EQ(readTga(formats::encodeTga(testImage(1, 9), {true, true})).pixels, testImage(1, 9).pixels);
}

TEST(FormatsPictures, EmptyImagesAreRefused) {
    const Image empty;
    EXPECT_THROW(formats::encodeTga(empty), std::invalid_argument);
    EXPECT_THROW(formats::encodeBmp(empty), std::invalid_argument);
    EXPECT_THROW(formats::encodeJpeg(empty), std::invalid_argument);
    EXPECT_THROW(formats::encodePng(empty), std::invalid_argument);
    EXPECT_THROW(formats::encodeTga(Image(70000, 1)), std::invalid_argument);
}

TEST(FormatsBmp, HeadersPaddingAndRowOrder) {
    const Image image = testImage(3, 2);  // 9 bytes per row, padded to 12
    const auto bytes = formats::encodeBmp(image);
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

TEST(FormatsJpeg, DecodesToTheSamePictureWithinLossyTolerance) {
    Image image(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            image.at(x, y) = y < 24 ? Rgba{220, 40, 40, 255} : Rgba{30, 60, 200, 255};
    const auto bytes = formats::encodeJpeg(image, 95);
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

TEST(FormatsPng, ChunksCrcsAndPixelsReadBack) {
    const Image image = testImage(13, 5);
    const auto bytes = formats::encodePng(image);
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

}  // namespace
