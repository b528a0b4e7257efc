#pragma once
// The layout of a RAR 2.0 archive as far as stored members go, shared by the archive reader and
// writer (media/archive.h). Little-endian throughout:
//
//   marker      "Rar!" 1A 07 00
//   main header HEAD_CRC (u16), HEAD_TYPE 0x73 (u8), HEAD_FLAGS (u16), HEAD_SIZE (u16), 6 reserved
//               bytes; the first block starts HEAD_SIZE bytes after the marker
//   blocks      each HEAD_CRC (u16), HEAD_TYPE (u8), HEAD_FLAGS (u16), HEAD_SIZE (u16), and with flag
//               0x8000 an ADD_SIZE (u32) of data after the header
//   file header HEAD_TYPE 0x74, 32 fixed bytes, then the name:
//                 0 HEAD_CRC   2 HEAD_TYPE  3 HEAD_FLAGS  5 HEAD_SIZE  7 PACK_SIZE (u32)
//                11 UNP_SIZE (u32)  15 HOST_OS (u8)  16 FILE_CRC (u32)  20 FTIME (u32, DOS date and time)
//                24 UNP_VER (u8)  25 METHOD (u8)  26 NAME_SIZE (u16)  28 ATTR (u32)  32 FILE_NAME
//               the member's bytes start HEAD_SIZE bytes after the header's start
//
// HEAD_CRC is the low half of the CRC-32 (media/crc32.h) of the header from HEAD_TYPE to its end;
// FILE_CRC is the CRC-32 of the member's bytes.

#include <cstddef>
#include <cstdint>

namespace archive_layout {

constexpr std::uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::uint32_t kBlockHeaderSize = 7;  // HEAD_CRC, HEAD_TYPE, HEAD_FLAGS, HEAD_SIZE
constexpr std::uint16_t kMainHeaderSize = 13;
constexpr std::uint16_t kFileHeaderFixedSize = 32;
constexpr std::uint8_t kMainHeaderType = 0x73;
constexpr std::uint8_t kFileHeaderType = 0x74;

// Offsets inside every block header, and inside a file header.
constexpr std::size_t kHeadTypeAt = 2;
constexpr std::size_t kHeadFlagsAt = 3;
constexpr std::size_t kHeadSizeAt = 5;
constexpr std::size_t kPackSizeAt = 7;
constexpr std::size_t kUnpackSizeAt = 11;
constexpr std::size_t kFileCrcAt = 16;
constexpr std::size_t kUnpackVersionAt = 24;
constexpr std::size_t kMethodAt = 25;
constexpr std::size_t kNameSizeAt = 26;

// HEAD_FLAGS bits.
constexpr std::uint16_t kFlagEncrypted = 0x0004;
constexpr std::uint16_t kFlagsDirectory = 0x00E0;  // all three dictionary bits set
constexpr std::uint16_t kFlagDictionary1MB = 0x0080;
// ADD_SIZE follows the header; in a file header it is PACK_SIZE, the member's bytes after the header.
constexpr std::uint16_t kFlagAddSize = 0x8000;

constexpr std::uint8_t kHostWin32 = 2;
// UNP_VER: the version needed to unpack, 1.3 to 2.0 as 13 to 20.
constexpr std::uint8_t kMinimumVersion = 13;
constexpr std::uint8_t kVersion20 = 20;
constexpr std::uint8_t kMethodStored = 0x30;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kAttributeDirectory = 0x10;

// The FTIME the writer gives every member, 2024-12-24 12:00:00, so that packing is repeatable.
constexpr std::uint32_t kFixedDosTime = ((2024u - 1980u) << 25) | (12u << 21) | (24u << 16) | (12u << 11);

}  // namespace archive_layout
