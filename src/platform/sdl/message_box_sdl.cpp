#include "platform/message_box.h"

#include <SDL.h>

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
    // SDL fails (returns < 0) when there is no display to show the box on.
    if (!boxesGoToStderr() &&
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0) {
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
}

void showErrorMessage(const std::string& text) { showMessageBox("Error", text); }

}  // namespace platform
