#pragma once
// A growing little-endian byte buffer, the base of every binary writer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace formats {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
public:
    void putUint8(std::uint8_t value) { bytes_.push_back(value); }
    void putBool(bool value) { bytes_.push_back(value ? 1 : 0); }
    void putUint16(std::uint16_t value);
    void putInt32(std::int32_t value);
    void putUint32(std::uint32_t value);
    void putFloat(float value);
    // Writes each float in order.
    void putFloats(const float* values, std::size_t count);
    void putBytes(const void* data, std::size_t size);
    // The counted string of the model and scene files: int32 byte count, the bytes, no terminator.
    // Written as given; the reader's limits (at most 3000 bytes, no NUL) are the caller's to keep,
    // so tests can also build strings that break them.
    void putCountedString(std::string_view text);

    std::size_t size() const { return bytes_.size(); }
    const Bytes& bytes() const { return bytes_; }
    // Hands the buffer over; the writer is empty afterwards.
    Bytes take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// Writes the bytes to a file, replacing it. Returns false (and leaves no partial promise) when the
// file cannot be created or fully written.
bool writeFileBytes(const std::string& path, const Bytes& bytes);

}  // namespace formats
