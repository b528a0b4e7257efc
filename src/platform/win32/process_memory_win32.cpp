// The resident size is the process's working set. The C runtime's heap says neither what is in use
// nor what it holds, and has no call that hands freed pages back: the heap reads 0 and
// returnFreedHeapPages does nothing.

#include <windows.h>
// GetProcessMemoryInfo from kernel32 (Windows 7 on) rather than psapi.dll.
#define PSAPI_VERSION 2
#include <psapi.h>

#include "platform/process_memory.h"

namespace platform {

long residentKilobytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return long(counters.WorkingSetSize / 1024);
}

HeapUse heapUse() { return HeapUse{}; }

void returnFreedHeapPages() {}

}  // namespace platform
