// Looks at the screensaver's dialogs from another process, for the Wine tests of Configure mode.
//
//   dialog_probe controls CAPTION
//       Waits up to 20 s for a dialog with exactly this caption and describes it and its controls,
//       one line each, fields separated by tabs:
//         dialog  <self> <owner> <visible>
//         control <id> <kind> <x> <y> <width> <height> <enabled> <state> <text>
//       Rectangles are pixels of the dialog's client area (the font and the dialog units are the
//       dialog's own process's to know; the toolkit test checks them). Kinds: frame, list, checkbox,
//       radio, label, slider, button, picture, or "other <class> <style>" for anything else (a check
//       box that is not automatic, a slider with tick marks). States: checked or unchecked; a
//       slider's "<position> of <min>..<max>"; a list's "<selected> of <items>"; a picture's
//       "bitmap" or "empty"; "-" otherwise.
//   dialog_probe host SCREENSAVER
//       Stands in for the display settings page: opens a window, starts "SCREENSAVER /c:<window>",
//       waits for the options dialog, clicks its Show FPS box, closes the dialog through its system
//       menu's Close (what the close box does) and waits for the screensaver to end. Prints
//         host <window>
//         dialog <self> owner <owner>
//         ended <exit code>            or: still running
//
// Exit code 0 when the dialog was found (and, for host, the screensaver ended), 1 otherwise, 2 on a
// bad command line.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kFindLimitMilliseconds = 20000;
constexpr DWORD kEndLimitMilliseconds = 15000;
constexpr wchar_t kOptionsCaption[] = L" Options";
constexpr int kShowFpsId = 1008;

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length > 1 ? length - 1 : 0), '\0');
    if (length > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &result[0], length, nullptr, nullptr);
    return result;
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

unsigned long number(HWND window) {
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window) & 0xFFFFFFFFu);
}

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

HWND waitForDialog(const wchar_t* caption) {
    const DWORD start = GetTickCount();
    for (;;) {
        const HWND dialog = FindWindowW(L"#32770", caption);
        if (dialog != nullptr || GetTickCount() - start > kFindLimitMilliseconds) return dialog;
        pumpFor(50);
    }
}

std::string kindOf(HWND control) {
    const std::wstring name = className(control);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (lstrcmpiW(name.c_str(), L"Button") == 0) {
        switch (style & BS_TYPEMASK) {
            case BS_GROUPBOX:
                return "frame";
            case BS_AUTOCHECKBOX:
                return "checkbox";
            case BS_AUTORADIOBUTTON:
                return "radio";
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                return "button";
            default:
                break;
        }
    } else if (lstrcmpiW(name.c_str(), L"ComboBox") == 0) {
        if ((style & 3) == CBS_DROPDOWNLIST) return "list";
    } else if (lstrcmpiW(name.c_str(), L"Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_LEFT) return "label";
        if ((style & SS_TYPEMASK) == SS_BITMAP) return "picture";
    } else if (lstrcmpiW(name.c_str(), TRACKBAR_CLASSW) == 0) {
        if ((style & TBS_NOTICKS) && !(style & TBS_VERT)) return "slider";
    }
    char other[128];
    std::snprintf(other, sizeof other, "other %s %08lx", utf8(name).c_str(),
                  static_cast<unsigned long>(style));
    return other;
}

std::string stateOf(HWND control, const std::string& kind) {
    char state[64] = "-";
    if (kind == "checkbox" || kind == "radio") {
        return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "checked" : "unchecked";
    } else if (kind == "slider") {
        std::snprintf(state, sizeof state, "%ld of %ld..%ld",
                      static_cast<long>(SendMessageW(control, TBM_GETPOS, 0, 0)),
                      static_cast<long>(SendMessageW(control, TBM_GETRANGEMIN, 0, 0)),
                      static_cast<long>(SendMessageW(control, TBM_GETRANGEMAX, 0, 0)));
    } else if (kind == "list") {
        std::snprintf(state, sizeof state, "%ld of %ld",
                      static_cast<long>(SendMessageW(control, CB_GETCURSEL, 0, 0)),
                      static_cast<long>(SendMessageW(control, CB_GETCOUNT, 0, 0)));
    } else if (kind == "picture") {
        return SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0 ? "bitmap" : "empty";
    }
    return state;
}

int describe(const wchar_t* caption) {
    const HWND dialog = waitForDialog(caption);
    if (dialog == nullptr) {
        std::printf("no dialog\n");
        return 1;
    }
    std::printf("dialog\t%lu\t%lu\t%d\n", number(dialog), number(GetWindow(dialog, GW_OWNER)),
                IsWindowVisible(dialog) ? 1 : 0);
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        RECT box;
        GetWindowRect(control, &box);
        const std::string kind = kindOf(control);
        if (kind == "list")
            SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&box));
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        std::printf("control\t%d\t%s\t%ld\t%ld\t%ld\t%ld\t%d\t%s\t%s\n", GetDlgCtrlID(control), kind.c_str(),
                    box.left, box.top, box.right - box.left, box.bottom - box.top,
                    IsWindowEnabled(control) ? 1 : 0, stateOf(control, kind).c_str(),
                    utf8(windowText(control)).c_str());
    }
    return 0;
}

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

int host(const wchar_t* screensaver) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = L"GlimmerdaleSettingsPage";
    RegisterClassExW(&windowClass);
    const HWND page = CreateWindowExW(0, windowClass.lpszClassName, L"Settings page", WS_POPUP | WS_VISIBLE,
                                      0, 0, 200, 150, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (page == nullptr) return 2;
    std::printf("host %lu\n", number(page));
    std::fflush(stdout);

    std::wstring commandLine = L"\"" + std::wstring(screensaver) + L"\" /c:" + std::to_wstring(number(page));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(screensaver, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &child)) {
        std::printf("could not start the screensaver (error %lu)\n", GetLastError());
        return 2;
    }
    const HWND dialog = waitForDialog(kOptionsCaption);
    int result = 1;
    if (dialog != nullptr) {
        std::printf("dialog %lu owner %lu\n", number(dialog), number(GetWindow(dialog, GW_OWNER)));
        std::fflush(stdout);
        SendMessageW(GetDlgItem(dialog, kShowFpsId), BM_CLICK, 0, 0);
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        const DWORD start = GetTickCount();
        DWORD waited = WAIT_TIMEOUT;
        while (waited != WAIT_OBJECT_0 && GetTickCount() - start < kEndLimitMilliseconds) {
            waited = WaitForSingleObject(child.hProcess, 20);
            pumpFor(0);
        }
        if (waited == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(child.hProcess, &exitCode);
            std::printf("ended %lu\n", exitCode);
            result = 0;
        } else {
            std::printf("still running\n");
        }
    } else {
        std::printf("no dialog\n");
    }
    TerminateProcess(child.hProcess, 3);  // nothing when it has ended
    std::fflush(stdout);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    DestroyWindow(page);
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"controls") return describe(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"host") return host(argv[2]);
    std::fprintf(stderr, "usage: dialog_probe controls CAPTION | dialog_probe host SCREENSAVER\n");
    return 2;
}
