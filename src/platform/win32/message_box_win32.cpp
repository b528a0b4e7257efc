#include <windows.h>

#include "platform/message_box.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {

// No owner: the box must show even when our window failed or is gone.
bool showSystemMessageBox(const std::string& caption, const std::string& text) {
    return MessageBoxW(nullptr, win32::widen(text).c_str(), win32::widen(caption).c_str(), MB_OK) != 0;
}

}  // namespace platform
