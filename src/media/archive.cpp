#include "media/archive.h"

#include <cstring>

#include "media/archive_layout.h"
#include "media/crc32.h"

namespace {

using namespace archive_layout;

constexpr std::size_t kNameBufferSize = 512;

std::uint16_t read16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

std::uint32_t read32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// Brings a name into the form the rule compares: separators become "_", letters upper case. Stops at
// a zero byte or the buffer's end, always leaving a terminated string.
void normaliseName(const char* name, std::size_t length, char (&out)[kNameBufferSize]) {
    std::size_t i = 0;
    for (; i < length && i < kNameBufferSize - 1 && name[i] != '\0'; ++i) {
        char c = name[i];
        if (c == '\\' || c == '/') {
            c = '_';
        } else if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        out[i] = c;
    }
    out[i] = '\0';
}

// The fields of a file header that decide whether and how its member is read.
struct FileHeader {
    std::uint64_t dataStart = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t unpackedSize = 0;
    std::uint32_t crc = 0;
    std::uint16_t flags = 0;
    std::uint8_t version = 0;
    std::uint8_t method = 0;
};

// Walks the blocks after the main header and stops at the first file header whose name matches
// `wanted` (already normalised). Returns false when the walk ends without one.
bool findMember(const MemoryArchive& archive, const char (&wanted)[kNameBufferSize], FileHeader& found) {
    const std::uint8_t* data = archive.data;
    const std::uint64_t size = archive.size;

    // The main header is skipped by its own HEAD_SIZE, counted from the marker's end.
    std::uint64_t position = sizeof(kMarker);
    if (position + kBlockHeaderSize > size) return false;
    const std::uint16_t mainHeaderSize = read16(data + position + kHeadSizeAt);
    if (mainHeaderSize < kBlockHeaderSize) return false;
    position += mainHeaderSize;

    char stored[kNameBufferSize];
    while (position + kBlockHeaderSize <= size) {
        const std::uint8_t* block = data + position;
        const std::uint8_t type = block[kHeadTypeAt];
        const std::uint16_t flags = read16(block + kHeadFlagsAt);
        const std::uint16_t headerSize = read16(block + kHeadSizeAt);
        if (headerSize < kBlockHeaderSize) return false;

        std::uint64_t next = position + headerSize;
        if (flags & kFlagAddSize) {
            if (position + kBlockHeaderSize + 4 > size) return false;
            next += read32(block + kBlockHeaderSize);
        }

        if (type == kFileHeaderType) {
            // A header whose fixed part or name runs past the data ends the walk; one whose name runs
            // past its own HEAD_SIZE is malformed and cannot match.
            if (position + kFileHeaderFixedSize > size) return false;
            const std::uint16_t nameSize = read16(block + kNameSizeAt);
            if (position + kFileHeaderFixedSize + nameSize > size) return false;
            if (kFileHeaderFixedSize + nameSize <= headerSize) {
                const std::size_t kept = nameSize < kMaxArchiveNameLength ? nameSize : kMaxArchiveNameLength;
                normaliseName(reinterpret_cast<const char*>(block + kFileHeaderFixedSize), kept, stored);
                if (std::strcmp(stored, wanted) == 0) {
                    found.dataStart = position + headerSize;
                    found.packedSize = read32(block + kPackSizeAt);
                    found.unpackedSize = read32(block + kUnpackSizeAt);
                    found.crc = read32(block + kFileCrcAt);
                    found.flags = flags;
                    found.version = block[kUnpackVersionAt];
                    found.method = block[kMethodAt];
                    return true;
                }
            }
        }

        // Positions are 64-bit, so a huge ADD_SIZE cannot wrap round to an earlier block; the check
        // still guards the walk against ever standing still.
        if (next <= position) return false;
        position = next;
    }
    return false;
}

}  // namespace

bool archiveNamesMatch(const char* requested, const char* stored) {
    char a[kNameBufferSize];
    char b[kNameBufferSize];
    normaliseName(requested, kNameBufferSize, a);
    normaliseName(stored, kNameBufferSize, b);
    return std::strcmp(a, b) == 0;
}

FileBuffer extractMember(const MemoryArchive& archive, const char* name, const char* /*password*/,
                         std::uint64_t* memberOffset) {
    if (archive.data == nullptr || name == nullptr) return FileBuffer{};
    if (archive.size < sizeof(kMarker) || std::memcmp(archive.data, kMarker, sizeof(kMarker)) != 0) {
        return FileBuffer{};
    }

    char wanted[kNameBufferSize];
    normaliseName(name, kNameBufferSize, wanted);
    FileHeader member;
    if (!findMember(archive, wanted, member)) return FileBuffer{};

    if (member.version < kMinimumVersion || member.version > kVersion20) return FileBuffer{};
    // Without a password, encrypted bytes could never pass the CRC check; compressed members are not
    // unpacked. Both are misses.
    if (member.flags & kFlagEncrypted) return FileBuffer{};
    if (member.method != kMethodStored) return FileBuffer{};
    // A stored member's bytes are its packed bytes; they must all lie inside the archive.
    if (member.unpackedSize > member.packedSize) return FileBuffer{};
    if (member.dataStart + member.unpackedSize > archive.size) return FileBuffer{};

    // At least one byte, so that an empty member is still a non-null hit.
    auto* block = static_cast<std::uint8_t*>(std::malloc(member.unpackedSize > 0 ? member.unpackedSize : 1));
    if (block == nullptr) return FileBuffer{};
    if (member.unpackedSize > 0) std::memcpy(block, archive.data + member.dataStart, member.unpackedSize);

    if (computeCrc32(block, member.unpackedSize) != member.crc) {
        std::free(block);
        return FileBuffer{};
    }
    if (memberOffset != nullptr) *memberOffset = member.dataStart;
    FileBuffer result;
    result.data = block;
    result.size = member.unpackedSize;
    return result;
}
