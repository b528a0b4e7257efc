// The process list from /proc: one walk, which every question about processes shares.

#include "platform/processes.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {
namespace {

// The kernel keeps at most 15 bytes of a process name.
constexpr std::size_t kCommLimit = 15;
// What the kernel adds to the program link of a process whose program file was removed or replaced.
constexpr char kDeletedSuffix[] = " (deleted)";

bool isProcessId(const char* name) {
    if (!*name) return false;
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9') return false;
    return true;
}

std::unique_ptr<FILE, int (*)(FILE*)> openText(const std::string& path) {
    return {std::fopen(path.c_str(), "r"), &std::fclose};
}

bool readComm(const std::string& dir, std::string& name) {
    auto file = openText(dir + "/comm");
    if (!file) return false;
    char buffer[64];
    if (!std::fgets(buffer, sizeof buffer, file.get())) return false;
    name = buffer;
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return true;
}

// A process that has ended but is not yet reaped ("Z") or is being torn down ("X") runs nothing.
// The state follows the name in parentheses, which may itself hold ") ".
bool hasEnded(const std::string& dir) {
    auto file = openText(dir + "/stat");
    if (!file) return true;
    char buffer[512];
    const std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, file.get());
    buffer[length] = '\0';
    const char* close = std::strrchr(buffer, ')');
    if (!close || close[1] != ' ') return true;
    return close[2] == 'Z' || close[2] == 'X';
}

// The path the program link names, without the kernel's " (deleted)"; "" when it cannot be read
// (other users' processes).
std::string programPath(const std::string& dir) {
    char target[4096];
    const ssize_t length = ::readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (length <= 0) return std::string();
    std::string path(target, static_cast<std::size_t>(length));
    const std::size_t suffix = sizeof kDeletedSuffix - 1;
    if (path.size() > suffix && path.compare(path.size() - suffix, suffix, kDeletedSuffix) == 0)
        path.resize(path.size() - suffix);
    return path;
}

// A name of exactly 15 bytes may have been cut short; the program's file name gives the whole name
// when we may read it (our own processes).
void completeTruncatedName(const std::string& dir, std::string& name) {
    if (name.size() != kCommLimit) return;
    const std::string path = programPath(dir);
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // Only a longer name that the short one is the start of: a process that exec'd something
    // else through a link keeps the name it was started with.
    if (base.size() > name.size() && base.compare(0, name.size(), name) == 0) name = base;
}

struct ProcessEntry {
    int pid = 0;
    uid_t owner = 0;
    std::string name;
};

// Every running process: its id, the user it runs as and its whole name. Processes that end
// while the list is taken are left out. False when /proc cannot be read.
bool walkProcesses(std::vector<ProcessEntry>& entries) {
    entries.clear();
    std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), &closedir);
    if (!proc) return false;
    while (const dirent* item = readdir(proc.get())) {
        if (!isProcessId(item->d_name)) continue;
        const std::string dir = std::string("/proc/") + item->d_name;
        ProcessEntry entry;
        struct stat info;
        if (::stat(dir.c_str(), &info) != 0 || !readComm(dir, entry.name) || hasEnded(dir)) continue;
        completeTruncatedName(dir, entry.name);
        entry.pid = std::atoi(item->d_name);
        entry.owner = info.st_uid;
        entries.push_back(std::move(entry));
    }
    return true;
}

}  // namespace

bool runningProcessNames(std::vector<std::string>& names) {
    names.clear();
    std::vector<ProcessEntry> entries;
    if (!walkProcesses(entries)) return false;
    for (ProcessEntry& entry : entries) names.push_back(std::move(entry.name));
    return !names.empty();
}

std::vector<int> ownProcessesNamed(const std::string& name) {
    std::vector<int> found;
    std::vector<ProcessEntry> entries;
    walkProcesses(entries);
    for (const ProcessEntry& entry : entries)
        if (entry.owner == ::getuid() && entry.pid != ::getpid() && entry.name == name)
            found.push_back(entry.pid);
    return found;
}

int countOwnProcesses(const std::string& name) { return static_cast<int>(ownProcessesNamed(name).size()); }

int stopOwnProcesses(const std::string& name) {
    int stopped = 0;
    for (int pid : ownProcessesNamed(name))
        if (::kill(pid, SIGTERM) == 0) ++stopped;
    return stopped;
}

bool stopProcess(int pid) { return pid > 0 && ::kill(pid, SIGTERM) == 0; }

bool processRunning(int pid) { return pid > 0 && !hasEnded("/proc/" + std::to_string(pid)); }

int ownProcessId() { return int(::getpid()); }

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

std::string ownExecutablePath() { return programPath("/proc/self"); }

}  // namespace platform
