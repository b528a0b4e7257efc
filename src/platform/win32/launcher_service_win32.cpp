// The idle launcher is Linux's: Windows starts its screensaver itself.

#include "platform/launcher_service.h"

namespace platform {

std::unique_ptr<LauncherName> claimLauncherName(std::function<LauncherStatus()>, LauncherClaim& outcome,
                                                int& holder) {
    outcome = LauncherClaim::NoSessionBus;
    holder = 0;
    return nullptr;
}

LauncherQuery askLauncherStatus(LauncherStatus& status, int) {
    status.clear();
    return LauncherQuery::NoSessionBus;
}

}  // namespace platform
