#include "view/Reasons.h"

namespace tokimori {

std::string SkipReasonWords(SkipReason why) {
    switch (why) {
    case SkipReason::NotAscii:
        return "文字列として記録されていません";
    case SkipReason::CountTooSmall:
        return "長さが足りません";
    case SkipReason::OutsideSegment:
        return "Exif の範囲の外を指しています";
    case SkipReason::OverlapsStructure:
        return "Exif の構造と重なっています";
    case SkipReason::OverlapsDate:
        return "ほかの日付と重なっています";
    case SkipReason::OutOfRange:
        return "新しい日時を記録できる範囲を外れています";
    }
    return "";
}

std::string SkippedWords(const std::vector<SkippedDate>& skipped) {
    std::string out;
    for (const SkippedDate& s : skipped) {
        if (!out.empty()) out += "、";
        out += std::string(DateTagName(s.tag)) + "（" + SkipReasonWords(s.reason) + "）";
    }
    return out;
}

std::string RefusalWords(const PhotoOutcome& o) {
    if (o.result == PhotoOutcome::Result::Skipped) return kUnsafeDates;
    switch (o.refusal) {
    case Refusal::None:
        return "";
    case Refusal::DateOutOfRange:
        return "（設定日時をファイル日付にできないため、変更しませんでした）";
    case Refusal::NotAPhoto:
        return "（日付を変えられる種類のファイルではないため、変更しませんでした）";
    case Refusal::NothingToMove:
        return "（正しい日時でないか、ずらすと範囲を外れるため、変更しませんでした）";
    case Refusal::NoValidDate:
        return "（正しい撮影日時（埋込日付）が無いため、変更しませんでした）";
    case Refusal::TimeNotHeld:
        return "（その日時をファイル日付として保持できないため、変更しませんでした）";
    case Refusal::ChangedMeanwhile:
        return "（実行中に他のプログラムが写真を変更したため、変更しませんでした）";
    case Refusal::OtherCamera:
        return "（基準写真と別のカメラの写真のため、変更しませんでした）";
    }
    return "";
}

std::string UndoRefusalWords(const UndoOutcome& o) {
    if (o.result == UndoOutcome::Result::Failed)
        return "実行時エラー:" + std::to_string(o.error.number) + ":" + o.error.description;
    switch (o.refusal) {
    case UndoRefusal::NotAJpeg:
        return "日付を変えられる種類のファイルではありません";
    case UndoRefusal::NoSuchDateText:
        return "記録された日付の位置がこの写真にありません";
    case UndoRefusal::Unreadable:
        return "日付を読み取れません";
    case UndoRefusal::TextChanged:
        return std::string("実行の後で ") + DateTagName(o.changedTag) + " が変更されています";
    case UndoRefusal::TimeChanged:
        return "実行の後でファイル日付が変更されています";
    case UndoRefusal::AnotherFile:
        return "実行の後で別のファイルに置き換えられています";
    case UndoRefusal::None:
        break;
    }
    return o.reason;
}

} // namespace tokimori
