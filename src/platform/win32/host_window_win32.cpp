// Copies running side by side on Windows agree through named mutexes of the user's session: who
// plays the music, who empties the shared log. Windows has no framework that hands a screensaver a
// window to draw into, so there is no host window backend.

#include <windows.h>

#include "platform/host_window.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {
namespace {

// Mutexes that are held until the process ends: the system closes the handles however it ends,
// so a copy that crashed never keeps the others from taking them.
HANDLE g_musicLock = nullptr;
HANDLE g_logLock = nullptr;

}  // namespace

bool frameworkFlagsApply() { return false; }

std::unique_ptr<VideoBackend> createHostWindowBackend(std::uint32_t /*hostWindow*/) { return nullptr; }

MusicLock lockMusic() {
    if (g_musicLock != nullptr) return MusicLock::Taken;
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\GlimmerdaleMusic");
    if (mutex == nullptr) return MusicLock::NotToBeHad;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return MusicLock::HeldByAnother;
    }
    g_musicLock = mutex;
    return MusicLock::Taken;
}

void shareLogFile(const std::string& path) {
    if (g_logLock != nullptr) return;
    // Created owned by the first copy, which empties the log before the others may go on; the
    // mutex lives while any copy holds it, so a later copy never empties the file under them.
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\GlimmerdaleSharedLog");
    if (mutex == nullptr) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        WaitForSingleObject(mutex, INFINITE);
    } else {
        const HANDLE file = CreateFileW(win32::widen(path).c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            SetEndOfFile(file);  // at the start: empties it
            CloseHandle(file);
        }
    }
    ReleaseMutex(mutex);
    g_logLock = mutex;
}

}  // namespace platform
