#pragma once
// Where the program keeps what it writes for itself, apart from the user's options
// (settings_storage.h names their folder).
//
//   stateFolder   the log files, the desktop set-up's record, the locks of copies side by side

#include <string>

namespace platform {

// "$XDG_STATE_HOME/glimmerdale" (default "~/.local/state/glimmerdale"; "%LOCALAPPDATA%\Glimmerdale"
// on Windows), created if needed; "" when it cannot be found or made.
std::string stateFolder();

}  // namespace platform
