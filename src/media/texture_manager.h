#pragma once
// The texture manager: GL textures for pack paths, loaded on first use and kept until shutdown.
//
//   getTexture(path)        the texture for "Textures/tex_sym_0.tga"; loads it on first request
//   loadTexture(slot, path) the search: the path itself, then its .bmp, .tga and .jpg sisters, then
//                           "Textures/tex_default.tga"; every step logged
//   releaseTexture(path)    deletes one texture that nothing will draw again (the loading picture)
//   releaseTextures()       deletes every texture (while the GL context is current)
//   uploadTexture(...)      the common upload: all mipmap levels, trilinear minification
//
// A picture that is found but cannot be decoded shows an "Error" box and ends the process with exit
// code 0; a missing one never does (the default texture takes its place).

#include <GL/glew.h>

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "media/image_decoders.h"
#include "media/media_pack.h"

class TextureManager {
public:
    // Reads a whole file by pack path; a miss is a null buffer. The caller frees the block.
    using FileReader = std::function<FileBuffer(const char* path)>;
    // Shows the text in an "Error" box (returns when dismissed).
    using ErrorReporter = std::function<void(const std::string& text)>;

    // Pictures come through `reader` (the media pack in the program, a fake in tests); failures are
    // shown through `reportError` before the process ends.
    TextureManager(FileReader reader, ErrorReporter reportError);
    TextureManager(const TextureManager&) = delete;
    TextureManager& operator=(const TextureManager&) = delete;
    // Leaves GL alone (the context may be gone); releaseTextures() is the owner's job.
    ~TextureManager() = default;

    // The GL texture name for this pack path (compared byte by byte, so paths differing in case are
    // separate textures). Loads it on the first request; a path whose load left no texture (0) is
    // tried again on the next request. Needs the current GL context.
    GLuint getTexture(const std::string& path);

    // Finds and loads the picture for `path` into `slot`, logging each step; falls back to the
    // default texture. A path whose text after its first "." is no known extension but which is in
    // the pack leaves `slot` unchanged. Ends the process (exit code 0) after an "Error" box when a
    // found picture cannot be decoded, or when the default texture is missing.
    void loadTexture(GLuint& slot, const std::string& path);

    // Deletes the texture of this path and forgets the path, so that a later request loads it
    // again; callers must hold no copy of its name. Nothing for a path never requested. Needs the
    // current GL context.
    void releaseTexture(const std::string& path);
    // Deletes every texture, in path order, and forgets every path. Needs the current GL context.
    void releaseTextures();

    // Number of paths requested so far (loaded or not).
    std::size_t size() const { return textures_.size(); }

    // True when the texture was loaded here from a picture whose every pixel has full alpha (RGB
    // pictures, and RGBA ones with an alpha of 255 throughout): drawn blended or alpha-tested, it
    // covers what lies behind it exactly as it would drawn plainly. False for any other name.
    bool isOpaque(GLuint texture) const { return opaque_.count(texture) != 0; }

private:
    enum class Kind { Bmp, Tga, Jpeg };
    // Decodes the member's bytes and uploads them into `slot`; ends the process on failure.
    void loadAs(Kind kind, GLuint& slot, const std::string& name, FileBuffer bytes);
    [[noreturn]] void fail(const std::string& text);

    FileReader reader_;
    ErrorReporter reportError_;
    std::map<std::string, GLuint> textures_;
    std::set<GLuint> opaque_;
};

// Generates a texture into `slot`, binds it (left bound) and uploads `image` with every mipmap
// level (built here for power-of-two sides, by GLU for the others, with the same texels either way) (internal
// component count `components`, pixel `format` GL_RGB or GL_RGBA), minification GL_LINEAR_MIPMAP_LINEAR;
// magnification and wrap modes keep the GL defaults. Rows are read tightly packed; the unpack alignment is
// restored afterwards unless `leaveUnpackAlignmentAtOne` (the BMP path sets 1 and keeps it). Frees the
// image's pixels.
void uploadTexture(GLuint& slot, ImageRecord& image, GLint components, GLenum format,
                   bool leaveUnpackAlignmentAtOne = false);
