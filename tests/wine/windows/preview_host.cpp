// A stand-in for the display settings' preview area, run under Wine by the preview test: a
// 152 x 112 pop-up window at the top-left corner of the screen. It starts the screensaver with
// "/p <window number>", waits for the preview dialog to appear inside its window, reports what it
// finds there, destroys its window and reports whether the screensaver ended with it.
//
//   preview_host.exe SCREENSAVER WAIT_MILLISECONDS
//
// Prints, one per line:
//   host <window number>
//   dialog <x> <y> <width> <height>        the preview dialog, in the host's client coordinates
//   picture <width> <height> bitmap|none   its picture control and whether it holds a bitmap
//   ended <exit code> after <ms> ms        or: still running after <ms> ms
// Exit code 0 when the screensaver ended within 15 s of the window going away, 1 when it did not,
// 2 on a bad command line or when nothing could be started.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kWidth = 152;
constexpr int kHeight = 112;
constexpr DWORD kEndLimitMilliseconds = 15000;

// The host must answer the messages Windows sends its window while the preview lives in it.
void pumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

HWND findPreviewDialog(HWND host) {
    for (HWND child = GetWindow(host, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        if (std::wstring(className) == L"#32770") return child;
    }
    return nullptr;
}

void reportDialog(HWND host, HWND dialog) {
    RECT box;
    GetWindowRect(dialog, &box);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&box), 2);
    std::printf("dialog %ld %ld %ld %ld\n", box.left, box.top, box.right - box.left, box.bottom - box.top);
    const HWND picture = GetWindow(dialog, GW_CHILD);
    if (picture == nullptr) return;
    RECT size;
    GetWindowRect(picture, &size);
    const bool isBitmap = (GetWindowLongW(picture, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
    const bool holdsOne = SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
    std::printf("picture %ld %ld %s\n", size.right - size.left, size.bottom - size.top,
                isBitmap && holdsOne ? "bitmap" : "none");
}

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_host SCREENSAVER WAIT_MILLISECONDS\n");
        return 2;
    }
    const DWORD wait = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"GlimmerdalePreviewHost";
    RegisterClassExW(&windowClass);
    const HWND host = CreateWindowExW(0, windowClass.lpszClassName, L"Preview host",
                                      WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kWidth, kHeight, nullptr,
                                      nullptr, windowClass.hInstance, nullptr);
    if (host == nullptr) return 2;
    const unsigned long number = static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(host) & 0xFFFFFFFFu);
    std::printf("host %lu\n", number);
    std::fflush(stdout);

    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\" /p " + std::to_wstring(number);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &child)) {
        std::printf("could not start the screensaver (error %lu)\n", GetLastError());
        return 2;
    }

    const DWORD start = GetTickCount();
    HWND dialog = nullptr;
    while (dialog == nullptr && GetTickCount() - start < wait) {
        pumpFor(20);
        dialog = findPreviewDialog(host);
    }
    if (dialog != nullptr) {
        pumpFor(500);  // shown and painted
        reportDialog(host, dialog);
    }

    DestroyWindow(host);
    const DWORD gone = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    while (waited != WAIT_OBJECT_0 && GetTickCount() - gone < kEndLimitMilliseconds) {
        waited = WaitForSingleObject(child.hProcess, 20);
        pumpFor(0);
    }
    const DWORD elapsed = GetTickCount() - gone;
    int result = 1;
    if (waited == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(child.hProcess, &exitCode);
        std::printf("ended %lu after %lu ms\n", exitCode, elapsed);
        result = 0;
    } else {
        std::printf("still running after %lu ms\n", elapsed);
        TerminateProcess(child.hProcess, 3);
    }
    std::fflush(stdout);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return result;
}
