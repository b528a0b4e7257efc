#include "core/byte_writer.h"

#include <cstring>

void ByteWriter::putUint16(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::putUint32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
}

void ByteWriter::putInt32(std::int32_t value) { putUint32(static_cast<std::uint32_t>(value)); }

void ByteWriter::putFloat(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putUint32(bits);
}

void ByteWriter::putFloats(const float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) putFloat(values[i]);
}

void ByteWriter::putBytes(const void* data, std::size_t size) {
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), begin, begin + size);
}

void ByteWriter::putVec3(const Vec3& v) {
    putFloat(v.x);
    putFloat(v.y);
    putFloat(v.z);
}

void ByteWriter::putQuat(const Quat& q) {
    putFloat(q.x);
    putFloat(q.y);
    putFloat(q.z);
    putFloat(q.w);
}

void ByteWriter::putIndexTriple(const IndexTriple& indices) {
    for (std::int32_t index : indices) putFloat(static_cast<float>(index));
}

void ByteWriter::putCountedString(std::string_view text) {
    putInt32(static_cast<std::int32_t>(text.size()));
    putBytes(text.data(), text.size());
}
