#include "core/byte_reader.h"

#include <cstring>

void ByteReader::fail(const std::string& message) {
    if (failure_.empty()) failure_ = message;
}

bool ByteReader::take(std::size_t bytes, const char* what) {
    if (!ok()) return false;
    if (bytes > remaining()) {
        fail(std::string("file ends inside ") + what + " at byte " + std::to_string(position_));
        return false;
    }
    return true;
}

std::int32_t ByteReader::readInt32() {
    if (!take(4, "a 32-bit integer")) return 0;
    const std::uint8_t* p = data_ + position_;
    position_ += 4;
    const std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                            std::uint32_t(p[3]) << 24;
    std::int32_t result;
    std::memcpy(&result, &v, 4);
    return result;
}

std::uint8_t ByteReader::readUint8() {
    if (!take(1, "a byte")) return 0;
    return data_[position_++];
}

float ByteReader::readFloat() {
    const std::int32_t bits = readInt32();
    float result;
    std::memcpy(&result, &bits, 4);
    return result;
}

Vec3 ByteReader::readVec3() {
    Vec3 v;
    v.x = readFloat();
    v.y = readFloat();
    v.z = readFloat();
    return v;
}

Quat ByteReader::readQuat() {
    Quat q;
    q.x = readFloat();
    q.y = readFloat();
    q.z = readFloat();
    q.w = readFloat();
    return q;
}

void ByteReader::readFloats(float* out, std::size_t count) {
    if (count > remaining() / 4) {
        take(remaining() + 1, "an array of floats");
        return;
    }
    for (std::size_t i = 0; i < count; ++i) out[i] = readFloat();
}

void ByteReader::skip(std::size_t bytes) {
    if (take(bytes, "skipped bytes")) position_ += bytes;
}

std::string ByteReader::readCountedString() {
    const std::int32_t count = readInt32();
    if (!ok()) return {};
    if (count < 0 || count > kMaxCountedStringBytes) {
        fail("counted string of " + std::to_string(count) + " bytes at byte " +
             std::to_string(position_ - 4));
        return {};
    }
    if (!take(std::size_t(count), "a counted string")) return {};
    const char* text = reinterpret_cast<const char*>(data_ + position_);
    if (std::memchr(text, 0, std::size_t(count)) != nullptr) {
        fail("NUL byte inside the counted string at byte " + std::to_string(position_));
        return {};
    }
    position_ += std::size_t(count);
    return lastPathComponent(std::string(text, std::size_t(count)));
}

bool ByteReader::expectRecords(std::int64_t count, std::size_t recordBytes, const char* what) {
    if (!ok()) return false;
    if (count < 0) {
        fail(std::string("negative ") + what + " count " + std::to_string(count));
        return false;
    }
    if (recordBytes != 0 && std::uint64_t(count) > remaining() / recordBytes) {
        fail(std::string(what) + " count " + std::to_string(count) + " beyond the end of the file");
        return false;
    }
    return true;
}

int floatIndex(float value, std::int32_t count) {
    if (!(value > -1.0f && value < float(count))) return -1;
    const int index = int(value);
    return index < count ? index : -1;
}

std::string lastPathComponent(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
