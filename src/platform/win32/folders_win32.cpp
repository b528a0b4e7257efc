// The folders the program writes its own files to, below the user's local application data.

#include <windows.h>

#include "platform/folders.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {

std::string stateFolder() {
    wchar_t base[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    const std::wstring folder = std::wstring(base) + L"\\Glimmerdale";
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    return win32::narrow(folder.c_str());
}

}  // namespace platform
