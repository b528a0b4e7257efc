#include "app/configure_mode.h"

#include <cstdio>
#include <cstdlib>

#include "core/log.h"
#include "core/run_mode.h"
#include "media/media_pack.h"
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
    OptionsDialog dialog(store, *toolkit);
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
    dialog.show();
    dialog.run();
}
