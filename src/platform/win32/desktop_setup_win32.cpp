// Windows has its own screensaver setting (the installer makes the choice); nothing here applies.

#include "platform/desktop_setup.h"

namespace platform {

DesktopSession currentDesktopSession() { return DesktopSession{}; }
std::string ownExecutablePath() { return ""; }
FileRead readTextFile(const std::string&, std::string&) { return FileRead::Failed; }
bool replaceTextFile(const std::string&, const std::string&) { return false; }
bool removeFile(const std::string&) { return false; }
bool xscreensaverRunning() { return false; }
bool restartXScreenSaver() { return false; }
bool startDetached(const std::vector<std::string>&) { return false; }
int stopOwnProcesses(const std::string&) { return 0; }
int countOwnProcesses(const std::string&) { return 0; }

}  // namespace platform
