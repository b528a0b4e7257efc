#include "pictures/pictures.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace pictures {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

}  // namespace

Bytes encodeJpeg(const Image& image, int quality) {
    if (image.empty()) throw std::invalid_argument("JPEG of an empty image");
    jpeg_compress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<unsigned char> row(std::size_t(image.width) * 3);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw std::runtime_error("libjpeg failed to compress");
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const Rgba* source = &image.at(0, static_cast<int>(info.next_scanline));
        for (int x = 0; x < image.width; ++x) {
            row[std::size_t(x) * 3] = source[x].r;
            row[std::size_t(x) * 3 + 1] = source[x].g;
            row[std::size_t(x) * 3 + 2] = source[x].b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes result(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return result;
}

}  // namespace pictures
