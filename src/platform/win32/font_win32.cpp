// The bitmap font from GDI: Verdana, bold, 16 pixels high, turned into display lists by
// wglUseFontBitmapsW on the device context the GL context draws to.

#include <windows.h>

#include <GL/gl.h>

#include "platform/font.h"

namespace platform {

bool buildFontDisplayLists(unsigned firstList, int firstCharacter, int count) {
    const HDC dc = wglGetCurrentDC();
    if (dc == nullptr || count <= 0) return false;
    // Height -16: the character height (without internal leading) is 16 pixels.
    const HFONT font =
        CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH, L"Verdana");
    if (font == nullptr) return false;
    const HGDIOBJ previous = SelectObject(dc, font);
    const bool built = wglUseFontBitmapsW(dc, static_cast<DWORD>(firstCharacter), static_cast<DWORD>(count),
                                          firstList) != FALSE;
    SelectObject(dc, previous);
    DeleteObject(font);
    return built;
}

}  // namespace platform
