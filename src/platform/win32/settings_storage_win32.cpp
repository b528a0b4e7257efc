// The settings key in the current user's registry. The store's "folder" is the key's path below
// HKEY_CURRENT_USER; the values are REG_DWORDs, each opened, read or written and closed on its own.

#include <windows.h>

#include "platform/settings_storage.h"
#include "platform/win32/wide_text_win32.h"

namespace platform {
namespace {

constexpr char kDefaultKeyPath[] = "Software\\Vantorel\\Glimmerdale";
constexpr char kRootName[] = "HKEY_CURRENT_USER\\";

// Closes a registry key when it goes out of scope.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool open(const std::wstring& path, REGSAM access) {
        return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, access, &key_) == ERROR_SUCCESS;
    }
    bool create(const std::wstring& path) {
        return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_SET_VALUE, nullptr, &key_, nullptr) == ERROR_SUCCESS;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

SettingsStorage::SettingsStorage(std::string folder, const SettingsFileFormat& format)
    : folder_(std::move(folder)), format_(&format) {
    if (!folder_.empty()) path_ = kRootName + folder_;
}

bool SettingsStorage::keyExists() const {
    if (folder_.empty()) return false;
    RegistryKey key;
    return key.open(win32::widen(folder_), KEY_QUERY_VALUE);
}

bool SettingsStorage::readDword(const std::string& name, std::uint32_t& value) const {
    if (folder_.empty()) return false;
    RegistryKey key;
    if (!key.open(win32::widen(folder_), KEY_QUERY_VALUE)) return false;
    // Four bytes of whatever type; a longer or shorter value is not a DWORD.
    std::uint32_t data = 0;
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), win32::widen(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        size != sizeof data || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ)
        return false;
    value = data;
    return true;
}

bool SettingsStorage::writeDwords(const std::vector<DwordValue>& values) {
    if (folder_.empty()) return false;
    RegistryKey key;
    if (!key.create(win32::widen(folder_))) return false;
    bool allStored = true;
    for (const DwordValue& entry : values) {
        const DWORD data = entry.value;
        allStored = RegSetValueExW(key.get(), win32::widen(entry.name).c_str(), 0, REG_DWORD,
                                   reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS &&
                    allStored;
    }
    return allStored;
}

std::string settingsFolder(const std::string& overrideFolder) {
    return overrideFolder.empty() ? std::string(kDefaultKeyPath) : overrideFolder;
}

}  // namespace platform
