#include "media/texture_manager.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

#include "core/log.h"
#include "media/mipmaps.h"
#include "media/tga_file.h"

namespace {

const char* const kDefaultTexture = "Textures/tex_default.tga";

struct FreeDeleter {
    void operator()(std::uint8_t* block) const { std::free(block); }
};
using OwnedBytes = std::unique_ptr<std::uint8_t, FreeDeleter>;

bool extensionIs(const std::string& ext, const char* lower, const char* upper) {
    return ext == lower || ext == upper;
}

bool everyPixelOpaque(const ImageRecord& image) {
    if (image.components != 4) return true;
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] != 255) return false;
    }
    return true;
}

}  // namespace

TextureManager::TextureManager(FileReader reader, ErrorReporter reportError)
    : reader_(std::move(reader)), reportError_(std::move(reportError)) {}

GLuint TextureManager::getTexture(const std::string& path) {
    GLuint& slot = textures_[path];  // std::map keeps the slot's address while loading
    if (slot == 0) loadTexture(slot, path);
    return slot;
}

void TextureManager::loadTexture(GLuint& slot, const std::string& path) {
    // The extension is everything after the first dot, the base everything before the last, so
    // "a.b.tga" has no known extension but still has the sisters "a.b.bmp", "a.b.tga", "a.b.jpg".
    const std::size_t firstDot = path.find('.');
    const std::size_t lastDot = path.rfind('.');
    const std::string ext = firstDot == std::string::npos ? std::string() : path.substr(firstDot + 1);
    const std::string base = lastDot == std::string::npos ? path : path.substr(0, lastDot);

    logLine("Start load ", path);
    const std::pair<std::string, Kind> sisters[] = {
        {base + ".bmp", Kind::Bmp}, {base + ".tga", Kind::Tga}, {base + ".jpg", Kind::Jpeg}};

    logLine("Try load original: ", path);
    FileBuffer original = reader_ ? reader_(path.c_str()) : FileBuffer{};
    if (original.data != nullptr) {
        if (extensionIs(ext, "bmp", "BMP")) {
            loadAs(Kind::Bmp, slot, path, original);
        } else if (extensionIs(ext, "tga", "TGA")) {
            loadAs(Kind::Tga, slot, path, original);
        } else if (extensionIs(ext, "jpg", "JPG")) {
            loadAs(Kind::Jpeg, slot, path, original);
        } else {
            std::free(original.data);
        }
        logLine("Texture ", path, " loaded");
        return;
    }

    for (const auto& sister : sisters) {
        logLine("Try load ", sister.first);
        FileBuffer bytes = reader_ ? reader_(sister.first.c_str()) : FileBuffer{};
        if (bytes.data != nullptr) {
            loadAs(sister.second, slot, sister.first, bytes);
            logLine("Texture ", sister.first, " loaded");
            return;
        }
    }

    logLine("--Unable load ", path, "-------------------------");
    logLine("Loading default texture");
    FileBuffer fallback = reader_ ? reader_(kDefaultTexture) : FileBuffer{};
    loadAs(Kind::Tga, slot, kDefaultTexture, fallback);
}

void TextureManager::loadAs(Kind kind, GLuint& slot, const std::string& name, FileBuffer bytes) {
    const OwnedBytes owned(bytes.data);
    switch (kind) {
        case Kind::Tga: {
            std::optional<ImageRecord> image = decodeTga(bytes.data, bytes.size);
            if (!image) fail("Unable open " + name);
            const GLenum format = image->components == 4 ? GL_RGBA : GL_RGB;
            const bool opaque = everyPixelOpaque(*image);
            uploadTexture(slot, *image, image->components, format);
            if (opaque) opaque_.insert(slot);
            return;
        }
        case Kind::Jpeg: {
            std::string reason;
            std::optional<ImageRecord> image = decodeJpeg(bytes.data, bytes.size, &reason);
            if (!image) {
                std::fprintf(stderr, "%s: %s\n", name.c_str(), reason.c_str());
                fail("Unable to load JPG File!");
            }
            uploadTexture(slot, *image, 3, GL_RGB);
            opaque_.insert(slot);
            return;
        }
        case Kind::Bmp: {
            DibError error = DibError::None;
            std::optional<ImageRecord> image = decodeDib(bytes.data, bytes.size, &error);
            if (!image) fail(dibErrorText(error));
            // The texture gets an alpha of 1 everywhere.
            uploadTexture(slot, *image, 4, GL_RGB, true);
            opaque_.insert(slot);
            return;
        }
    }
}

void TextureManager::fail(const std::string& text) {
    if (reportError_) reportError_(text);
    // exit, not _exit: the log is flushed and the handlers that restore the display run.
    std::exit(0);
}

void TextureManager::releaseTexture(const std::string& path) {
    const auto entry = textures_.find(path);
    if (entry == textures_.end()) return;
    if (entry->second != 0) {
        opaque_.erase(entry->second);
        glDeleteTextures(1, &entry->second);
    }
    textures_.erase(entry);
}

void TextureManager::releaseTextures() {
    for (const auto& entry : textures_) glDeleteTextures(1, &entry.second);
    textures_.clear();
    opaque_.clear();
}

void uploadTexture(GLuint& slot, ImageRecord& image, GLint components, GLenum format,
                   bool leaveUnpackAlignmentAtOne) {
    glGenTextures(1, &slot);
    glBindTexture(GL_TEXTURE_2D, slot);
    // Set before the first level arrives, so that a driver sizing the texture's storage from its
    // first level makes room for the whole chain at once. Left at its default, some (Mesa) first
    // store the largest level on its own and keep that extra copy until the texture is first drawn.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    // Rows are tightly packed; with the default alignment of 4 an RGB row of odd width would be
    // read with padding that is not there, skewing the picture and reading past the pixel block.
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLint largestSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largestSize);
    const int pixelBytes = format == GL_RGBA ? 4 : 3;
    if (isPowerOfTwo(image.width) && isPowerOfTwo(image.height) && image.width <= largestSize &&
        image.height <= largestSize &&
        image.pixels.size() == std::size_t(image.width) * image.height * pixelBytes) {
        std::vector<std::uint8_t> smallerLevels;
        uploadMipmapChain(components, image.width, image.height, format, pixelBytes, image.pixels.data(),
                          smallerLevels);
    } else {
        // Other sizes are first scaled to powers of two, which only GLU's general path does.
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, image.width, image.height, format, GL_UNSIGNED_BYTE,
                          image.pixels.data());
    }
    if (!leaveUnpackAlignmentAtOne) glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    std::vector<std::uint8_t>().swap(image.pixels);
}
