#include "app/screensaver_setup.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/idle_launcher.h"
#include "app/single_instance.h"
#include "platform/clock.h"
#include "platform/desktop_setup.h"
#include "platform/folders.h"
#include "platform/launcher_service.h"
#include "platform/processes.h"
#include "settings/command_quoting.h"
#include "settings/settings.h"
#include "settings/setup_record.h"
#include "settings/xscreensaver_file.h"

namespace {

const char* const kAppDefaultsPath = "/etc/X11/app-defaults/XScreenSaver";
// Where MATE's and Xfce's screensavers take the programs of their themes from, besides folders of
// their own: a theme whose program lies elsewhere is listed but never runs.
const char* const kSaverFolders[] = {"/usr/libexec/xscreensaver", "/usr/lib/xscreensaver"};
const char* const kMateSchema = "org.mate.screensaver";
const char* const kXfceChannel = "xfce4-screensaver";
const char* const kXfceModeSingle = "2";  // xfce4-screensaver's modes: 0 blank only, 1 random, 2 single
const std::string kOurThemeList = std::string("['") + kScreensaverThemeId + "']";
const std::string kOurXfceThemeList = std::string("[<'") + kScreensaverThemeId + "'>]";
constexpr unsigned kXScreenSaverDefaultSeconds = 600;
constexpr unsigned kMateDefaultMinutes = 5;
constexpr unsigned kXfceDefaultMinutes = 5;
constexpr unsigned kKdeDefaultMinutes = 5;
constexpr int kLauncherAnswerMilliseconds = 2000;
constexpr std::uint32_t kLauncherStartMilliseconds = 10000;
constexpr std::uint32_t kLauncherStopMilliseconds = 5000;

// One part of the set-up: whether it went as asked, and what to tell the user about it.
struct Step {
    bool ok = true;
    std::string message;  // sentences, "" when there is nothing to say
    std::string summary;  // a short line for the options dialog, "" when there is nothing to say
};

Step failed(const std::string& message, const std::string& summary) { return Step{false, message, summary}; }

void append(std::string& text, const std::string& sentence) {
    if (sentence.empty()) return;
    if (!text.empty()) text += ' ';
    text += sentence;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Waits (polling) until `condition` holds; false when it has not after `milliseconds`.
template <typename Condition>
bool waitFor(Condition condition, std::uint32_t milliseconds) {
    const std::uint32_t start = platform::tickCount();
    while (!condition()) {
        if (std::uint32_t(platform::tickCount() - start) >= milliseconds) return false;
        platform::sleepMilliseconds(100);
    }
    return true;
}

// --- Values read from the desktop's settings, in GLib's text form ---

std::optional<unsigned> numberIn(const std::string& printed) {
    // "300", or with its type named: "uint32 300"; a negative number or anything else is none.
    const std::string number =
        printed.substr(printed.rfind(' ') == std::string::npos ? 0 : printed.rfind(' ') + 1);
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return unsigned(std::strtoul(number.c_str(), nullptr, 10));
}

std::optional<unsigned> desktopNumber(const char* schema, const char* key) {
    std::string value;
    if (platform::readDesktopSetting(schema, key, value) == platform::SettingRead::Unavailable)
        return std::nullopt;
    return numberIn(value);
}

std::optional<bool> desktopSwitch(const char* schema, const char* key) {
    std::string value;
    if (platform::readDesktopSetting(schema, key, value) == platform::SettingRead::Unavailable)
        return std::nullopt;
    return value == "true";
}

std::optional<unsigned> xfceNumber(const char* property) {
    std::string value;
    if (platform::readXfconfProperty(kXfceChannel, property, value) != platform::SettingRead::Set)
        return std::nullopt;
    return numberIn(value);
}

// --- The record of what the set-up changed ---

std::string recordPath() {
    const std::string folder = platform::stateFolder();
    return folder.empty() ? "" : folder + "/" + kSetupRecordName;
}

SetupRecord loadRecord() {
    std::string text;
    const std::string path = recordPath();
    if (path.empty() || platform::readTextFile(path, text) != platform::FileRead::Ok) return SetupRecord{};
    return readSetupRecord(text);
}

bool storeRecord(const SetupRecord& record) {
    const std::string path = recordPath();
    if (path.empty()) return false;
    if (record.values.empty()) return platform::removeFile(path);
    return platform::replaceTextFile(path, setupRecordText(record)) == platform::FileWrite::Written;
}

// --- XScreenSaver ---

std::string xscreensaverDefaults() {
    std::string appDefaults, defaults, why;
    if (platform::readTextFile(kAppDefaultsPath, appDefaults) == platform::FileRead::Ok)
        xscreensaverPreferencesFromDefaults(appDefaults, defaults, why);
    return defaults;
}

Step restartedXScreenSaver(const std::string& done) {
    if (!platform::xscreensaverRunning()) return Step{true, done, ""};
    return Step{true,
                done + (platform::restartXScreenSaver() ? " XScreenSaver was restarted to read it."
                                                        : " XScreenSaver reads it the next time it starts."),
                ""};
}

Step setXScreenSaver(const std::string& home, const std::string& program, SetupRecord& record) {
    const std::string path = home + "/.xscreensaver";
    std::string text;
    const platform::FileRead read = platform::readTextFile(path, text);
    if (read == platform::FileRead::Failed)
        return failed(path + " cannot be read; it is left as it is.",
                      "Nothing changed: ~/.xscreensaver cannot be read.");
    const bool existed = read == platform::FileRead::Ok;
    const XScreenSaverPreferences before = readXScreenSaverPreferences(text);
    const XScreenSaverEdit edit = addToXScreenSaverPreferences(text, program, xscreensaverDefaults());
    switch (edit.result) {
        case XScreenSaverEdit::Result::Unparsable:
            return failed(path + " is left as it is: it does not read as XScreenSaver's preferences (" +
                              edit.message + ").",
                          "Nothing changed: ~/.xscreensaver does not read as XScreenSaver's preferences.");
        case XScreenSaverEdit::Result::Unchanged:
            return Step{true, "XScreenSaver starts Glimmerdale already (" + path + " lists and selects it).",
                        "Glimmerdale is XScreenSaver's screensaver already."};
        case XScreenSaverEdit::Result::Changed:
            break;
    }
    // What was selected before, unless it was Glimmerdale already (a second set-up keeps the first's).
    if (!before.parsed || !selectsGlimmerdale(before)) {
        record.eraseAll("xscreensaver.");
        record.values["xscreensaver.set"] = "1";
        const XScreenSaverSelection selection = xscreensaverSelection(before);
        if (selection.mode) record.values["xscreensaver.mode"] = *selection.mode;
        if (selection.selected) record.values["xscreensaver.selected"] = *selection.selected;
        if (!existed) record.values["xscreensaver.created"] = "1";
        if (!storeRecord(record))
            return failed("What " + path + " selects now could not be kept in " + recordPath() +
                              ", so it could not be put back later; the file is left as it is.",
                          "Nothing changed: Glimmerdale's state folder cannot be written.");
    }
    std::string message = "XScreenSaver now starts Glimmerdale: " + path + " lists and selects it.";
    const std::string backup = path + kXScreenSaverBackupSuffix;
    if (existed) {
        std::string kept;
        if (platform::readTextFile(backup, kept) == platform::FileRead::Ok) {
            message += " The file as it was before Glimmerdale first changed it stays in " + backup + ".";
        } else if (platform::createTextFile(backup, text)) {
            message += " The file as it was is kept in " + backup + ".";
        } else {
            return failed(
                "No backup of " + path + " could be written to " + backup + "; it is left as it is.",
                "Nothing changed: no backup of ~/.xscreensaver could be written.");
        }
    }
    switch (platform::replaceTextFile(path, edit.text)) {
        case platform::FileWrite::Written:
            break;
        case platform::FileWrite::NotWritable:
            return failed(path +
                              " may not be written (it is read-only); it is left as it is. Make it "
                              "writable, or add Glimmerdale in XScreenSaver's settings.",
                          "Nothing changed: ~/.xscreensaver is read-only.");
        case platform::FileWrite::Failed:
            return failed(path + " could not be written; it is left as it is.",
                          "Nothing changed: ~/.xscreensaver could not be written.");
    }
    Step step = restartedXScreenSaver(message);
    step.summary = "Glimmerdale is now XScreenSaver's screensaver.";
    return step;
}

Step unsetXScreenSaver(const std::string& home, const SetupRecord& record) {
    const std::string path = home + "/.xscreensaver";
    std::string text;
    const platform::FileRead read = platform::readTextFile(path, text);
    if (read == platform::FileRead::Missing) return Step{};
    if (read == platform::FileRead::Failed)
        return failed(path + " cannot be read; it is left as it is.", "~/.xscreensaver cannot be read.");
    XScreenSaverSelection before;
    before.mode = record.get("xscreensaver.mode");
    before.selected = record.get("xscreensaver.selected");
    const XScreenSaverEdit edit =
        removeFromXScreenSaverPreferences(text, record.has("xscreensaver.set") ? &before : nullptr);
    if (edit.result == XScreenSaverEdit::Result::Unparsable)
        return failed(path + " is left as it is: it does not read as XScreenSaver's preferences (" +
                          edit.message + ").",
                      "~/.xscreensaver does not read as XScreenSaver's preferences.");
    if (edit.result == XScreenSaverEdit::Result::Unchanged) return Step{};
    // A file the set-up made, holding nothing but XScreenSaver's own list again, goes.
    const bool madeByUs = record.has("xscreensaver.created") && edit.text == xscreensaverDefaults();
    if (madeByUs ? !platform::removeFile(path)
                 : platform::replaceTextFile(path, edit.text) != platform::FileWrite::Written)
        return failed(path + " could not be written; it still lists Glimmerdale.",
                      "~/.xscreensaver could not be written.");
    const std::string done =
        madeByUs ? path + ", which Glimmerdale had made, is removed."
                 : "Glimmerdale is no longer listed in " + path +
                       (record.has("xscreensaver.set") ? "; its mode: and selected: are as they were before."
                                                       : ".");
    Step step = restartedXScreenSaver(done);
    step.summary = "XScreenSaver no longer lists Glimmerdale.";
    return step;
}

unsigned xscreensaverTimeout() {
    std::string text;
    unsigned seconds = 0;
    const std::string home = platform::currentDesktopSession().home;
    for (const std::string& path : {home + "/.xscreensaver", std::string(kAppDefaultsPath)}) {
        if (platform::readTextFile(path, text) != platform::FileRead::Ok) continue;
        const XScreenSaverPreferences preferences = readXScreenSaverPreferences(text);
        const XScreenSaverSetting* timeout = preferences.setting("timeout");
        if (timeout && xscreensaverSeconds(timeout->value, seconds)) return seconds;
    }
    return kXScreenSaverDefaultSeconds;
}

// --- MATE's and Xfce's screensavers ---

// Where the package's theme entry lies and whether the program it names may run under MATE's and
// Xfce's screensavers. "" when no data folder holds the entry.
std::string themeEntry(const platform::DesktopSession& session, bool& runnable) {
    runnable = false;
    for (const std::string& folder : session.dataFolders) {
        const std::string entry = folder + "/applications/screensavers/glimmerdale.desktop";
        std::string exec, program;
        std::size_t end = 0;
        if (!platform::readKeyFileValue(entry, "Desktop Entry", "Exec", exec)) continue;
        if (firstShellWord(exec, program, end)) {
            for (const char* saverFolder : kSaverFolders) {
                const std::string prefix = std::string(saverFolder) + "/";
                if (program[0] == '/' ? program.compare(0, prefix.size(), prefix) == 0 &&
                                            program.find('/', prefix.size()) == std::string::npos &&
                                            platform::isExecutableFile(program)
                                      : platform::isExecutableFile(prefix + program))
                    runnable = true;
            }
        }
        return entry;
    }
    return "";
}

Step themeMissing(const char* saver, const platform::DesktopSession& session) {
    bool runnable = false;
    const std::string entry = themeEntry(session, runnable);
    if (!entry.empty() && runnable) return Step{};
    const std::string why =
        entry.empty() ? "no screensavers/glimmerdale.desktop lies in its data folders"
                      : entry +
                            " names a program outside /usr/libexec/xscreensaver and /usr/lib/xscreensaver, "
                            "the only folders it runs theme programs from";
    return failed(std::string(saver) + " cannot run Glimmerdale as one of its themes: " + why +
                      ". Installing Glimmerdale's package puts both in place. Nothing was changed.",
                  std::string("Nothing changed: ") + saver + " does not find Glimmerdale's theme.");
}

Step setMate(const platform::DesktopSession& session, SetupRecord& record) {
    if (Step missing = themeMissing("MATE's screensaver", session); !missing.ok) return missing;
    std::string mode, themes;
    const platform::SettingRead modeRead = platform::readDesktopSetting(kMateSchema, "mode", mode);
    const platform::SettingRead themesRead = platform::readDesktopSetting(kMateSchema, "themes", themes);
    if (modeRead == platform::SettingRead::Unavailable || themesRead == platform::SettingRead::Unavailable)
        return failed("MATE's screensaver runs, but its settings (" + std::string(kMateSchema) +
                          ") are not installed here; nothing was changed.",
                      "Nothing changed: MATE's screensaver settings are missing.");
    Step step{true, "", "Glimmerdale is now MATE's screensaver."};
    if (mode == "'single'" && themes == kOurThemeList) {
        step = Step{true, "MATE's screensaver shows Glimmerdale already.",
                    "Glimmerdale is MATE's screensaver already."};
    } else {
        record.eraseAll("mate.");
        record.values["mate.set"] = "1";
        // An empty value: nobody had set it, and undoing resets it to the default.
        record.values["mate.mode"] = modeRead == platform::SettingRead::Set ? mode : "";
        record.values["mate.themes"] = themesRead == platform::SettingRead::Set ? themes : "";
        if (!storeRecord(record))
            return failed("MATE's screensaver theme could not be kept in " + recordPath() +
                              ", so it could not be put back later; nothing was changed.",
                          "Nothing changed: Glimmerdale's state folder cannot be written.");
        if (!platform::writeDesktopSetting(kMateSchema, "mode", "'single'") ||
            !platform::writeDesktopSetting(kMateSchema, "themes", kOurThemeList))
            return failed(
                "MATE's screensaver settings could not be written (" + std::string(kMateSchema) + ").",
                "MATE's screensaver settings could not be written.");
        step.message = "MATE's screensaver now shows Glimmerdale (" + std::string(kMateSchema) +
                       ": mode 'single', themes " + kOurThemeList + ").";
    }
    if (desktopSwitch(kMateSchema, "idle-activation-enabled") == false)
        append(step.message,
               "MATE's screensaver is not set to start when the computer is idle: turn on \"Activate "
               "screensaver when computer is idle\" in its preferences.");
    return step;
}

Step unsetMate(const SetupRecord& record) {
    std::string mode, themes;
    if (platform::readDesktopSetting(kMateSchema, "mode", mode) == platform::SettingRead::Unavailable ||
        platform::readDesktopSetting(kMateSchema, "themes", themes) == platform::SettingRead::Unavailable ||
        themes.find(kScreensaverThemeId) == std::string::npos)
        return Step{};
    bool restored = true;
    for (const char* key : {"mode", "themes"}) {
        const std::optional<std::string> before = record.get(std::string("mate.") + key);
        restored = (before && !before->empty() ? platform::writeDesktopSetting(kMateSchema, key, *before)
                                               : platform::resetDesktopSetting(kMateSchema, key)) &&
                   restored;
    }
    if (!restored)
        return failed("MATE's screensaver settings could not be written; it may still show Glimmerdale.",
                      "MATE's screensaver settings could not be written.");
    return Step{true,
                std::string("MATE's screensaver no longer shows Glimmerdale; its theme is ") +
                    (record.has("mate.set") ? "as it was before." : "its default again."),
                "MATE's screensaver no longer shows Glimmerdale."};
}

Step setXfce(const platform::DesktopSession& session, SetupRecord& record) {
    if (Step missing = themeMissing("Xfce's screensaver", session); !missing.ok) return missing;
    std::string mode, themes;
    const platform::SettingRead modeRead = platform::readXfconfProperty(kXfceChannel, "/saver/mode", mode);
    const platform::SettingRead themesRead =
        platform::readXfconfProperty(kXfceChannel, "/saver/themes/list", themes);
    if (modeRead == platform::SettingRead::Unavailable || themesRead == platform::SettingRead::Unavailable)
        return failed(
            "Xfce's screensaver runs, but its settings store (xfconf) does not answer; nothing was "
            "changed.",
            "Nothing changed: Xfce's settings store does not answer.");
    Step step{true, "", "Glimmerdale is now Xfce's screensaver."};
    if (mode == kXfceModeSingle && themes == kOurXfceThemeList) {
        step = Step{true, "Xfce's screensaver shows Glimmerdale already.",
                    "Glimmerdale is Xfce's screensaver already."};
    } else {
        record.eraseAll("xfce.");
        record.values["xfce.set"] = "1";
        record.values["xfce.mode"] = mode;  // empty: the property did not exist
        record.values["xfce.themes"] = themes;
        if (!storeRecord(record))
            return failed("Xfce's screensaver theme could not be kept in " + recordPath() +
                              ", so it could not be put back later; nothing was changed.",
                          "Nothing changed: Glimmerdale's state folder cannot be written.");
        if (!platform::writeXfconfProperty(kXfceChannel, "/saver/mode", kXfceModeSingle) ||
            !platform::writeXfconfProperty(kXfceChannel, "/saver/themes/list", kOurXfceThemeList))
            return failed(
                "Xfce's screensaver settings (xfconf channel xfce4-screensaver) could not be written.",
                "Xfce's screensaver settings could not be written.");
        step.message =
            "Xfce's screensaver now shows Glimmerdale (xfconf channel xfce4-screensaver: /saver/mode "
            "2, /saver/themes/list " +
            std::string(kScreensaverThemeId) + ").";
    }
    std::string enabled;
    for (const char* property : {"/saver/enabled", "/saver/idle-activation/enabled"})
        if (platform::readXfconfProperty(kXfceChannel, property, enabled) == platform::SettingRead::Set &&
            enabled == "false")
            append(step.message,
                   std::string("Xfce's screensaver does not start when the computer is idle (") + property +
                       " is off): turn it on in its settings.");
    return step;
}

Step unsetXfce(const SetupRecord& record) {
    std::string mode, themes;
    // The settings store is started to be asked only when the set-up wrote there.
    platform::readXfconfProperty(kXfceChannel, "/saver/themes/list", themes, record.has("xfce.set"));
    if (themes.find(kScreensaverThemeId) == std::string::npos) return Step{};
    bool restored = true;
    const struct {
        const char* key;
        const char* property;
    } properties[] = {{"xfce.mode", "/saver/mode"}, {"xfce.themes", "/saver/themes/list"}};
    for (const auto& property : properties) {
        const std::optional<std::string> before = record.get(property.key);
        restored = (before && !before->empty()
                        ? platform::writeXfconfProperty(kXfceChannel, property.property, *before)
                        : platform::resetXfconfProperty(kXfceChannel, property.property)) &&
                   restored;
    }
    if (!restored)
        return failed("Xfce's screensaver settings could not be written; it may still show Glimmerdale.",
                      "Xfce's screensaver settings could not be written.");
    return Step{true,
                std::string("Xfce's screensaver no longer shows Glimmerdale; its theme is ") +
                    (record.has("xfce.set") ? "as it was before." : "its default again."),
                "Xfce's screensaver no longer shows Glimmerdale."};
}

// --- The idle launcher ---

std::string autostartEntryPath(const platform::DesktopSession& session) {
    return session.configFolder.empty() ? "" : session.configFolder + "/autostart/" + kAutostartEntryName;
}

// How people (and the autostart entry) start this program: "glimmerdale" when that command on the
// PATH runs this very program, as the package installs it; else the program's full path.
std::string commandForPeople(const std::string& program) {
    const std::string onPath = platform::findProgramInPath(kInstalledName);
    if (!onPath.empty()) {
        const std::string folder = onPath.substr(0, onPath.rfind('/'));
        if (platform::sameFile(onPath, program) ||
            platform::sameFile(folder + "/../libexec/xscreensaver/" + kInstalledName, program))
            return kInstalledName;
    }
    return program;
}

std::optional<std::string> statusText(const platform::LauncherStatus& status, const char* key) {
    for (const platform::LauncherStatusEntry& entry : status)
        if (entry.key == key && entry.kind == platform::LauncherStatusEntry::Kind::Text) return entry.text;
    return std::nullopt;
}

int statusProcess(const platform::LauncherStatus& status) {
    for (const platform::LauncherStatusEntry& entry : status)
        if (entry.key == "pid" && entry.kind == platform::LauncherStatusEntry::Kind::Number)
            return int(entry.number);
    return 0;
}

// Ends this session's launcher: the one that answers on the session bus (without a session bus,
// every launcher of this user). True when one was running.
bool stopLauncher() {
    platform::LauncherStatus status;
    switch (platform::askLauncherStatus(status, kLauncherAnswerMilliseconds)) {
        case platform::LauncherQuery::Answered: {
            const int pid = statusProcess(status);
            if (pid <= 0 || !platform::stopProcess(pid)) return false;
            waitFor(
                [pid] {
                    return !platform::processRunning(pid) &&
                           !platform::sessionBusNameOwned(platform::kLauncherBusName);
                },
                kLauncherStopMilliseconds);
            return true;
        }
        case platform::LauncherQuery::NoLauncher:
            return false;
        case platform::LauncherQuery::NoAnswer:
        case platform::LauncherQuery::NoSessionBus:
            break;
    }
    return platform::stopOwnProcesses(kIdleLauncherProcessName) > 0;
}

// Starts the launcher and waits until it answers. The idle source it watches, or nullopt when it
// ended first (or no session bus lets it be asked: then "").
std::optional<std::string> startLauncher(const std::vector<std::string>& arguments) {
    const int pid = platform::startDetached(arguments);
    if (pid <= 0) return std::nullopt;
    std::optional<std::string> source;
    waitFor(
        [&] {
            platform::LauncherStatus status;
            const platform::LauncherQuery query =
                platform::askLauncherStatus(status, kLauncherAnswerMilliseconds);
            if (query == platform::LauncherQuery::Answered && statusProcess(status) == pid)
                source = statusText(status, "idle-source").value_or("");
            else if (query == platform::LauncherQuery::NoSessionBus && platform::processRunning(pid))
                source = "";
            return source.has_value() || !platform::processRunning(pid);
        },
        kLauncherStartMilliseconds);
    return source;
}

// The desktops known to start XDG autostart entries at log-in.
bool startsAutostartEntries(const std::string& desktop) {
    for (const char* name :
         {"GNOME", "KDE", "XFCE", "LXQt", "LXDE", "MATE", "Cinnamon", "Budgie", "Unity", "Pantheon"})
        if (contains(desktop, name)) return true;
    return false;
}

Step setIdleLauncher(const platform::DesktopSession& session, const std::string& program,
                     const std::string& configDir, unsigned delaySeconds) {
    const std::string entry = autostartEntryPath(session);
    if (entry.empty()) return failed("There is no home folder to keep the setting in.", "No home folder.");
    std::vector<std::string> options = {"--idle-launcher"};
    if (!configDir.empty()) options.insert(options.end(), {"--config-dir", configDir});
    std::vector<std::string> command = {commandForPeople(program)};
    command.insert(command.end(), options.begin(), options.end());
    const std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Glimmerdale idle launcher\n"
        "Comment=Starts the Glimmerdale screensaver when the computer is left idle\n"
        "Exec=" +
        desktopEntryExec(command) +
        "\n"
        "Icon=glimmerdale\n"
        "NoDisplay=true\n"
        "Hidden=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    switch (platform::replaceTextFile(entry, text)) {
        case platform::FileWrite::Written:
            break;
        case platform::FileWrite::NotWritable:
            return failed(entry + " may not be written (it is read-only); it is left as it is.",
                          "Nothing changed: the autostart entry is read-only.");
        case platform::FileWrite::Failed:
            return failed(entry + " could not be written.",
                          "Nothing changed: no autostart entry could be written.");
    }
    std::string message = "The idle launcher now starts Glimmerdale after " + durationText(delaySeconds) +
                          " without input; it starts at each log-in (" + entry + ")";
    // A launcher running already is started again, so that it takes the idle delay as it is now.
    stopLauncher();
    std::vector<std::string> started = {program};
    started.insert(started.end(), options.begin(), options.end());
    const std::optional<std::string> source = startLauncher(started);
    std::string shown;
    for (const std::string& word : command) shown += (shown.empty() ? "" : " ") + shellQuoted(word);
    Step step{true, "", ""};
    if (!source) {
        const std::string folder = platform::stateFolder();
        step = failed("", "The idle launcher could not start here; see its log.");
        message += "; but it could not be started now (its log: " +
                   (folder.empty() ? "none" : folder + "/Launcher.txt") +
                   "), so nothing starts Glimmerdale in this session.";
    } else {
        message +=
            " and runs from now on" + (source->empty() ? std::string(".") : ", watching " + *source + ".");
        step.summary = startsAutostartEntries(session.desktop)
                           ? "The idle launcher is on; it starts at each log-in."
                           : "The idle launcher is on; add it to your desktop's start-up commands.";
    }
    if (!startsAutostartEntries(session.desktop))
        message += " If your desktop does not start autostart entries (sway does not), add \"" + shown +
                   "\" to its start-up commands (sway: \"exec " + shown + "\").";
    step.message = message;
    return step;
}

Step unsetIdleLauncher(const platform::DesktopSession& session) {
    const std::string entry = autostartEntryPath(session);
    std::string text;
    const bool hadEntry =
        !entry.empty() && platform::readTextFile(entry, text) != platform::FileRead::Missing;
    if (hadEntry && !platform::removeFile(entry))
        return failed(entry + " could not be removed; the idle launcher still starts at log-in.",
                      "The autostart entry stays.");
    const bool stopped = stopLauncher();
    if (!hadEntry && !stopped) return Step{};
    std::string message = "The idle launcher no longer starts at log-in";
    message += hadEntry ? " (" + entry + " removed)" : "";
    message += stopped ? " and was stopped." : ".";
    return Step{true, message, "The idle launcher is off."};
}

// --- Putting it together ---

DesktopSetupResult resultOf(const std::vector<Step>& steps, const std::string& opening, bool setUp) {
    DesktopSetupResult result{true, opening, ""};
    for (const Step& step : steps) {
        result.done = result.done && step.ok;
        append(result.message, step.message);
        if (!step.summary.empty() && (result.summary.empty() || !step.ok)) result.summary = step.summary;
    }
    if (result.summary.empty())
        result.summary = setUp ? "Glimmerdale is set up." : "Glimmerdale was not set up as the screensaver.";
    return result;
}

DesktopSetupResult setUp(const platform::DesktopSession& session, const std::string& configDir,
                         const Settings& settings) {
    const DesktopFacts facts = gatherDesktopFacts();
    const ScreensaverHost host = chooseScreensaverHost(facts);
    const std::string program = platform::ownExecutablePath();
    if (program.empty() || hasControlCharacters(program))
        return DesktopSetupResult{false,
                                  "The path of this program cannot be written into the desktop's files.",
                                  "Nothing changed: unusual program path."};
    SetupRecord record = loadRecord();
    std::vector<Step> steps;
    unsigned delay = 0;
    std::string where;
    hostDelaySeconds(host, settings, delay, where);
    switch (host) {
        case ScreensaverHost::XScreenSaver:
            steps.push_back(setXScreenSaver(session.home, program, record));
            break;
        case ScreensaverHost::Mate:
            steps.push_back(setMate(session, record));
            break;
        case ScreensaverHost::Xfce:
            steps.push_back(setXfce(session, record));
            break;
        case ScreensaverHost::IdleLauncher:
            steps.push_back(setIdleLauncher(session, program, configDir, delay));
            break;
    }
    // A launcher set up earlier would start Glimmerdale beside the screensaver found now.
    if (host != ScreensaverHost::IdleLauncher && steps.back().ok) steps.push_back(unsetIdleLauncher(session));
    const bool ok = steps.front().ok;
    std::string after;
    if (ok && host != ScreensaverHost::IdleLauncher)
        after = "It starts after " + durationText(delay) + " without input (" + where + ").";
    steps.push_back(Step{true, after, ""});
    for (const std::string& warning : delayWarnings(desktopDelays(facts), delay))
        steps.push_back(Step{true, warning, ""});
    return resultOf(steps, "Found: " + describeFindings(facts, host) + ".", true);
}

DesktopSetupResult undo(const platform::DesktopSession& session) {
    SetupRecord record = loadRecord();
    const std::vector<Step> steps = {unsetXScreenSaver(session.home, record), unsetMate(record),
                                     unsetXfce(record), unsetIdleLauncher(session)};
    bool ok = true, any = false;
    for (const Step& step : steps) {
        ok = ok && step.ok;
        any = any || !step.message.empty();
    }
    // Every value is back: the record of them goes too.
    if (ok) storeRecord(SetupRecord{});
    if (!any)
        return DesktopSetupResult{
            true, "Glimmerdale was not set up as this desktop's screensaver; nothing to undo.",
            "Glimmerdale was not set up as the screensaver."};
    return resultOf(steps, "", false);
}

}  // namespace

