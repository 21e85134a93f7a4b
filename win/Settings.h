#pragma once
// The per-user settings store on Windows: the registry, under the application and section
// Tokimori (HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Tokimori\Tokimori), one
// string value per key.

#include <string>

#include "base/RunError.h"

namespace tokimori {

// The text stored under key, or the default when nothing is stored there.
std::string GetReg(const std::string& key, const std::string& defaultValue);

// Stores value under key; a store that cannot be written is error 70.
Status SetReg(const std::string& key, const std::string& value);

// The registry key that holds them, below HKEY_CURRENT_USER.
inline constexpr wchar_t kSettingsKey[] =
    L"Software\\VB and VBA Program Settings\\Tokimori\\Tokimori";

} // namespace tokimori
