#pragma once
// Test bytes handed out the way the media pack hands out a file: a copy in a malloc'd buffer that
// the receiver frees.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/media_pack.h"

namespace testsupport {

inline FileBuffer copyToFileBuffer(const std::vector<std::uint8_t>& bytes) {
    FileBuffer buffer;
    buffer.data = static_cast<std::uint8_t*>(std::malloc(bytes.size()));
    if (!bytes.empty()) std::memcpy(buffer.data, bytes.data(), bytes.size());
    buffer.size = static_cast<std::uint32_t>(bytes.size());
    return buffer;
}

}  // namespace testsupport
