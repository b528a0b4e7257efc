#include "app/single_instance.h"

#include <cstdlib>

#include "core/log.h"
#include "platform/processes.h"

bool findsSecondInstance(const std::vector<std::string>& processNames, const char* fileName) {
    int matches = 0;
    for (const std::string& name : processNames) {
        if (name == fileName) {
            ++matches;
            // Other tools and people's scripts read this line; it keeps the text the program has
            // always written.
            theLog().write("gi gi");
        }
        if (matches > 1) return true;
    }
    return false;
}

bool runsInstalledProgram() { return platform::ownProcessName() == kInstalledName; }

void takeScreensaverProcessName() {
    if (runsInstalledProgram()) platform::setOwnProcessName(kScreensaverFileName);
}

void exitWhenAnotherCopyRuns() {
    std::vector<std::string> names;
    if (!platform::runningProcessNames(names)) return;
    if (findsSecondInstance(names)) std::exit(0);
}
