// Says to the running screensaver what Windows says about power, run under Wine by the tests (Wine
// itself never does): the system going to sleep and waking, and the console display state. The
// display state travels, as from the system, as a pointer to a POWERBROADCAST_SETTING, so the
// setting is written into the screensaver's own memory first.
//
//   power_broadcast.exe suspend|resume|displays-off|displays-on|displays-dimmed
//
// Sends WM_POWERBROADCAST to the top-level window of class "Glimmerdale" and waits until it is handled.
// Exit code 0 when it was, 1 when there is no such window or it did not answer within 10 s, 2 on a
// bad command line.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr UINT kAnswerMilliseconds = 10000;
// GUID_CONSOLE_DISPLAY_STATE (the headers only declare it).
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

bool send(HWND window, WPARAM type, LPARAM data) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_POWERBROADCAST, type, data, SMTO_NORMAL, kAnswerMilliseconds,
                               &result) != 0;
}

// The display state 0 (off), 1 (on) or 2 (dimmed), in a setting written into the window's process.
bool sendDisplayState(HWND window, DWORD state) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr) return false;
    unsigned char setting[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
    auto* header = reinterpret_cast<POWERBROADCAST_SETTING*>(setting);
    header->PowerSetting = kConsoleDisplayState;
    header->DataLength = sizeof(DWORD);
    std::memcpy(header->Data, &state, sizeof state);
    void* remote = VirtualAllocEx(process, nullptr, sizeof setting, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    bool sent = false;
    if (remote != nullptr && WriteProcessMemory(process, remote, setting, sizeof setting, nullptr))
        sent = send(window, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote));
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return sent;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: power_broadcast suspend|resume|displays-off|displays-on|displays-dimmed\n");
        return 2;
    }
    const wchar_t* what = argv[1];
    const HWND window = FindWindowW(L"Glimmerdale", nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "power_broadcast: no Glimmerdale window\n");
        return 1;
    }
    bool sent = false;
    if (std::wcscmp(what, L"suspend") == 0) {
        sent = send(window, PBT_APMSUSPEND, 0);
    } else if (std::wcscmp(what, L"resume") == 0) {
        sent = send(window, PBT_APMRESUMEAUTOMATIC, 0);
    } else if (std::wcscmp(what, L"displays-off") == 0) {
        sent = sendDisplayState(window, 0);
    } else if (std::wcscmp(what, L"displays-on") == 0) {
        sent = sendDisplayState(window, 1);
    } else if (std::wcscmp(what, L"displays-dimmed") == 0) {
        sent = sendDisplayState(window, 2);
    } else {
        std::fprintf(stderr, "power_broadcast: unknown message\n");
        return 2;
    }
    return sent ? 0 : 1;
}
