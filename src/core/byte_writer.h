#pragma once
// A growing little-endian byte buffer, the base of every file writer, with the value forms the
// model, animated-model and scene files share: floats, vectors, quaternions, index triples stored as
// floats and the counted string. ByteReader (core/byte_reader.h) reads them back.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/maths.h"

using Bytes = std::vector<std::uint8_t>;

// Three indices (the corners of a face, a vertex's three bone numbers); the files store each one as a
// float holding a whole number.
using IndexTriple = std::array<std::int32_t, 3>;

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
    // The three floats x, y, z.
    void putVec3(const Vec3& v);
    // The four floats x, y, z, w.
    void putQuat(const Quat& q);
    // The three indices as floats.
    void putIndexTriple(const IndexTriple& indices);
    // The counted string: int32 byte count, the bytes, no terminator. Written as given; the reader's
    // limits (at most kMaxCountedStringBytes, no NUL) are the caller's to keep, so tests can also
    // build strings that break them.
    void putCountedString(std::string_view text);

    std::size_t size() const { return bytes_.size(); }
    const Bytes& bytes() const { return bytes_; }
    // Hands the buffer over; the writer is empty afterwards.
    Bytes take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};
