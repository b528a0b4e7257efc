#include "app/configure_mode.h"

#include <cstdio>
#include <cstdlib>

#include "app/screensaver_setup.h"
#include "core/log.h"
#include "core/run_mode.h"
#include "media/media_pack.h"
#include "platform/desktop_setup.h"
#include "settings/options_dialog.h"

void runOptionsDialog(SettingsStore& store, const MediaPack& media, std::uint32_t hostWindow) {
    std::string reason;
    std::unique_ptr<platform::DialogToolkit> toolkit = platform::createDialogToolkit(reason, hostWindow);
    if (!toolkit) {
        std::fprintf(stderr, "Glimmerdale.scr: the options dialog needs a display: %s\n", reason.c_str());
        logLine("Options dialog: no display (", reason, ")");
        setRunMode(RunMode::Quit);
        return;
    }
    // The Linux desktops' screensaver; Windows chooses its screensaver in its own settings page.
    OptionsDialog::ScreensaverSetup setup;
    const platform::DesktopSession session = platform::currentDesktopSession();
    if (session.x11 || session.wayland) {
        // A launcher started from here keeps the settings of this dialog (--config-dir).
        const std::string folder = store.storage().folder();
        const std::string configDir = folder == platform::settingsFolder("") ? "" : folder;
        setup = [configDir, &store](bool use) {
            const DesktopSetupResult result = setUpDesktopScreensaver(use, configDir, store.settings());
            // The desktop's own delay coming first is what the user most needs to hear after "on",
            // and the dialog has one line.
            std::string notice = use && result.done ? desktopDelayNotice(store.settings()) : "";
            if (notice.empty()) return result.summary;
            if (notice.compare(0, 4, "The ") == 0) notice[0] = 't';
            return "On, but " + notice;
        };
    }
    OptionsDialog dialog(store, *toolkit, setup);
    if (!dialog.create()) {
        std::fprintf(stderr, "Glimmerdale.scr: the options dialog could not be created\n");
        logLine("Options dialog: could not be created");
        setRunMode(RunMode::Quit);
        return;
    }
    FileBuffer table = media.readFile(kStringTablePath);
    dialog.applyStringTable(table.data, table.size);
    std::free(table.data);
    dialog.loadControls();
    if (setup) dialog.window()->setText(kIdDesktopStatus, desktopDelayNotice(store.settings()));
    dialog.show();
    dialog.run();
}
