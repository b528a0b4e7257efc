// The process-wide texture manager. Kept apart from the class so that tests, which build their own
// managers over fake files, do not pull in the media pack.
#include "media/texture_manager.h"

#include "platform/message_box.h"

TextureManager& theTextureManager() {
    static TextureManager manager(readFile, platform::showErrorMessage);
    return manager;
}
