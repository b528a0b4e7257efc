#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/message_box.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {
namespace {

bool boxesGoToStderr() {
    const char* setting = std::getenv("GLIMMERDALE_MESSAGE_BOX");
    return setting && std::strcmp(setting, "stderr") == 0;
}

}  // namespace

void showMessageBox(const std::string& caption, const std::string& text) {
    // No owner: the box must show even when our window failed or is gone.
    if (!boxesGoToStderr() &&
        MessageBoxW(nullptr, win32::widen(text).c_str(), win32::widen(caption).c_str(), MB_OK) != 0) {
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void showErrorMessage(const std::string& text) { showMessageBox("Error", text); }

}  // namespace platform
