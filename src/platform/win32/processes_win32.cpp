// The running processes from a Toolhelp snapshot.

#include <windows.h>
#include <tlhelp32.h>

#include <string>

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

namespace {

std::wstring modulePath() {
    // Long enough for any path Windows starts a program from.
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::wstring();
    path.resize(length);
    return path;
}

}  // namespace

// The idle launcher and the desktop set-up, which ask about this user's processes by name, are
// Linux's; Windows starts its screensaver itself.
std::vector<int> ownProcessesNamed(const std::string& /*name*/) { return {}; }
int countOwnProcesses(const std::string& /*name*/) { return 0; }
int stopOwnProcesses(const std::string& /*name*/) { return 0; }
bool stopProcess(int /*pid*/) { return false; }
bool processRunning(int /*pid*/) { return false; }

int ownProcessId() { return int(GetCurrentProcessId()); }

std::string ownProcessName() {
    const std::wstring path = modulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    return win32::narrow(path.c_str() + (slash == std::wstring::npos ? 0 : slash + 1));
}

std::string ownExecutablePath() { return win32::narrow(modulePath().c_str()); }

// A process's name in the list is its file's name, which it cannot change.
bool setOwnProcessName(const std::string& /*name*/) { return false; }

}  // namespace platform
