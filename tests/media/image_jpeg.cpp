// JPEG decoding from memory, against pictures made by libjpeg's own encoder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "media/image_decoders.h"
#include "media/image_test_files.h"

using testfiles::Bytes;

namespace {

// Encodes width x height pixels (R G B, or one grey byte each), rows top first.
Bytes encodeJpeg(int width, int height, const Bytes& pixels, bool grey, bool progressive = false) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const int rowBytes = width * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(pixels.data()) + rowBytes * info.next_scanline;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes file(out, out + outSize);
    std::free(out);
    return file;
}

// Top half red, bottom half blue.
Bytes redOverBlue(int width, int height) {
    Bytes pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool top = y < height / 2;
            pixels.insert(pixels.end(), {std::uint8_t(top ? 255 : 0), 0, std::uint8_t(top ? 0 : 255)});
        }
    return pixels;
}

void expectNear(const std::uint8_t* pixel, int r, int g, int b) {
    EXPECT_NEAR(pixel[0], r, 8);
    EXPECT_NEAR(pixel[1], g, 8);
    EXPECT_NEAR(pixel[2], b, 8);
}

}  // namespace

TEST(JpegDecoder, RgbPicturesDecodeTopRowFirst) {
    for (bool progressive : {false, true}) {
        const int width = 21, height = 16;  // odd width: rows are not 4-byte multiples
        const Bytes file = encodeJpeg(width, height, redOverBlue(width, height), false, progressive);
        std::string error;
        auto image = decodeJpeg(file.data(), file.size(), &error);
        ASSERT_TRUE(image) << error;
        EXPECT_EQ(image->components, 3);
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        ASSERT_EQ(image->pixels.size(), std::size_t(width * height * 3));
        expectNear(&image->pixels[0], 255, 0, 0);                                      // top left
        expectNear(&image->pixels[(std::size_t(height) * width - 1) * 3], 0, 0, 255);  // bottom right
    }
}

TEST(JpegDecoder, GreyPicturesAreExpandedToRgb) {
    Bytes grey;
    for (int i = 0; i < 8 * 8; ++i) grey.push_back(static_cast<std::uint8_t>(i < 32 ? 40 : 200));
    const Bytes file = encodeJpeg(8, 8, grey, true);
    auto image = decodeJpeg(file.data(), file.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->components, 3);
    ASSERT_EQ(image->pixels.size(), std::size_t(8 * 8 * 3));
    expectNear(&image->pixels[0], 40, 40, 40);
    expectNear(&image->pixels[63 * 3], 200, 200, 200);
}

TEST(JpegDecoder, CorruptStreamsFailWithAMessageInsteadOfEndingTheProcess) {
    std::string error;
    EXPECT_FALSE(decodeJpeg(nullptr, 0, &error));
    const Bytes junk = {0x12, 0x34, 0x56, 0x78, 0x9A};
    EXPECT_FALSE(decodeJpeg(junk.data(), junk.size(), &error));
    EXPECT_FALSE(error.empty());

    // Every prefix of a real file either fails cleanly or decodes to the full size (libjpeg pads
    // a stream cut inside the scan data).
    const Bytes file = encodeJpeg(16, 16, redOverBlue(16, 16), false);
    for (std::size_t length = 1; length < file.size(); length += 7) {
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        auto image = decodeJpeg(prefix.data(), prefix.size());
        if (image) {
            EXPECT_EQ(image->pixels.size(), std::size_t(16 * 16 * 3)) << "length " << length;
        }
    }

    // A header claiming a picture over the pixel limit is refused before decoding.
    Bytes huge = encodeJpeg(8, 8, Bytes(8 * 8 * 3, 128), false);
    for (std::size_t i = 0; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {  // start of frame: height and width follow
            huge[i + 5] = 0xFF;
            huge[i + 6] = 0xF0;
            huge[i + 7] = 0xFF;
            huge[i + 8] = 0xF0;
            break;
        }
    }
    EXPECT_FALSE(decodeJpeg(huge.data(), huge.size(), &error));
}
