#include <windows.h>

#include "platform/files.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {

bool canOpenForReading(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    const HANDLE file =
        CreateFileW(win32::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;  // folders need FILE_FLAG_BACKUP_SEMANTICS: never opened
    CloseHandle(file);
    return true;
}

}  // namespace platform
