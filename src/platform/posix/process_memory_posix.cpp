// The resident size from /proc, the heap from the GNU C library's allocator (other C libraries
// report none).

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

HeapUse heapUse() {
    HeapUse use;
#if defined(__GLIBC__)
    // Every arena, the rendering threads' included.
    const struct mallinfo2 info = mallinfo2();
    use.inUseKilobytes = long((info.uordblks + info.hblkhd) / 1024);
    use.heldKilobytes = long((info.arena + info.hblkhd) / 1024);
#endif
    return use;
}

void returnFreedHeapPages() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace platform
