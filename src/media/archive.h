#pragma once
// The media archives: RAR 2.0 archives of stored (not compressed) members, the form the media pack
// reads from memory and the packer writes. The layout, shared by both, is media/archive_layout.h.
//
//   FileBuffer, ScopedFileBuffer   a member's bytes as a heap block, and its owner for a scope
//   MemoryArchive, extractMember   reading: a member found by name and returned as a heap copy; only
//                                  stored members are read, compressed and encrypted ones miss
//   archiveNamesMatch              the name rule of every lookup
//   ArchiveMember, buildArchive    writing: a whole archive of stored members, repeatable byte for byte

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// A whole file read from an archive or the media pack. A miss is a null pointer with size 0. The block
// belongs to the caller, who releases it with std::free. A hit of size 0 (a directory entry or an empty
// file) still has a non-null block that must be freed.
struct FileBuffer {
    std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Owns a FileBuffer for the length of a scope and frees its block on the way out.
class ScopedFileBuffer {
public:
    explicit ScopedFileBuffer(FileBuffer buffer) : buffer_(buffer) {}
    ~ScopedFileBuffer() { std::free(buffer_.data); }
    ScopedFileBuffer(const ScopedFileBuffer&) = delete;
    ScopedFileBuffer& operator=(const ScopedFileBuffer&) = delete;

    const std::uint8_t* data() const { return buffer_.data; }
    std::uint32_t size() const { return buffer_.size; }
    bool found() const { return buffer_.data != nullptr; }
    // Hands the block back to the caller, who must free it.
    FileBuffer release() {
        FileBuffer out = buffer_;
        buffer_ = FileBuffer{};
        return out;
    }

private:
    FileBuffer buffer_;
};

// A read-only view of one archive in memory. The bytes are not owned (for the embedded archives they
// belong to the executable image). Null data with size 0 is an empty archive in which every lookup misses.
struct MemoryArchive {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
};

// Finds the first member whose name equals `name` by archiveNamesMatch and returns a heap copy of its
// bytes. Misses (null, size 0, nothing left allocated) when the archive has no valid marker, no such
// member is reached, the member's version is outside 13-20, it is encrypted or compressed, its bytes lie
// outside the archive, its CRC-32 does not match, or memory runs out. Every offset and count is checked
// against the archive size, so a damaged archive only ever gives misses. `password` is accepted for the
// interface's sake; encrypted members are never decrypted and always miss.
// On a hit, `*memberOffset` (when given) gets the offset of the member's bytes in the archive.
FileBuffer extractMember(const MemoryArchive& archive, const char* name, const char* password = "",
                         std::uint64_t* memberOffset = nullptr);

// The archive's name rule: "/" and "\" (and "_") are alike and letter case is ignored (C locale).
// Each name counts up to its first zero byte and at most 511 bytes.
bool archiveNamesMatch(const char* requested, const char* stored);

// The longest member name a reader keeps whole; longer stored names are cut to it.
constexpr std::size_t kMaxArchiveNameLength = 259;

// One member as it goes into an archive.
struct ArchiveMember {
    std::string name;                // archive name with "\" as separator, e.g. "Models\fir.BSM"
    bool isDirectory = false;        // a directory entry carries no data
    std::vector<std::uint8_t> data;  // the file's bytes; ignored for a directory
};

// Builds the whole archive in memory: marker, main header, then one file header (flags 0x8080, or
// 0x80E0 for a directory; host OS 2, version 20, method 0x30, both CRCs set, the same date and time
// for every member) and the stored bytes per member, in the order given. Returns false with a message
// in `error` (and `archive` left empty) when a name is empty, longer than kMaxArchiveNameLength bytes
// or contains "/", or when the archive would not fit in 4 GiB.
bool buildArchive(const std::vector<ArchiveMember>& members, std::vector<std::uint8_t>& archive,
                  std::string& error);
