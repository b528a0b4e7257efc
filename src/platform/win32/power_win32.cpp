#include "platform/win32/power_win32.h"

#include <cstring>

namespace platform::win32 {
namespace {

// GUID_CONSOLE_DISPLAY_STATE and GUID_SESSION_DISPLAY_STATUS: both carry a DWORD, 0 off, 1 on,
// 2 dimmed. (Spelt out here: the headers only declare them.)
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kSessionDisplayStatus = {
    0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};
constexpr DWORD kDisplayOn = 1;

bool sameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

void PowerNotifications::listen(HWND window) {
    stop();
    events_ = PowerEvents{};
    registration_ =
        RegisterPowerSettingNotification(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (registration_ == nullptr)
        registration_ =
            RegisterPowerSettingNotification(window, &kSessionDisplayStatus, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void PowerNotifications::stop() {
    if (registration_ != nullptr) UnregisterPowerSettingNotification(registration_);
    registration_ = nullptr;
}

void PowerNotifications::handle(WPARAM type, LPARAM data) {
    switch (type) {
        case PBT_APMSUSPEND:
            events_.noteSystemSleep(true);
            break;
        // Every wake brings the automatic resume; a user's input brings the second as well.
        case PBT_APMRESUMEAUTOMATIC:
        case PBT_APMRESUMESUSPEND:
            events_.noteSystemSleep(false);
            break;
        case PBT_POWERSETTINGCHANGE: {
            const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(data);
            if (setting == nullptr || setting->DataLength < sizeof(DWORD)) break;
            if (!sameGuid(setting->PowerSetting, kConsoleDisplayState) &&
                !sameGuid(setting->PowerSetting, kSessionDisplayStatus))
                break;
            DWORD state = 0;
            std::memcpy(&state, setting->Data, sizeof state);
            // Dimmed counts as off: the system dims the displays a while before it turns them off.
            events_.noteDisplays(state == kDisplayOn);
            break;
        }
        default:
            break;
    }
}

}  // namespace platform::win32
