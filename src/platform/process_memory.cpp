#include "platform/process_memory.h"

#include <fstream>
#include <string>

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

void mapLargeBlocksApart() {
#if defined(__GLIBC__)
    // A fixed threshold also stops glibc raising it (and the heap's trim threshold with it) each
    // time a large mapped block is freed, as loading does with every decoded picture.
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
#endif
}

}  // namespace platform