ScreensaverHost chooseScreensaverHost(const DesktopFacts& facts) {
    if (facts.xscreensaverRunning) return ScreensaverHost::XScreenSaver;
    if (facts.mateRunning) return ScreensaverHost::Mate;
    if (facts.xfceRunning) return ScreensaverHost::Xfce;
    return ScreensaverHost::IdleLauncher;
}

std::string describeFindings(const DesktopFacts& facts, ScreensaverHost host) {
    switch (host) {
        case ScreensaverHost::XScreenSaver:
            return "an XScreenSaver daemon runs on this display";
        case ScreensaverHost::Mate:
            return "MATE's screensaver (mate-screensaver) runs in this session";
        case ScreensaverHost::Xfce:
            return "Xfce's screensaver (xfce4-screensaver) runs in this session";
        case ScreensaverHost::IdleLauncher:
            break;
    }
    std::string session = facts.desktop.empty() ? "" : facts.desktop + " on ";
    session += facts.wayland ? "Wayland" : facts.x11 ? "X11" : "no display";
    if (facts.xscreensaverInstalled) session += "; XScreenSaver is installed but does not run";
    return "no screensaver runs in this session (" + session + ")";
}

DesktopFacts gatherDesktopFacts() {
    const platform::DesktopSession session = platform::currentDesktopSession();
    DesktopFacts facts;
    facts.x11 = session.x11;
    facts.wayland = session.wayland;
    facts.desktop = session.desktop;
    facts.xscreensaverRunning = platform::xscreensaverRunning();
    facts.xscreensaverInstalled = platform::xscreensaverInstalled();
    facts.mateRunning = platform::sessionBusNameOwned("org.mate.ScreenSaver");
    facts.xfceRunning = platform::sessionBusNameOwned("org.xfce.ScreenSaver");
    return facts;
}

