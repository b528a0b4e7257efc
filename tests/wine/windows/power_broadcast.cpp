// Says to the running screensaver what Windows says about power, for the Wine tests (Wine itself never
// does): the system going to sleep, waking, and the console display state. The display state comes,
// as from the system, as a pointer to a POWERBROADCAST_SETTING, so the setting is first written into
// the screensaver's own memory.
//
//   power_broadcast.exe suspend|resume|displays-off|displays-on|displays-dimmed
//
// Sends WM_POWERBROADCAST to the window of class "Glimmerdale" and waits until it is handled. Exit code
// 0 when it was, 1 when there is no such window or no answer within 10 s, 2 on a bad command line.

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace {

// GUID_CONSOLE_DISPLAY_STATE (the headers only declare it).
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

bool send(HWND window, WPARAM type, LPARAM data) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_POWERBROADCAST, type, data, SMTO_NORMAL, 10000, &result) != 0;
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
    void* copy = VirtualAllocEx(process, nullptr, sizeof setting, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool sent = copy != nullptr &&
                      WriteProcessMemory(process, copy, setting, sizeof setting, nullptr) &&
                      send(window, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(copy));
    if (copy != nullptr) VirtualFreeEx(process, copy, 0, MEM_RELEASE);
    CloseHandle(process);
    return sent;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const HWND window = FindWindowW(L"Glimmerdale", nullptr);
    const wchar_t* what = argc == 2 ? argv[1] : L"";
    if (std::wcscmp(what, L"suspend") == 0) return window && send(window, PBT_APMSUSPEND, 0) ? 0 : 1;
    if (std::wcscmp(what, L"resume") == 0) return window && send(window, PBT_APMRESUMEAUTOMATIC, 0) ? 0 : 1;
    const wchar_t* states[] = {L"displays-off", L"displays-on", L"displays-dimmed"};
    for (DWORD state = 0; state < 3; ++state)
        if (std::wcscmp(what, states[state]) == 0) return window && sendDisplayState(window, state) ? 0 : 1;
    return 2;
}
