#include "platform/process_memory.h"

#include <fstream>
#include <string>

// <string> has told by now whether this is the GNU C library, which has malloc_trim.
#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

void returnFreeHeapPages() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace platform
