// SIGINT and SIGTERM, caught with sigaction.

#include <signal.h>

#include "platform/signals.h"

namespace platform {

void catchTerminationSignals() {
    struct sigaction action = {};
    action.sa_handler = terminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace platform
