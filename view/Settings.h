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

// A setting that is on or off: its key, and what it is when nothing (or no flag) is stored.
struct FlagKey {
    const char* key;
    bool defaultOn;
};
// The file menu's 「XMP・IPTCの日付も合わせる」 (view/Commands): off at first start.
inline constexpr FlagKey kAllCopiesKey{"AllCopies", false};
// The file menu's 「写真と動画をすべて表示」 (view/Commands): off at first start.
inline constexpr FlagKey kAllKindsKey{"AllKinds", false};

// A flag as the store keeps it, "True" or "False"; and back: "True" and "1" are on, "False"
// and "0" off (letters in any case, blanks around them left out); anything else is the default.
std::string FlagText(bool on);
bool FlagSetting(const FlagKey& key, const std::string& stored);

// A number as the store keeps it: its decimal text (1215, -2400.5).
std::string SettingText(double value);

// A stored window value as a number; error 13 (type mismatch) when the text is not a finite
// number, 6 (overflow) when it is too large for a window (beyond a billion twips).
Result<float> SettingNumber(const std::string& text);

} // namespace tokimori
