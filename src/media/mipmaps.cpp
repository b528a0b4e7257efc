#include "media/mipmaps.h"

#include <algorithm>
#include <cstddef>

bool isPowerOfTwo(int size) { return size > 0 && (size & (size - 1)) == 0; }

void halveLevel(const std::uint8_t* in, int width, int height, int components, std::uint8_t* out) {
    const std::size_t rowBytes = std::size_t(width) * components;
    if (width == 1 || height == 1) {
        // A single row or column: neighbours along it, truncated as GLU does for one dimension.
        const int count = std::max(width, height) / 2;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* a = in + std::size_t(2 * i) * components;
            for (int k = 0; k < components; ++k)
                out[std::size_t(i) * components + k] = (a[k] + a[k + components]) / 2;
        }
        return;
    }
    const int halfWidth = width / 2;
    const int halfHeight = height / 2;
    std::uint8_t* target = out;
    for (int y = 0; y < halfHeight; ++y) {
        const std::uint8_t* top = in + std::size_t(2 * y) * rowBytes;
        const std::uint8_t* bottom = top + rowBytes;
        for (int x = 0; x < halfWidth; ++x) {
            for (int k = 0; k < components; ++k) {
                *target++ = static_cast<std::uint8_t>(
                    (top[k] + top[k + components] + bottom[k] + bottom[k + components] + 2) / 4);
            }
            top += 2 * components;
            bottom += 2 * components;
        }
    }
}

void uploadMipmapChain(GLint internalComponents, int width, int height, GLenum format, int components,
                       const std::uint8_t* pixels, std::vector<std::uint8_t>& scratch) {
    glTexImage2D(GL_TEXTURE_2D, 0, internalComponents, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    if (width == 1 && height == 1) return;
    const int firstWidth = std::max(width / 2, 1);
    const int firstHeight = std::max(height / 2, 1);
    const std::size_t firstBytes = std::size_t(firstWidth) * firstHeight * components;
    if (scratch.size() < firstBytes) scratch.resize(firstBytes);

    const std::uint8_t* source = pixels;
    int level = 0;
    while (width > 1 || height > 1) {
        // From level 1 on each level is halved in place.
        halveLevel(source, width, height, components, scratch.data());
        source = scratch.data();
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        ++level;
        glTexImage2D(GL_TEXTURE_2D, level, internalComponents, width, height, 0, format, GL_UNSIGNED_BYTE,
                     scratch.data());
    }
}
