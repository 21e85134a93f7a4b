#pragma once
// The dialog of 日時をずらす on Windows: which way and how far the photos' dates move, or, with
// 基準写真から, the current photo's true time that gives its camera's clock error; whether the
// selected photos or the whole folder, and a preview of the current photo's shooting date. It
// only asks; the main window runs the photos.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <windows.h>

#include "exif/CameraFields.h"

namespace tokimori {

struct ShiftPhoto {
    std::string name;    // as shown; empty: no current photo
    bool read = false;   // its fields could be read
    CameraFields fields; // its camera and DateTimeOriginal as stored
};
struct ShiftChoice {
    int64_t seconds = 0; // negative: back
    bool folderMode = false;
    bool byReference = false; // only the current photo's camera moves
};
// The controls' identifiers (the tests drive them).
enum ShiftControl : int {
    kOptPlus = 101,
    kOptMinus,
    kTxtDays,
    kTxtHours,
    kTxtMinutes,
    kTxtSeconds,
    kOptSelected,
    kOptFolder,
    kLblPreview,
    kChkReference,
    kLblRefPhoto,
    kDtpTrueDate,
    kDtpTrueTime,
    kLblRefOffset,
};

// Asks; confirm is asked when OK is pressed (false keeps the dialog open). Nothing when the
// dialog was cancelled.
std::optional<ShiftChoice> AskShift(HWND owner, const ShiftPhoto& photo, int selectedCount,
                                    int folderCount, bool folderMode,
                                    const std::function<bool(const ShiftChoice& choice)>& confirm);

} // namespace tokimori
