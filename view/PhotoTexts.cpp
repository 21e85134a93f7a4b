#include "view/PhotoTexts.h"

#include <algorithm>
#include <cmath>

#include "view/Names.h"

namespace tokimori {

std::string PictureFailureWords(PictureFailure why) {
    switch (why) {
    case PictureFailure::NotFound:
        return "ファイルが見つかりません";
    case PictureFailure::NotPermitted:
        return "読み取りが許可されていません";
    case PictureFailure::Unreadable:
        return "ファイルを読み取れません";
    case PictureFailure::CannotOpen:
        return "ファイルを開けません";
    case PictureFailure::UnknownFormat:
        return "画像の形式が分かりません";
    case PictureFailure::Damaged:
        return "画像のデータが壊れています";
    case PictureFailure::CannotLoad:
        return "画像を読み込めません";
    case PictureFailure::ZeroSize:
        return "画像の大きさが 0 です";
    case PictureFailure::GaveUp:
        return "表示をやめました";
    }
    return "画像を読み込めません";
}

std::string PhotoReadFailure(const RunError& e) {
    switch (e.number) {
    case err::FileNotFound:
        return PictureFailureWords(PictureFailure::NotFound);
    case err::PermissionDenied:
        return PictureFailureWords(PictureFailure::NotPermitted);
    case err::DeviceIo:
        return PictureFailureWords(PictureFailure::Unreadable);
    default:
        return PictureFailureWords(PictureFailure::CannotOpen);
    }
}

std::string UnreadablePhotoText(const std::string& path, const std::string& why) {
    return "写真を表示できません。\r\n" + DisplayName(path) + "\r\n(" + why + ")";
}

std::string UnreadablePhotoNote(const std::string& why) {
    return "写真を表示できません\n(" + why + ")";
}

std::optional<Rect> ExifThumbnailCut(int width, int height, int naturalWidth, int naturalHeight) {
    if (width <= 0 || height <= 0 || naturalWidth <= 0 || naturalHeight <= 0 ||
        width > kMaxExifThumbnailSide || height > kMaxExifThumbnailSide)
        return std::nullopt;
    const double want = static_cast<double>(naturalWidth) / naturalHeight;
    const double have = static_cast<double>(width) / height;
    if (have > want * 1.5 || have < want / 1.5) return std::nullopt; // another picture's shape
    if (have > want * 1.02) {                                        // bars left and right
        const int w = std::max(1, static_cast<int>(std::lround(height * want)));
        return Rect{(width - w) / 2, 0, w, height};
    }
    if (have < want / 1.02) { // bars above and below
        const int h = std::max(1, static_cast<int>(std::lround(width / want)));
        return Rect{0, (height - h) / 2, width, h};
    }
    return Rect{0, 0, width, height};
}

} // namespace tokimori
