// The bitmap font from a TrueType file: FreeType rasterises each character monochrome, and the rows
// become a glBitmap in the character's display list.

#include <GL/glew.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/freetype/font_freetype.h"

namespace platform::freetype {
namespace {

// The FreeType library and face, released on every path out of buildFontDisplayListsFrom().
struct FontFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FontFace() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
    bool open(const std::string& path, int pixelHeight) {
        if (FT_Init_FreeType(&library) != 0) return false;
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return false;
        return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelHeight)) == 0;
    }
};

// One glyph as a glBitmap: FreeType's monochrome rows run top down, glBitmap's bottom up.
void compileGlyph(GLuint list, FT_Face face, unsigned long code, std::vector<GLubyte>& rows) {
    glNewList(list, GL_COMPILE);
    if (face && FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_MONOCHROME | FT_LOAD_TARGET_MONO) == 0) {
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int width = static_cast<int>(bitmap.width);
        const int height = static_cast<int>(bitmap.rows);
        const int rowBytes = (width + 7) / 8;
        rows.assign(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), 0);
        const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO && pitch >= rowBytes) {
            for (int y = 0; y < height; ++y) {
                const unsigned char* source = bitmap.buffer + static_cast<std::size_t>(y) * pitch;
                GLubyte* target = rows.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes;
                for (int x = 0; x < rowBytes; ++x) target[x] = source[x];
            }
        }
        const float advance = static_cast<float>(slot->advance.x) / 64.0f;
        glBitmap(width, height, static_cast<float>(-slot->bitmap_left),
                 static_cast<float>(height - slot->bitmap_top), advance, 0.0f,
                 rows.empty() ? nullptr : rows.data());
    }
    glEndList();
}

}  // namespace

bool buildFontDisplayListsFrom(const std::string& path, unsigned firstList, int firstCharacter, int count,
                               int pixelHeight) {
    FontFace font;
    const bool opened = font.open(path, pixelHeight);

    // glBitmap reads the rows as compiled here: byte aligned, most significant bit first.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    std::vector<GLubyte> rows;
    for (int i = 0; i < count; ++i) {
        compileGlyph(firstList + static_cast<GLuint>(i), opened ? font.face : nullptr,
                     static_cast<unsigned long>(firstCharacter + i), rows);
    }
    glPopClientAttrib();
    return opened;
}

}  // namespace platform::freetype

namespace platform {

bool buildFontDisplayLists(unsigned firstList, int firstCharacter, int count, int pixelHeight) {
    return freetype::buildFontDisplayListsFrom(std::string(GLIMMERDALE_FONT_DIR) + "/DejaVuSans-Bold.ttf",
                                               firstList, firstCharacter, count, pixelHeight);
}

}  // namespace platform
