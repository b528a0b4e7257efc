// Loading from the process-wide texture manager, kept apart so that tests, which load from managers
// of their own over fake files, do not pull in the media pack.
#include "countdown/countdown.h"
#include "media/texture_manager.h"

void CountdownDisplay::loadGlyphs() { loadGlyphs(theTextureManager()); }
