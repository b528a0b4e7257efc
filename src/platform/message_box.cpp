#include "platform/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

bool boxesGoToStderr() {
    const char* setting = std::getenv("GLIMMERDALE_MESSAGE_BOX");
    return setting && std::strcmp(setting, "stderr") == 0;
}

}  // namespace

void showMessageBox(const std::string& caption, const std::string& text) {
    if (!boxesGoToStderr() && showSystemMessageBox(caption, text)) return;
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void showErrorMessage(const std::string& text) { showMessageBox("Error", text); }

}  // namespace platform
