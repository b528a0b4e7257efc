#pragma once
// TGA, Truevision's picture format: every texture, sprite and glyph picture of the media. An 18-byte
// header, an optional id field and colour map, then the pixels, bottom row first unless the header's
// origin bit says otherwise. Little-endian:
//
//    0 id length (uint8)       1 colour map type (uint8)    2 image type (uint8)
//    3 colour map first entry (uint16), length (uint16), entry bits (uint8)
//    8 x origin (uint16)      10 y origin (uint16)         12 width (uint16)      14 height (uint16)
//   16 pixel depth (uint8)    17 descriptor (uint8: alpha bits 0-3, top-left origin bit 0x20)
//   18 id field, colour map, pixels: B, G, R (, A), or a little-endian 5-5-5 value at depth 16
//
// Image type 2 is uncompressed true colour, type 10 the same in run-length packets: a header byte
// whose top bit marks a repeat packet (one pixel, 2 to 128 times) and whose low seven bits hold the
// pixel count minus one; a raw packet's pixels follow it one by one.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/byte_writer.h"
#include "media/image_decoders.h"

constexpr std::size_t kTgaHeaderBytes = 18;
constexpr std::uint8_t kTgaTrueColour = 2;
constexpr std::uint8_t kTgaRunLengthTrueColour = 10;
constexpr std::uint8_t kTgaRepeatPacket = 0x80;  // the packet header's top bit
constexpr int kTgaMaxPacketPixels = 128;

// Type 10 (run-length encoded true colour, depths 16, 24, 32) and every other type read as
// uncompressed true colour (depths 16, 24, 32). Rows stay in file order (the origin bit is not
// read); 32-bit pictures give 4 components, 16- and 24-bit ones 3. A run-length packet that would
// pass the last pixel is cut there. Nothing for an unsupported depth, a zero or oversized
// size, or data that ends before the picture is complete.
std::optional<ImageRecord> decodeTga(const std::uint8_t* data, std::size_t size);

// The whole file for `image`, as decodeTga gives such a file back: 3 components make a 24-bit file,
// 4 a 32-bit one with 8 alpha bits; rows in file order, bottom row first (the origin bit stays
// clear); no id and no colour map. With `runLength`, type 10 packets that never run across a row's
// end; otherwise type 2. Throws std::invalid_argument for another component count, an empty
// picture, one wider or taller than 65535, or pixels that do not match the size.
Bytes encodeTga(const ImageRecord& image, bool runLength);
