#pragma once
// Picture decoders: JPEG (libjpeg-turbo, from memory), BMP (through the platform layer) and TGA
// (our own reader, in media/tga_file.h with its writer). Each takes the whole file as a byte range it
// does not own, checks every size against that range, and yields an ImageRecord or nothing. None of
// them shows a message or ends the process; the texture manager decides what a picture that cannot
// be decoded means.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A decoded picture, ready for a GL upload.
struct ImageRecord {
    int components = 0;  // bytes per pixel: 3 (R, G, B) or 4 (R, G, B, A)
    int width = 0;       // pixels, at least 1
    int height = 0;      // pixels, at least 1
    // width * height * components bytes, rows one after another without padding, in the row order
    // each decoder documents.
    std::vector<std::uint8_t> pixels;
};

// Pictures claiming more pixels than this are refused before anything is allocated, so that a
// small hostile header cannot ask for gigabytes. 8192 x 8192 is far above any texture we ship.
constexpr std::uint64_t kMaxImagePixels = std::uint64_t(8192) * 8192;

// JPEG from memory; always 3 components (grey pictures are expanded), rows top first. Nothing for
// a corrupt or unsupported stream, with the JPEG library's message in *error when given. Never
// ends the process.
std::optional<ImageRecord> decodeJpeg(const std::uint8_t* data, std::size_t size,
                                      std::string* error = nullptr);

// Why a BMP could not be decoded.
enum class DibError { None, UnknownFormat, ConversionFailed, OutOfMemory };

// The text shown to the user for each failure: "Unknown DIB file format.",
// "Image file conversion error.", "Out of memory." ("" for None).
const char* dibErrorText(DibError error);

// Windows bitmap file (1, 4, 8, 16, 24, 32 bits; RLE4, RLE8, bit fields; core or info headers;
// bottom-up or top-down) converted to 3 components. Rows bottom first whichever way the file
// stores them, so a BMP lands on a model like a TGA with the usual bottom-left origin. Nothing on
// failure, with the reason in *error when given.
std::optional<ImageRecord> decodeDib(const std::uint8_t* data, std::size_t size, DibError* error = nullptr);
