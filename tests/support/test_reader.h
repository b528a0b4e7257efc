#pragma once
// An independent little-endian reader for the file format tests: it knows nothing of the program's
// readers and writers, so a wrong offset in a writer (or one shared by a writer and its reader) shows
// up as a wrong value here. Every read checks the bounds.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class TestReader {
public:
    explicit TestReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return bytes_.size() - offset_; }
    bool atEnd() const { return offset_ == bytes_.size(); }
    void seek(std::size_t offset) { offset_ = offset; }

    std::uint8_t u8() {
        need(1);
        return bytes_[offset_++];
    }
    std::uint16_t u16() {
        need(2);
        const std::uint16_t v = std::uint16_t(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
        offset_ += 2;
        return v;
    }
    std::uint32_t u32() {
        need(4);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_[offset_ + i];
        offset_ += 4;
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    float f32() {
        const std::uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }
    std::string counted() {
        const std::int32_t n = i32();
        if (n < 0) throw std::runtime_error("negative string length");
        need(std::size_t(n));
        std::string s(reinterpret_cast<const char*>(&bytes_[offset_]), std::size_t(n));
        offset_ += std::size_t(n);
        return s;
    }

private:
    void need(std::size_t n) const {
        if (offset_ + n > bytes_.size())
            throw std::out_of_range("read past the end at " + std::to_string(offset_));
    }
    const std::vector<std::uint8_t>& bytes_;
    std::size_t offset_ = 0;
};

// Reads three floats and expects them to be x, y, z.
inline void expectVec3(TestReader& in, float x, float y, float z) {
    EXPECT_FLOAT_EQ(in.f32(), x);
    EXPECT_FLOAT_EQ(in.f32(), y);
    EXPECT_FLOAT_EQ(in.f32(), z);
}

}  // namespace testsupport
