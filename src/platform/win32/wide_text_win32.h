#pragma once
// UTF-8 (what portable code speaks) to and from UTF-16 (what the wide Win32 calls take).

#include <windows.h>

#include <string>

namespace platform::win32 {

inline std::wstring widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

inline std::string narrow(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string utf8(static_cast<std::size_t>(length - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], length, nullptr, nullptr);
    return utf8;
}

// The module the program's resources live in (the executable).
inline HINSTANCE programInstance() { return GetModuleHandleW(nullptr); }

}  // namespace platform::win32
