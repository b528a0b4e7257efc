#pragma once
// The archive reader: members of a RAR 2.0 archive held in memory, found by name and returned as a
// heap copy. Only stored members are read; compressed and encrypted ones are reported as missing.

#include <cstdint>
#include <cstdlib>

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
