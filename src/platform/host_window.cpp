#include "platform/host_window.h"

namespace platform {

bool takeMusicLock() { return lockMusic() != MusicLock::HeldByAnother; }

}  // namespace platform
