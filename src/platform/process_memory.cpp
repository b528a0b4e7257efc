#include "platform/process_memory.h"

#include <fstream>
#include <string>

namespace platform {

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) != 0) continue;
        try {
            return std::stol(line.substr(6));
        } catch (...) {
            return 0;
        }
    }
    return 0;
}

}  // namespace platform