std::string durationText(unsigned seconds) {
    const auto count = [](unsigned n, const char* unit) {
        return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
    };
    if (seconds >= 3600 && seconds % 3600 == 0) return count(seconds / 3600, "hour");
    if (seconds % 60 == 0 && seconds > 0) return count(seconds / 60, "minute");
    if (seconds < 60) return count(seconds, "second");
    return count(seconds / 60, "minute") + " " + count(seconds % 60, "second");
}

std::vector<std::string> delayWarnings(const std::vector<DesktopDelay>& delays, unsigned ourSeconds) {
    std::vector<std::string> warnings;
    for (const DesktopDelay& delay : delays) {
        if (delay.seconds == 0 || delay.seconds > ourSeconds) continue;
        warnings.push_back(delay.who + (delay.effect == DesktopDelay::Effect::Blanks ? " blanks" : " locks") +
                           " the screen after " + durationText(delay.seconds) +
                           (delay.seconds < ourSeconds ? ", before" : ", no later than") + " Glimmerdale's " +
                           durationText(ourSeconds) + ", so Glimmerdale is not seen: make it longer (" +
                           delay.where + ") or Glimmerdale's delay shorter.");
    }
    return warnings;
}

std::string briefDelayWarning(const std::vector<DesktopDelay>& delays, unsigned ourSeconds) {
    for (const DesktopDelay& delay : delays) {
        if (delay.seconds == 0 || delay.seconds > ourSeconds) continue;
        return delay.who + (delay.effect == DesktopDelay::Effect::Blanks ? " blanks" : " locks") + " after " +
               durationText(delay.seconds) + (delay.seconds < ourSeconds ? ", before" : ", as soon as") +
               " Glimmerdale's " + durationText(ourSeconds) + ": change " + delay.setting +
               " or Start after.";
    }
    return "";
}

