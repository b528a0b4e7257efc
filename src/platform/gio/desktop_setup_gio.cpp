// The system side of the desktop set-up, over GLib: files, programs, GSettings, Xfce's settings
// store and XScreenSaver's command over the session bus and spawned commands.

#include <errno.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <glib/gstdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "platform/desktop_setup.h"
#include "platform/folders.h"
#include "platform/gio/bus_calls_gio.h"
#include "platform/posix/folders_posix.h"

namespace platform {

namespace {

constexpr int kCallTimeoutMilliseconds = 3000;

// GLib's own objects, released at the end of a scope.
struct Unref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, Unref>;
struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

std::string takeString(gchar* text) {
    const std::string result = text ? text : "";
    g_free(text);
    return result;
}

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

GDBusConnection* sessionBus() {
    // The process-wide connection GLib shares; null (and asked again next time) without a bus.
    static GDBusConnection* bus = nullptr;
    if (!bus) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    return bus;
}

// The file a symbolic link leads to, however many links there are on the way; the path itself when
// it is no link. A link to a file that does not exist yet leads to where that file would be.
std::string linkTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        gchar* target = g_file_read_link(current.c_str(), nullptr);
        if (!target) return current;
        std::string next = target;
        g_free(target);
        if (!g_path_is_absolute(next.c_str())) {
            gchar* folder = g_path_get_dirname(current.c_str());
            next = std::string(folder) + "/" + next;
            g_free(folder);
        }
        current = next;
    }
    return current;
}

// The schema and key, or null when this system has no such setting.
GSettingsSchema* lookUpSchema(const std::string& schema, const std::string& key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* found = source ? g_settings_schema_source_lookup(source, schema.c_str(), TRUE) : nullptr;
    if (found && !g_settings_schema_has_key(found, key.c_str())) {
        g_settings_schema_unref(found);
        found = nullptr;
    }
    return found;
}

std::string printed(GVariant* value) { return takeString(g_variant_print(value, FALSE)); }

GVariant* callXfconf(const char* method, GVariant* parameters, const char* replyType, bool startIt,
                     GError** error) {
    GDBusConnection* bus = sessionBus();
    if (!bus) {
        g_variant_unref(g_variant_ref_sink(parameters));
        return nullptr;
    }
    return g_dbus_connection_call_sync(bus, "org.xfce.Xfconf", "/org/xfce/Xfconf", "org.xfce.Xfconf", method,
                                       parameters, replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                       startIt ? G_DBUS_CALL_FLAGS_NONE : G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                       kCallTimeoutMilliseconds, nullptr, error);
}

}  // namespace

DesktopSession currentDesktopSession() {
    DesktopSession session;
    session.wayland = !posix::environment("WAYLAND_DISPLAY").empty();
    session.x11 = !posix::environment("DISPLAY").empty();
    session.desktop = posix::environment("XDG_CURRENT_DESKTOP");
    session.home = posix::homeFolder();
    const std::string config = posix::environment("XDG_CONFIG_HOME");
    session.configFolder = !config.empty() && config[0] == '/' ? config
                           : session.home.empty()              ? ""
                                                               : session.home + "/.config";
    const std::string dataHome = posix::environment("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome[0] == '/')
        session.dataFolders.push_back(dataHome);
    else if (!session.home.empty())
        session.dataFolders.push_back(session.home + "/.local/share");
    std::string dataDirs = posix::environment("XDG_DATA_DIRS");
    if (dataDirs.empty()) dataDirs = "/usr/local/share:/usr/share";
    gchar** folders = g_strsplit(dataDirs.c_str(), ":", -1);
    for (gchar** folder = folders; *folder; ++folder)
        if (g_path_is_absolute(*folder)) session.dataFolders.push_back(*folder);
    g_strfreev(folders);
    return session;
}

bool xscreensaverRunning() {
    return !posix::environment("DISPLAY").empty() && runQuietly({"xscreensaver-command", "-version"});
}

bool xscreensaverInstalled() { return !findProgramInPath("xscreensaver").empty(); }

bool sessionBusNameOwned(const std::string& name) { return gio::hasOwner(sessionBus(), name.c_str()); }

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

FileWrite replaceTextFile(const std::string& path, const std::string& text) {
    const std::string target = linkTarget(path);
    struct stat before;
    const bool existed = ::stat(target.c_str(), &before) == 0;
    if (existed) {
        // No write permission at all is the owner's "leave it alone", which root would not be told.
        if ((before.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0)
            return FileWrite::NotWritable;
    } else {
        gchar* folder = g_path_get_dirname(target.c_str());
        const bool folderReady = g_mkdir_with_parents(folder, 0700) == 0;
        g_free(folder);
        if (!folderReady) return FileWrite::Failed;
    }
    // A temporary file beside it, synced and renamed over the old one: whole or not at all.
    GError* error = nullptr;
    if (!g_file_set_contents_full(target.c_str(), text.data(), gssize(text.size()),
                                  G_FILE_SET_CONTENTS_CONSISTENT,
                                  existed ? int(before.st_mode & 07777) : 0644, &error)) {
        const bool refused = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_ACCES) ||
                             g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_ROFS) ||
                             g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_PERM);
        g_error_free(error);
        return refused ? FileWrite::NotWritable : FileWrite::Failed;
    }
    return FileWrite::Written;
}

bool createTextFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += std::size_t(n);
    }
    const bool ok = written == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) ::unlink(path.c_str());
    return ok;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

bool isExecutableFile(const std::string& path) {
    return g_file_test(path.c_str(), G_FILE_TEST_IS_EXECUTABLE) &&
           !g_file_test(path.c_str(), G_FILE_TEST_IS_DIR);
}

std::string findProgramInPath(const std::string& name) {
    return takeString(g_find_program_in_path(name.c_str()));
}

