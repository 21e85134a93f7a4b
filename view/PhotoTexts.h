#pragma once
// What the windows say about a photo they cannot show, and how an embedded Exif thumbnail is
// made to stand for its photo: the same words and rules in both faces.

#include <optional>
#include <string>

#include "base/RunError.h"
#include "view/Geometry.h"

namespace tokimori {

// Why a photo's picture cannot be shown.
enum class PictureFailure {
    NotFound,      // "ファイルが見つかりません"
    NotPermitted,  // "読み取りが許可されていません"
    Unreadable,    // "ファイルを読み取れません": a read failed
    CannotOpen,    // "ファイルを開けません"
    UnknownFormat, // "画像の形式が分かりません"
    Damaged,       // "画像のデータが壊れています"
    CannotLoad,    // "画像を読み込めません"
    ZeroSize,      // "画像の大きさが 0 です"
    GaveUp,        // "表示をやめました": a newer request took its place
};
std::string PictureFailureWords(PictureFailure why);

// Why a photo cannot be opened or read, in a few words.
std::string PhotoReadFailure(const RunError& e);

// The message for a photo that cannot be shown: its path and the reason.
std::string UnreadablePhotoText(const std::string& path, const std::string& why);

// The short note shown in place of a photo that cannot be shown, with the reason.
std::string UnreadablePhotoNote(const std::string& why);

// An embedded thumbnail lies within the Exif segment, which holds at most 64 KiB; a picture
// larger than this on a side is no thumbnail.
inline constexpr unsigned kMaxExifThumbnailBytes = 65536;
inline constexpr int kMaxExifThumbnailSide = 1024;

// The part of an embedded thumbnail (upright, width × height pixels) that shows the photo of
// the upright natural size: cameras pad a 3:2 picture to 4:3 with bars, which are cut away.
// nullopt when it cannot be this photo's (another shape, no size, too large).
std::optional<Rect> ExifThumbnailCut(int width, int height, int naturalWidth, int naturalHeight);

} // namespace tokimori
