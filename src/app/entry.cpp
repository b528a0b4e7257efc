#include "app/entry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/configure_mode.h"
#include "app/idle_launcher.h"
#include "app/launch_options.h"
#include "app/model_viewer.h"
#include "app/preview_mode.h"
#include "app/run_screensaver.h"
#include "app/screensaver_setup.h"
#include "app/screensaver_status.h"
#include "app/single_instance.h"
#include "core/log.h"
#include "core/run_mode.h"
#include "media/media_pack.h"
#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/host_window.h"
#include "settings/settings.h"

namespace {

// A copy inside a framework's window runs one per monitor, started in the user's home folder, and the
// installed program is started from menus and other programs' folders: their log goes to the user's
// state folder, one file for all of them.
void openSharedLog() {
    const std::string folder = platform::stateFolder();
    if (folder.empty()) return;
    const std::string path = folder + "/Log.txt";
    platform::shareLogFile(path);
    theLog().open(path, Log::OpenMode::Append);
}

}  // namespace

int runGlimmerdale(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + (argc > 0 ? argc : 0));
    if (arguments.empty()) arguments.push_back(kScreensaverFileName);

    // XScreenSaver's own spellings mean nothing on Windows: there "-fps" is a screensaver switch.
    const bool frameworkFlags = platform::frameworkFlagsApply();
    LaunchOptions options;
    std::string error;
    if (!takeLongOptions(arguments, options, error, frameworkFlags)) {
        std::fprintf(stderr, "Glimmerdale.scr: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(launchOptionsHelp().c_str(), stdout);
        return 0;
    }
    if (!resolveHostWindow(options, frameworkFlags ? std::getenv("XSCREENSAVER_WINDOW") : nullptr, error)) {
        std::fprintf(stderr, "Glimmerdale.scr: %s\n", error.c_str());
        return 2;
    }
    // The desktop's screensaver set-up, its status and the idle launcher are no copy of the
    // screensaver: they keep no Log.txt and never meet the single-instance check.
    if (options.setAsScreensaver || options.unsetAsScreensaver || options.screensaverStatus ||
        options.idleLauncher) {
        // No desktop size: asking for it would start the video system in the resident launcher.
        SettingsStore settings(platform::settingsFolder(options.configDir),
                               [] { return platform::ScreenSize{}; });
        settings.reset();
        settings.load();
        if (options.idleLauncher) return runIdleLauncher(options, settings);
        if (options.screensaverStatus) return runScreensaverStatus(settings.settings());
        return runDesktopSetup(options.setAsScreensaver, options.configDir, settings.settings());
    }
    // A repeatable run's clock moves on by its fixed frame steps (the frame loop steps it), from the
    // --time moment or from now.
    const platform::ClockPace pace =
        options.fixedDt > 0.0 ? platform::ClockPace::Stepped : platform::ClockPace::RealTime;
    platform::LocalTime start = platform::localTime();
    if (options.fixedTime) platform::parseLocalTime(options.timeText, start);
    if (options.fixedTime || pace == platform::ClockPace::Stepped)
        platform::setLocalTimeOverride(start, pace);

    // The build tree's program and the Windows screensaver write Log.txt where they were started.
    if (options.embedded || runsInstalledProgram()) {
        openSharedLog();
    } else {
        theLog().open("Log.txt");
    }
    if (!options.embedded) {
        takeScreensaverProcessName();
        exitWhenAnotherCopyRuns();
    }
    SettingsStore settings(platform::settingsFolder(options.configDir));
    settings.reset();
    settings.load();
    MediaPack media;
    initMediaPack(media);
    std::uint32_t previewParent = 0;
    setRunMode(options.embedded ? RunMode::Run
                                : parseCommandLine(commandLineFromArguments(arguments), previewParent));
    if (currentRunMode() == RunMode::Run) applySettingOverrides(options, settings.settings());

    // "/c:<window>": the display settings page that asked for the dialog.
    if (currentRunMode() == RunMode::Configure) runOptionsDialog(settings, media, previewParent);
    if (currentRunMode() == RunMode::Run) {
        if (options.viewModel.empty())
            runScreensaver(settings, options, media);
        else
            runModelViewer(settings, options, media, options.viewModel);
    }
    if (currentRunMode() == RunMode::Preview) runPreviewMode(previewParent);
    return 1;
}
