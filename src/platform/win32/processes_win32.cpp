// The running processes from a Toolhelp snapshot.

#include <windows.h>
#include <tlhelp32.h>

#include "platform/processes.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {

bool runningProcessNames(std::vector<std::string>& names) {
    names.clear();
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    if (Process32FirstW(snapshot, &entry)) {
        do {
            // szExeFile is the bare file name, as the process was started.
            names.push_back(win32::narrow(entry.szExeFile));
            entry.dwSize = sizeof entry;
        } while (Process32NextW(snapshot, &entry));
    }
    CloseHandle(snapshot);
    return !names.empty();
}

}  // namespace platform
