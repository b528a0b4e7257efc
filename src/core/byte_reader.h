#pragma once
// A bounds-checked little-endian reader over a byte block, shared by the model, animated-model, scene
// and effect file readers, with the counted string of those files. ByteWriter (core/byte_writer.h)
// writes the same forms.
//
// Every read past the end fails instead of reading: the reader then stays failed, every later read
// returns zero or an empty string, and failure() says what went wrong first. Loaders read a whole
// record and check ok() once.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/maths.h"

// The longest counted string the readers accept, in bytes.
constexpr std::int32_t kMaxCountedStringBytes = 3000;

class ByteReader {
public:
    // The bytes are not copied and must outlive the reader. A null block reads as empty.
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(data ? size : 0) {}

    bool ok() const { return failure_.empty(); }
    // The first failure ("file ends inside ...", "counted string of 5000 bytes", ...), or empty.
    const std::string& failure() const { return failure_; }
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return size_ - position_; }

    std::int32_t readInt32();
    std::uint8_t readUint8();
    float readFloat();
    // Three floats x, y, z.
    Vec3 readVec3();
    // Four floats x, y, z, w.
    Quat readQuat();
    // Reads `count` floats into `out`; on failure nothing is written past what was available.
    void readFloats(float* out, std::size_t count);
    void skip(std::size_t bytes);

    // The counted string: an int32 byte count N (0..3000), then N bytes without terminator; the
    // result is the part after the last '\' or '/'. A negative or too large count, a count beyond
    // the data or a NUL byte inside the text fails the reader and gives "".
    std::string readCountedString();

    // True when `count` records of `recordBytes` bytes each are still available. A negative count
    // or one beyond the data fails the reader with `what` in the message. Used before allocating
    // arrays whose size a file announces.
    bool expectRecords(std::int64_t count, std::size_t recordBytes, const char* what);

    // Fails the reader with this message unless it has already failed.
    void fail(const std::string& message);

private:
    bool take(std::size_t bytes, const char* what);

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    std::string failure_;
};

// An index stored as a float, truncated toward zero; −1 when it does not address one of `count`
// entries (NaN, infinities and values beyond the int range included).
int floatIndex(float value, std::int32_t count);

// The file name part of a path: the text after the last '\' or '/', or the whole text.
std::string lastPathComponent(const std::string& path);
