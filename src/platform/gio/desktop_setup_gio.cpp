// The system side of the desktop set-up, over GLib (files, spawning) and /proc.

#include <dirent.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/desktop_setup.h"
#include "platform/posix/folders_posix.h"

namespace platform {

DesktopSession currentDesktopSession() {
    DesktopSession session;
    session.wayland = !posix::environment("WAYLAND_DISPLAY").empty();
    session.x11 = !posix::environment("DISPLAY").empty();
    gchar* daemon = g_find_program_in_path("xscreensaver");
    session.xscreensaverInstalled = daemon != nullptr;
    g_free(daemon);
    session.desktop = posix::environment("XDG_CURRENT_DESKTOP");
    session.home = posix::homeFolder();
    const std::string config = posix::environment("XDG_CONFIG_HOME");
    session.configFolder = !config.empty() && config[0] == '/' ? config
                           : session.home.empty()              ? ""
                                                               : session.home + "/.config";
    return session;
}

std::string ownExecutablePath() {
    gchar* path = g_file_read_link("/proc/self/exe", nullptr);
    const std::string result = path ? path : "";
    g_free(path);
    return result;
}

FileRead readTextFile(const std::string& path, std::string& text) {
    gchar* contents = nullptr;
    gsize length = 0;
    GError* error = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, &length, &error)) {
        const bool missing = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
        g_error_free(error);
        return missing ? FileRead::Missing : FileRead::Failed;
    }
    text.assign(contents, length);
    g_free(contents);
    return FileRead::Ok;
}

bool replaceTextFile(const std::string& path, const std::string& text) {
    gchar* folder = g_path_get_dirname(path.c_str());
    const bool folderReady = g_mkdir_with_parents(folder, 0700) == 0;
    g_free(folder);
    if (!folderReady) return false;
    struct stat before;
    const bool existed = ::stat(path.c_str(), &before) == 0;
    // g_file_set_contents writes a temporary file beside it, syncs it and renames it over the old one.
    if (!g_file_set_contents(path.c_str(), text.data(), gssize(text.size()), nullptr)) return false;
    ::chmod(path.c_str(), existed ? (before.st_mode & 07777) : 0644);
    return true;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

namespace {

bool runQuietly(const std::vector<const char*>& arguments) {
    std::vector<gchar*> argv;
    for (const char* argument : arguments) argv.push_back(const_cast<gchar*>(argument));
    argv.push_back(nullptr);
    gint status = 0;
    const GSpawnFlags flags =
        GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, nullptr, nullptr, &status,
                      nullptr))
        return false;
    return g_spawn_check_wait_status(status, nullptr);
}

// The ids of this user's processes named `name`.
std::vector<pid_t> ownProcesses(const std::string& name) {
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc) return found;
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == ::getpid()) continue;
        const std::string dir = std::string("/proc/") + entry->d_name;
        struct stat info;
        if (::stat(dir.c_str(), &info) != 0 || info.st_uid != ::getuid()) continue;
        std::ifstream comm(dir + "/comm");
        std::string processName;
        if (std::getline(comm, processName) && processName == name) found.push_back(pid_t(pid));
    }
    ::closedir(proc);
    return found;
}

}  // namespace

bool xscreensaverRunning() { return runQuietly({"xscreensaver-command", "-version"}); }

bool restartXScreenSaver() {
    // A daemon that has only just started answers -version before it takes commands: a few tries.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (runQuietly({"xscreensaver-command", "-restart"})) return true;
        g_usleep(G_USEC_PER_SEC);
    }
    return false;
}

bool startDetached(const std::vector<std::string>& arguments) {
    std::vector<gchar*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
    argv.push_back(nullptr);
    // Its own session, so it outlives this process and the terminal it was started from.
    auto ownSession = [](gpointer) { ::setsid(); };
    const GSpawnFlags flags = GSpawnFlags(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
    return g_spawn_async(nullptr, argv.data(), nullptr, flags, ownSession, nullptr, nullptr, nullptr);
}

int stopOwnProcesses(const std::string& name) {
    int stopped = 0;
    for (pid_t pid : ownProcesses(name))
        if (::kill(pid, SIGTERM) == 0) ++stopped;
    return stopped;
}

int countOwnProcesses(const std::string& name) { return int(ownProcesses(name).size()); }

}  // namespace platform