bool hostDelaySeconds(ScreensaverHost host, const Settings& settings, unsigned& seconds, std::string& where) {
    switch (host) {
        case ScreensaverHost::XScreenSaver:
            seconds = xscreensaverTimeout();
            where = "XScreenSaver's \"Blank after\", timeout: in ~/.xscreensaver";
            return true;
        case ScreensaverHost::Mate: {
            where = "MATE's Screensaver Preferences, \"Regard the computer as idle after\"";
            const std::optional<unsigned> minutes = desktopNumber("org.mate.session", "idle-delay");
            seconds = minutes.value_or(kMateDefaultMinutes) * 60;
            return minutes.has_value();
        }
        case ScreensaverHost::Xfce: {
            where = "Xfce's Screensaver settings, \"Activate screensaver when computer is idle\"";
            const std::optional<unsigned> minutes = xfceNumber("/saver/idle-activation/delay");
            seconds = minutes.value_or(kXfceDefaultMinutes) * 60;
            return minutes.has_value();
        }
        case ScreensaverHost::IdleLauncher:
            seconds = unsigned(settings.idleDelayMinutes) * 60;
            where = "Glimmerdale's options, \"Start after\"";
            return true;
    }
    return false;
}

std::vector<DesktopDelay> desktopDelays(const DesktopFacts& facts) {
    std::vector<DesktopDelay> delays;
    using Effect = DesktopDelay::Effect;
    if (contains(facts.desktop, "GNOME")) {
        const std::optional<unsigned> blank = desktopNumber("org.gnome.desktop.session", "idle-delay");
        if (blank && *blank > 0) {
            delays.push_back(
                {"GNOME", Effect::Blanks, *blank, "Settings, Power, \"Screen Blank\"", "Screen Blank"});
            if (desktopSwitch("org.gnome.desktop.screensaver", "lock-enabled").value_or(false))
                delays.push_back(
                    {"GNOME", Effect::Locks,
                     *blank + desktopNumber("org.gnome.desktop.screensaver", "lock-delay").value_or(0),
                     "Settings, Privacy, Screen Lock, \"Automatic Screen Lock Delay\"", "Screen Lock"});
        }
    }
    if (contains(facts.desktop, "KDE")) {
        const platform::DesktopSession session = platform::currentDesktopSession();
        const std::string file = session.configFolder + "/kscreenlockerrc";
        std::string autolock, timeout;
        const bool locks =
            !platform::readKeyFileValue(file, "Daemon", "Autolock", autolock) || autolock != "false";
        unsigned minutes = kKdeDefaultMinutes;
        if (platform::readKeyFileValue(file, "Daemon", "Timeout", timeout))
            minutes = numberIn(timeout).value_or(kKdeDefaultMinutes);
        if (locks)
            delays.push_back({"KDE", Effect::Locks, minutes * 60,
                              "System Settings, Screen Locking, \"Lock screen automatically\"",
                              "Screen Locking"});
    }
    // The X server's own blanking never comes first: XScreenSaver, MATE and Xfce turn it off while
    // they run, and on X11 the idle launcher takes the server's timer over for its own delay.
    return delays;
}

