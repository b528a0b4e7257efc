#include "platform/message_box.h"

#include <SDL.h>

namespace platform {

// SDL fails (returns < 0) when there is no display to show the box on.
bool showSystemMessageBox(const std::string& caption, const std::string& text) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) == 0;
}

}  // namespace platform
