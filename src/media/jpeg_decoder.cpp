#include "media/image_decoders.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace {

// libjpeg's own error manager ends the process on a corrupt stream. This one jumps back to the
// decoder with the library's message instead.
struct JumpingErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jumpBack;
    char message[JMSG_LENGTH_MAX];
};

void jumpOnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<JumpingErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jumpBack, 1);
}

// Warnings (corrupt data the library can step over) are not worth a line anywhere.
void ignoreMessage(j_common_ptr, int) {}

// libjpeg keeps its working memory below this; a progressive picture of the largest size we
// accept needs well under it.
constexpr long kJpegWorkingMemory = 512L * 1024 * 1024;

// Everything the decode touches after setjmp lives here, on the heap, so that a jump back leaves
// it in a defined state.
struct JpegDecode {
    jpeg_decompress_struct info{};
    JumpingErrorManager errors{};
    bool created = false;
    ImageRecord image;

    ~JpegDecode() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

}  // namespace

std::optional<ImageRecord> decodeJpeg(const std::uint8_t* data, std::size_t size, std::string* error) {
    if (data == nullptr || size == 0 || size > 0xFFFFFFFFu) {
        if (error) *error = "Empty JPEG data";
        return std::nullopt;
    }
    const std::unique_ptr<JpegDecode> decode(new JpegDecode());
    JpegDecode* const state = decode.get();
    state->info.err = jpeg_std_error(&state->errors.base);
    state->errors.base.error_exit = jumpOnError;
    state->errors.base.emit_message = ignoreMessage;
    state->errors.message[0] = '\0';

    if (setjmp(state->errors.jumpBack) != 0) {
        if (error) *error = state->errors.message;
        return std::nullopt;  // ~JpegDecode destroys the decompression object
    }

    jpeg_create_decompress(&state->info);
    state->created = true;
    state->info.mem->max_memory_to_use = kJpegWorkingMemory;
    jpeg_mem_src(&state->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&state->info, TRUE);

    const std::uint64_t pixelCount = std::uint64_t(state->info.image_width) * state->info.image_height;
    if (pixelCount == 0 || pixelCount > kMaxImagePixels) {
        if (error) *error = "JPEG picture too large";
        return std::nullopt;
    }
    // Grey pictures are expanded so that every JPEG uploads as R, G, B.
    state->info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&state->info);
    if (state->info.output_components != 3) {
        if (error) *error = "JPEG colour space not convertible to RGB";
        return std::nullopt;
    }

    ImageRecord& image = state->image;
    image.components = 3;
    image.width = static_cast<int>(state->info.output_width);
    image.height = static_cast<int>(state->info.output_height);
    const std::size_t rowBytes = std::size_t(image.width) * 3;
    image.pixels.resize(rowBytes * std::size_t(image.height));
    while (state->info.output_scanline < state->info.output_height) {
        JSAMPROW row = image.pixels.data() + rowBytes * state->info.output_scanline;
        if (jpeg_read_scanlines(&state->info, &row, 1) != 1) break;  // suspension cannot happen from memory
    }
    if (state->info.output_scanline < state->info.output_height) {
        if (error) *error = "JPEG data ended early";
        return std::nullopt;
    }
    jpeg_finish_decompress(&state->info);
    return std::move(state->image);
}