SetupTraces findSetupTraces() {
    const platform::DesktopSession session = platform::currentDesktopSession();
    SetupTraces traces;
    std::string text;
    if (!session.home.empty() &&
        platform::readTextFile(session.home + "/.xscreensaver", text) == platform::FileRead::Ok)
        traces.xscreensaverSelects = selectsGlimmerdale(readXScreenSaverPreferences(text));
    std::string mode, themes;
    traces.mateSelects =
        platform::readDesktopSetting(kMateSchema, "mode", mode) != platform::SettingRead::Unavailable &&
        platform::readDesktopSetting(kMateSchema, "themes", themes) != platform::SettingRead::Unavailable &&
        mode == "'single'" && themes == kOurThemeList;
    traces.xfceSelects =
        platform::readXfconfProperty(kXfceChannel, "/saver/mode", mode) == platform::SettingRead::Set &&
        platform::readXfconfProperty(kXfceChannel, "/saver/themes/list", themes) ==
            platform::SettingRead::Set &&
        mode == kXfceModeSingle && themes == kOurXfceThemeList;
    themeEntry(session, traces.themeRunnable);
    const std::string entry = autostartEntryPath(session);
    if (!entry.empty() && platform::readTextFile(entry, text) == platform::FileRead::Ok)
        traces.autostartEntry = entry;
    return traces;
}

