#pragma once
// A small PNG writer for screenshots: 8-bit RGB, no filtering, stored (uncompressed) deflate blocks.
// Any PNG reader takes the result; it is larger than a compressed file, which does not matter here.

#include <cstdint>
#include <string>
#include <vector>

// The whole PNG file for `width` x `height` RGB pixels, rows top first, 3 bytes a pixel, tightly
// packed. Empty when the sizes are not positive or `rgb` is shorter than width * height * 3.
std::vector<std::uint8_t> encodePng(const std::uint8_t* rgb, std::size_t rgbSize, int width, int height);

// Encodes and writes the file (replacing it). False when encoding or writing failed; a failed write
// leaves no partial file under `path`.
bool writePng(const std::string& path, const std::uint8_t* rgb, std::size_t rgbSize, int width, int height);
