// The bitmap font from GDI: Verdana, bold, turned into display lists by wglUseFontBitmapsW on the
// device context the GL context draws to.

#include <windows.h>

#include <GL/gl.h>

#include "platform/font.h"

namespace platform {
namespace {

// Characters without pixels (the space) must still advance the raster position. Some
// implementations compile them as a zero-sized bitmap, which Mesa refuses inside a display list
// (GL_OUT_OF_MEMORY, an empty list). They are compiled again here as one unset pixel and the advance.
void compileEmptyGlyphs(HDC dc, unsigned firstList, int firstCharacter, int count) {
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    static const GLubyte kUnsetPixel[4] = {0, 0, 0, 0};
    while (glGetError() != GL_NO_ERROR) {
    }
    for (int i = 0; i < count; ++i) {
        GLYPHMETRICS metrics;
        const DWORD size = GetGlyphOutlineW(dc, static_cast<UINT>(firstCharacter + i), GGO_BITMAP, &metrics,
                                            0, nullptr, &identity);
        if (size != 0) continue;  // has pixels (or no glyph at all: GDI_ERROR)
        glNewList(firstList + static_cast<unsigned>(i), GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, static_cast<GLfloat>(metrics.gmCellIncX),
                 static_cast<GLfloat>(metrics.gmCellIncY), kUnsetPixel);
        glEndList();
    }
}

}  // namespace

bool buildFontDisplayLists(unsigned firstList, int firstCharacter, int count, int pixelHeight) {
    const HDC dc = wglGetCurrentDC();
    if (dc == nullptr || count <= 0) return false;
    // A negative height asks for the character height (without internal leading). A system without
    // Verdana gets the nearest face GDI has.
    const HFONT font =
        CreateFontW(-pixelHeight, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, L"Verdana");
    if (font == nullptr) return false;
    const HGDIOBJ previous = SelectObject(dc, font);
    const bool built = wglUseFontBitmapsW(dc, static_cast<DWORD>(firstCharacter), static_cast<DWORD>(count),
                                          firstList) != FALSE;
    if (built) compileEmptyGlyphs(dc, firstList, firstCharacter, count);
    SelectObject(dc, previous);
    DeleteObject(font);
    return built;
}

}  // namespace platform
