#include "platform/posix/folders_posix.h"

#include "platform/folders.h"

#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::posix {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        struct passwd entry;
        struct passwd* found = nullptr;
        char buffer[4096];
        if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir) {
            home = found->pw_dir;
        }
    }
    return home;
}

std::string xdgFolder(const char* variable, const char* fallbackBelowHome) {
    const std::string base = environment(variable);
    if (!base.empty() && base[0] == '/') return base + "/glimmerdale";
    const std::string home = homeFolder();
    if (home.empty()) return std::string();
    return home + "/" + fallbackBelowHome + "/glimmerdale";
}

bool makeFolders(const std::string& folder) {
    if (folder.empty()) return false;
    std::string partial;
    std::size_t at = 0;
    while (at <= folder.size()) {
        std::size_t slash = folder.find('/', at);
        if (slash == std::string::npos) slash = folder.size();
        partial = folder.substr(0, slash);
        at = slash + 1;
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info;
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform::posix

namespace platform {

std::string stateFolder() {
    const std::string folder = posix::xdgFolder("XDG_STATE_HOME", ".local/state");
    return posix::makeFolders(folder) ? folder : std::string();
}

}  // namespace platform