DesktopSetupResult setUpDesktopScreensaver(bool use, const std::string& configDir, const Settings& settings) {
    const platform::SetupTurn turn;
    const platform::DesktopSession session = platform::currentDesktopSession();
    if (session.home.empty())
        return DesktopSetupResult{false, "There is no home folder to keep the setting in.",
                                  "No home folder."};
    if (!use) return undo(session);
    if (!session.x11 && !session.wayland)
        return DesktopSetupResult{false, "There is no desktop session here (no display).",
                                  "No desktop session."};
    return setUp(session, configDir, settings);
}

DesktopSetupResult setUpXScreenSaverFile(bool use, const std::string& home, const std::string& program) {
    SetupRecord record = loadRecord();
    const Step step = use ? setXScreenSaver(home, program, record) : unsetXScreenSaver(home, record);
    if (!use && step.ok) {
        record.eraseAll("xscreensaver.");
        storeRecord(record);
    }
    return resultOf({step}, "", use);
}

int runDesktopSetup(bool use, const std::string& configDir, const Settings& settings) {
    const DesktopSetupResult outcome = setUpDesktopScreensaver(use, configDir, settings);
    std::fprintf(outcome.done ? stdout : stderr, "%s%s\n",
                 outcome.done ? "" : "glimmerdale: ", outcome.message.c_str());
    return outcome.done ? 0 : 1;
}

std::string desktopDelayNotice(const Settings& settings) {
    const DesktopFacts facts = gatherDesktopFacts();
    const ScreensaverHost host = chooseScreensaverHost(facts);
    unsigned seconds = 0;
    std::string where;
    hostDelaySeconds(host, settings, seconds, where);
    return briefDelayWarning(desktopDelays(facts), seconds);
}
