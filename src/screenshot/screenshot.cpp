#include "screenshot/screenshot.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "screenshot/png_writer.h"

bool saveScreenshot(const std::string& path, int width, int height, GLenum buffer, int x, int y) {
    if (width <= 0 || height <= 0) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height));

    GLint previousReadBuffer = GL_BACK, previousAlignment = 4;
    glGetIntegerv(GL_READ_BUFFER, &previousReadBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &previousAlignment);
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, previousAlignment);
    glReadBuffer(static_cast<GLenum>(previousReadBuffer));

    // GL's rows run bottom up; a picture file's run top down.
    std::vector<std::uint8_t> row(rowBytes);
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = pixels.data() + rowBytes * static_cast<std::size_t>(top);
        std::uint8_t* b = pixels.data() + rowBytes * static_cast<std::size_t>(bottom);
        std::memcpy(row.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, row.data(), rowBytes);
    }
    return writePng(path, pixels.data(), pixels.size(), width, height);
}