bool sameFile(const std::string& first, const std::string& second) {
    struct stat a, b;
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

bool readKeyFileValue(const std::string& path, const std::string& group, const std::string& key,
                      std::string& value) {
    GKeyFile* file = g_key_file_new();
    bool found = false;
    if (g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gchar* text = g_key_file_get_string(file, group.c_str(), key.c_str(), nullptr);
        found = text != nullptr;
        if (found) value = takeString(text);
    }
    g_key_file_free(file);
    return found;
}

SettingRead readDesktopSetting(const std::string& schema, const std::string& key, std::string& value) {
    GSettingsSchema* found = lookUpSchema(schema, key);
    if (!found) return SettingRead::Unavailable;
    GObjectPtr<GSettings> settings(g_settings_new_full(found, nullptr, nullptr));
    g_settings_schema_unref(found);
    VariantPtr user(g_settings_get_user_value(settings.get(), key.c_str()));
    if (user) {
        value = printed(user.get());
        return SettingRead::Set;
    }
    VariantPtr standing(g_settings_get_value(settings.get(), key.c_str()));
    value = printed(standing.get());
    return SettingRead::NotSet;
}

bool writeDesktopSetting(const std::string& schema, const std::string& key, const std::string& value) {
    GSettingsSchema* found = lookUpSchema(schema, key);
    if (!found) return false;
    GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(found, key.c_str());
    GVariant* parsed = g_variant_parse(g_settings_schema_key_get_value_type(schemaKey), value.c_str(),
                                       nullptr, nullptr, nullptr);
    g_settings_schema_key_unref(schemaKey);
    GObjectPtr<GSettings> settings(g_settings_new_full(found, nullptr, nullptr));
    g_settings_schema_unref(found);
    if (!parsed) return false;
    VariantPtr wanted(g_variant_ref_sink(parsed));
    const bool stored = g_settings_set_value(settings.get(), key.c_str(), wanted.get());
    g_settings_sync();
    // A backend that could not keep it (no session bus for dconf) has the old value back by now.
    std::string now;
    return stored && readDesktopSetting(schema, key, now) != SettingRead::Unavailable &&
           now == printed(wanted.get());
}

bool resetDesktopSetting(const std::string& schema, const std::string& key) {
    GSettingsSchema* found = lookUpSchema(schema, key);
    if (!found) return false;
    GObjectPtr<GSettings> settings(g_settings_new_full(found, nullptr, nullptr));
    g_settings_schema_unref(found);
    g_settings_reset(settings.get(), key.c_str());
    g_settings_sync();
    std::string now;
    return readDesktopSetting(schema, key, now) == SettingRead::NotSet;
}

SettingRead readXfconfProperty(const std::string& channel, const std::string& property, std::string& value,
                               bool startStore) {
    value.clear();
    GError* error = nullptr;
    VariantPtr reply(callXfconf("GetProperty", g_variant_new("(ss)", channel.c_str(), property.c_str()),
                                "(v)", startStore, &error));
    if (!reply) {
        gchar* remote = error ? g_dbus_error_get_remote_error(error) : nullptr;
        const bool notFound = remote && std::strcmp(remote, "org.xfce.Xfconf.Error.PropertyNotFound") == 0;
        g_free(remote);
        if (error) g_error_free(error);
        return notFound ? SettingRead::NotSet : SettingRead::Unavailable;
    }
    GVariant* inner = nullptr;
    g_variant_get(reply.get(), "(v)", &inner);
    // With its type named where the text alone would not say it, so that writing it back keeps it.
    value = takeString(g_variant_print(inner, TRUE));
    g_variant_unref(inner);
    return SettingRead::Set;
}

bool writeXfconfProperty(const std::string& channel, const std::string& property, const std::string& value) {
    GVariant* parsed = g_variant_parse(nullptr, value.c_str(), nullptr, nullptr, nullptr);
    if (!parsed) return false;
    VariantPtr reply(callXfconf("SetProperty",
                                g_variant_new("(ssv)", channel.c_str(), property.c_str(), parsed), nullptr,
                                true, nullptr));
    return reply != nullptr;
}

bool resetXfconfProperty(const std::string& channel, const std::string& property) {
    VariantPtr reply(callXfconf("ResetProperty",
                                g_variant_new("(ssb)", channel.c_str(), property.c_str(), FALSE), nullptr,
                                true, nullptr));
    return reply != nullptr;
}

bool restartXScreenSaver() {
    // A daemon that has only just started answers -version before it takes commands: a few tries.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (runQuietly({"xscreensaver-command", "-restart"})) return true;
        g_usleep(G_USEC_PER_SEC);
    }
    return false;
}

int startDetached(const std::vector<std::string>& arguments) {
    std::vector<gchar*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<gchar*>(argument.c_str()));
    argv.push_back(nullptr);
    // Its own session, so it outlives this process and the terminal it was started from.
    auto ownSession = [](gpointer) { ::setsid(); };
    const GSpawnFlags flags =
        GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
    GPid pid = 0;
    if (!g_spawn_async(nullptr, argv.data(), nullptr, flags, ownSession, nullptr, &pid, nullptr)) return 0;
    g_child_watch_add(
        pid, [](GPid ended, gint, gpointer) { g_spawn_close_pid(ended); }, nullptr);
    return int(pid);
}

SetupTurn::SetupTurn() {
    const std::string folder = stateFolder();
    if (folder.empty()) return;
    lock_ = ::open((folder + "/setup.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock_ < 0) return;
    while (::flock(lock_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ::close(lock_);
        lock_ = -1;
        return;
    }
}

SetupTurn::~SetupTurn() {
    if (lock_ >= 0) ::close(lock_);
}

}  // namespace platform
