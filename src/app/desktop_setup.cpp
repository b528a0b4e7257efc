#include "app/desktop_setup.h"

#include <cstdio>
#include <vector>

#include "app/idle_launcher.h"
#include "platform/desktop_setup.h"
#include "settings/xscreensaver_file.h"

namespace {

const char* const kAppDefaultsPath = "/etc/X11/app-defaults/XScreenSaver";
const char* const kAutostartName = "glimmerdale-idle-launcher.desktop";

// `summary`: the same in a line the options dialog has room for (the message itself when empty).
DesktopSetupResult result(bool done, const std::string& message, const std::string& summary = "") {
    return DesktopSetupResult{done, message, summary.empty() ? message : summary};
}

DesktopSetupResult useXScreenSaver(bool use, const platform::DesktopSession& session) {
    const std::string path = session.home + "/.xscreensaver";
    std::string text;
    const platform::FileRead read = platform::readTextFile(path, text);
    if (read == platform::FileRead::Failed)
        return result(false, path + " cannot be read; it is left as it is.",
                      "Nothing changed: ~/.xscreensaver cannot be read.");
    const bool existed = read == platform::FileRead::Ok;
    if (!existed && !use)
        return result(true, "XScreenSaver does not list Glimmerdale (there is no " + path + ").",
                      "XScreenSaver does not list Glimmerdale.");

    XScreenSaverEdit edit;
    if (use) {
        // XScreenSaver's own list, so that a new file keeps every program it would have offered.
        std::string appDefaults, defaults, why;
        if (platform::readTextFile(kAppDefaultsPath, appDefaults) == platform::FileRead::Ok)
            xscreensaverPreferencesFromDefaults(appDefaults, defaults, why);
        edit = addToXScreenSaverPreferences(text, platform::ownExecutablePath() + " --root", defaults);
    } else {
        edit = removeFromXScreenSaverPreferences(text);
    }
    switch (edit.result) {
        case XScreenSaverEdit::Result::Unparsable:
            return result(false,
                          path + " is left as it is: it does not read as XScreenSaver's preferences (" +
                              edit.message + ").",
                          "Nothing changed: ~/.xscreensaver does not read as XScreenSaver's preferences.");
        case XScreenSaverEdit::Result::Unchanged:
            return result(true,
                          use ? "Glimmerdale is XScreenSaver's screensaver already (" + path + ")."
                              : "XScreenSaver does not list Glimmerdale (" + path + ").",
                          use ? "Glimmerdale is XScreenSaver's screensaver already."
                              : "XScreenSaver does not list Glimmerdale.");
        case XScreenSaverEdit::Result::Changed:
            break;
    }
    const std::string backup = path + ".glimmerdale-backup";
    if (existed && !platform::replaceTextFile(backup, text))
        return result(false,
                      "No backup of " + path + " could be written to " + backup + "; it is left as it is.",
                      "Nothing changed: no backup of ~/.xscreensaver could be written.");
    if (!platform::replaceTextFile(path, edit.text))
        return result(false, path + " could not be written.",
                      "Nothing changed: ~/.xscreensaver could not be written.");
    std::string message = use ? "Glimmerdale is now XScreenSaver's screensaver (" + path + ")."
                              : "Glimmerdale is no longer listed in " + path + ".";
    if (existed) message += " The file as it was is kept in " + backup + ".";
    if (platform::xscreensaverRunning())
        message += platform::restartXScreenSaver() ? " XScreenSaver was restarted to read it."
                                                   : " XScreenSaver reads it the next time it starts.";
    return result(
        true, message,
        use ? "Glimmerdale is now XScreenSaver's screensaver." : "XScreenSaver no longer lists Glimmerdale.");
}

// The desktops known to start XDG autostart entries at log-in.
bool startsAutostartEntries(const std::string& desktop) {
    for (const char* name :
         {"GNOME", "KDE", "XFCE", "LXQt", "LXDE", "MATE", "Cinnamon", "Budgie", "Unity", "Pantheon"})
        if (desktop.find(name) != std::string::npos) return true;
    return false;
}

DesktopSetupResult useIdleLauncher(bool use, const platform::DesktopSession& session,
                                   const std::string& configDir) {
    if (session.configFolder.empty()) return result(false, "There is no home folder to keep the setting in.");
    const std::string entry = session.configFolder + "/autostart/" + kAutostartName;
    if (!use) {
        if (!platform::removeFile(entry))
            return result(false, entry + " could not be removed.",
                          "Nothing changed: the autostart entry stays.");
        const int stopped = platform::stopOwnProcesses(kIdleLauncherProcessName);
        return result(true,
                      "The idle launcher no longer starts at log-in (" + entry + " removed)" +
                          (stopped > 0 ? " and was stopped." : "."),
                      "The idle launcher is off.");
    }
    std::vector<std::string> launcher = {platform::ownExecutablePath(), "--idle-launcher"};
    if (!configDir.empty()) launcher.insert(launcher.end(), {"--config-dir", configDir});
    std::string exec;
    for (const std::string& word : launcher) exec += (exec.empty() ? "" : " ") + word;
    const std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Glimmerdale idle launcher\n"
        "Comment=Starts the Glimmerdale screensaver when the computer is left idle\n"
        "Exec=" +
        exec +
        "\n"
        "Icon=glimmerdale\n"
        "NoDisplay=true\n"
        "Hidden=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    if (!platform::replaceTextFile(entry, text))
        return result(false, entry + " could not be written.",
                      "Nothing changed: no autostart entry could be written.");
    std::string message =
        "The idle launcher starts Glimmerdale when you are idle; it starts at each log-in (" + entry + ")";
    // A launcher running already is started again, so that it takes the idle delay as it is now.
    platform::stopOwnProcesses(kIdleLauncherProcessName);
    message +=
        platform::startDetached(launcher) ? " and runs from now on." : "; it could not be started now.";
    if (!startsAutostartEntries(session.desktop))
        message += " If your desktop does not start autostart entries (sway does not), add \"" + exec +
                   "\" to its start-up commands.";
    return result(true, message,
                  startsAutostartEntries(session.desktop)
                      ? "The idle launcher is on; it starts at each log-in."
                      : "The idle launcher is on; add it to your desktop's start-up commands.");
}

}  // namespace

DesktopSetupResult setUpDesktopScreensaver(bool use, const std::string& configDir) {
    const platform::DesktopSession session = platform::currentDesktopSession();
    if (session.home.empty()) return result(false, "There is no home folder to keep the setting in.");
    if (session.x11 && !session.wayland && session.xscreensaverInstalled)
        return useXScreenSaver(use, session);
    if (!session.x11 && !session.wayland)
        return result(false, "There is no desktop session here (no display).");
    return useIdleLauncher(use, session, configDir);
}

int runDesktopSetup(bool use, const std::string& configDir) {
    const DesktopSetupResult outcome = setUpDesktopScreensaver(use, configDir);
    std::fprintf(outcome.done ? stdout : stderr, "%s%s\n",
                 outcome.done ? "" : "glimmerdale: ", outcome.message.c_str());
    return outcome.done ? 0 : 1;
}
