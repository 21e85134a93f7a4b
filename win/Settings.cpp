#include "win/Settings.h"

#include <vector>

#include "win/Wide.h"

namespace tokimori {

std::string GetReg(const std::string& key, const std::string& defaultValue) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0, bytes = 0;
    const std::wstring name = W(key);
    std::string out = defaultValue;
    if (RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                             &bytes) == ERROR_SUCCESS)
            out = N(text.data());
    }
    RegCloseKey(k);
    return out;
}

Status SetReg(const std::string& key, const std::string& value) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k,
                        nullptr) != ERROR_SUCCESS)
        return MakeError(err::PermissionDenied, "cannot write the settings");
    const std::wstring text = W(value);
    const LONG done =
        RegSetValueExW(k, W(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
    if (done != ERROR_SUCCESS) return MakeError(err::PermissionDenied, "cannot write " + key);
    return {};
}

} // namespace tokimori
