#pragma once
// The settings the main window keeps between runs: their keys, their defaults, and what a stored
// text must be to be taken.

#include <string>

#include "base/RunError.h"

namespace tokimori {

// Application and section of every setting.
inline constexpr char kSettingsApplication[] = "Tokimori";
inline constexpr char kSettingsSection[] = "Tokimori";

struct SettingKey {
    const char* key;
    double defaultNumber; // the window values
};
// Top, left, width and height of the main window's outer bounds (twips), in the order they are
// read and written.
inline constexpr SettingKey kWindowTop{"WTOP", 105};
inline constexpr SettingKey kWindowLeft{"WLEFT", 105};
inline constexpr SettingKey kWindowWidth{"WWidth", 12735};
inline constexpr SettingKey kWindowHeight{"WHeight", 7560};
// The folder shown when the program closed (empty: none).
inline constexpr char kFolderKey[] = "DefPath";

// A number as the store keeps it: its decimal text (1215, -2400.5).
std::string SettingText(double value);

// A stored window value as a number; error 13 (type mismatch) when the text is not a finite
// number, 6 (overflow) when it is too large for a window (beyond a billion twips).
Result<float> SettingNumber(const std::string& text);

} // namespace tokimori
