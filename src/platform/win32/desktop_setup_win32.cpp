// Windows has its own screensaver setting (the installer makes the choice); nothing here applies.

#include "platform/desktop_setup.h"

namespace platform {

DesktopSession currentDesktopSession() { return DesktopSession{}; }
bool xscreensaverRunning() { return false; }
bool xscreensaverInstalled() { return false; }
bool sessionBusNameOwned(const std::string&) { return false; }
FileRead readTextFile(const std::string&, std::string&) { return FileRead::Failed; }
FileWrite replaceTextFile(const std::string&, const std::string&) { return FileWrite::Failed; }
bool createTextFile(const std::string&, const std::string&) { return false; }
bool removeFile(const std::string&) { return false; }
bool isExecutableFile(const std::string&) { return false; }
std::string findProgramInPath(const std::string&) { return ""; }
bool sameFile(const std::string&, const std::string&) { return false; }
bool readKeyFileValue(const std::string&, const std::string&, const std::string&, std::string&) {
    return false;
}
SettingRead readDesktopSetting(const std::string&, const std::string&, std::string&) {
    return SettingRead::Unavailable;
}
bool writeDesktopSetting(const std::string&, const std::string&, const std::string&) { return false; }
bool resetDesktopSetting(const std::string&, const std::string&) { return false; }
SettingRead readXfconfProperty(const std::string&, const std::string&, std::string&, bool) {
    return SettingRead::Unavailable;
}
bool writeXfconfProperty(const std::string&, const std::string&, const std::string&) { return false; }
bool resetXfconfProperty(const std::string&, const std::string&) { return false; }
bool restartXScreenSaver() { return false; }
int startDetached(const std::vector<std::string>&) { return 0; }
SetupTurn::SetupTurn() = default;
SetupTurn::~SetupTurn() = default;

}  // namespace platform
