#include "platform/processes.h"

#include <dirent.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace platform {
namespace {

// The kernel keeps at most 15 bytes of a process name.
constexpr std::size_t kCommLimit = 15;

bool isProcessId(const char* name) {
    if (!*name) return false;
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    return true;
}

bool readComm(const std::string& dir, std::string& name) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen((dir + "/comm").c_str(), "r"), &std::fclose);
    if (!file) return false;
    char buffer[64];
    if (!std::fgets(buffer, sizeof buffer, file.get())) return false;
    name = buffer;
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return true;
}

// A name of exactly 15 bytes may have been cut short; the executable link gives the whole name when
// we may read it (our own processes). A link to a file deleted since the start ends in " (deleted)".
void completeTruncatedName(const std::string& dir, std::string& name) {
    if (name.size() != kCommLimit) return;
    char target[4096];
    const ssize_t length = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (length <= 0) return;
    std::string path(target, static_cast<std::size_t>(length));
    static const char kDeleted[] = " (deleted)";
    const std::size_t deletedLength = sizeof kDeleted - 1;
    if (path.size() > deletedLength &&
        path.compare(path.size() - deletedLength, deletedLength, kDeleted) == 0)
        path.resize(path.size() - deletedLength);
    const std::size_t slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // Only a longer name that the short one is the start of: a process that exec'd something
    // else through a link keeps the name it was started with.
    if (base.size() > name.size() && base.compare(0, name.size(), name) == 0) name = base;
}

}  // namespace

bool runningProcessNames(std::vector<std::string>& names) {
    names.clear();
    std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), &closedir);
    if (!proc) return false;
    while (const dirent* entry = readdir(proc.get())) {
        if (!isProcessId(entry->d_name)) continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        std::string name;
        if (!readComm(dir, name)) continue;  // ended while we looked
        completeTruncatedName(dir, name);
        names.push_back(name);
    }
    return !names.empty();
}

std::string ownProcessName() {
    std::string name;
    if (!readComm("/proc/self", name)) return std::string();
    completeTruncatedName("/proc/self", name);
    return name;
}

bool setOwnProcessName(const std::string& name) {
    if (name.empty() || name.size() > kCommLimit) return false;
    return ::prctl(PR_SET_NAME, name.c_str(), 0, 0, 0) == 0;
}

}  // namespace platform
