#pragma once
// The texts of the file menu's dialogs: moving dates by an offset and undoing a run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "run/ClockSync.h"
#include "run/Journal.h"
#include "run/Undo.h"
#include "view/Settings.h"

namespace tokimori {

// A check item of a menu: its control's name, its caption, and the setting it is remembered by.
struct MenuCheck {
    const char* name;
    const char* caption;
    FlagKey setting;
};
// The file menu's check item: with it, every run of the window (the run button, 日時をずらす)
// changes the XMP and IPTC copies of the dates with them (SetDatesOptions::allCopies,
// ShiftOptions::allCopies). Off at first start, the run button then does what it always did;
// the state is stored when the window closes.
inline constexpr MenuCheck kAllCopiesItem{"mnuAllCopies", "XMP・IPTCの日付も合わせる",
                                          kAllCopiesKey};
// The file menu's check item: with it, the file list offers every photo and movie the program
// re-dates (Listing::Everything: TIFF and camera raw files, HEIC/HEIF, PNG, WebP, MP4, MOV)
// beside the JPEG photos; without it, "*.jpg;*.jpeg" as always. Off at first start; stored
// when the window closes.
inline constexpr MenuCheck kAllKindsItem{"mnuAllKinds", "写真と動画をすべて表示", kAllKindsKey};

// What a tool bar button does, by its key, compared exactly: "UP" goes to the parent folder,
// "PhotoBig" opens the viewer, "Help" the help, "Close" closes the window; any other key nothing.
enum class ToolbarCommand { None, Up, Viewer, Help, Close };
ToolbarCommand ToolbarCommandOf(const std::string& key);

// The shift dialog's captions.
struct ShiftTexts {
    static constexpr char kCaption[] = "日時をずらす";
    static constexpr char kWay[] = "ずらす向き";
    static constexpr char kPlus[] = "進める（＋）";
    static constexpr char kMinus[] = "戻す（－）";
    static constexpr char kAmount[] = "ずらす量";
    static constexpr const char* kUnits[4] = {"日", "時間", "分", "秒"};
    static constexpr char kTargets[] = "対象";
    static constexpr char kPreview[] = "撮影日時（選択中の写真）";
    static constexpr char kReference[] =
        "基準写真から"; // a check: the offset from ReferenceTextsOf
    static constexpr char kTrueTime[] = "正しい日時";
    // The largest number of days an offset can hold and still leave a date in the years 1 to
    // 9999, and the other parts' largest.
    static constexpr int kMost[4] = {3652059, 23, 59, 59};
};
std::string SelectedTargetsText(int count); // "選択した写真（3 件）"
std::string FolderTargetsText(int count);   // "フォルダ内の全ての写真（12 件）"

// The undo dialog's captions.
struct UndoTexts {
    static constexpr char kCaption[] = "元に戻す";
    static constexpr char kRuns[] = "元に戻す実行を選んで下さい。写真の埋込日付とファイル日付が、そ"
                                    "の実行の前の状態に戻ります。";
    static constexpr const char* kColumns[4] = {"日時", "種類", "件数", "フォルダ"};
    static constexpr char kEmpty[] = "元に戻せる実行はありません。";
    static constexpr char kUndo[] = "元に戻す(&U)";
    static constexpr char kClose[] = "閉じる";
};

// "1日2時間3分", "30秒": an offset's size, without its way.
std::string ShiftAmountText(int64_t seconds);

// The shift dialog's preview of the current photo: its shooting date before and after, or why
// there is none. name: the photo's name as shown ("" when none is selected); read: whether it
// could be read; embeddedDate: its DateTimeOriginal as stored.
std::string ShiftPreview(const std::string& name, bool read, const std::string& embeddedDate,
                         int64_t seconds);

// "Canon Canon EOS 40D", with "（製造番号 …）" where the photos hold one: a camera as shown.
std::string CameraWords(const CameraIdentity& camera);

// The shift dialog's 「基準写真から」: the current photo as the reference of its camera's clock,
// and the offset that its true time gives. name: the photo's name as shown ("" when none is
// selected); read: whether its fields could be read; trueTime: "yyyy:mm:dd hh:mm:ss" as typed.
struct ReferenceTexts {
    bool usable = false;            // the photo can be the reference
    std::string photo;              // its name, shooting date and camera; or why it cannot be
    std::string offset;             // the offset its true time gives ("" when unusable)
    std::optional<int64_t> seconds; // that offset, when there is one
};
ReferenceTexts ReferenceTextsOf(const std::string& name, bool read, const CameraFields& photo,
                                const std::string& trueTime);

// "日付設定", "日時ずらし", "ファイル日付": a journal's kind of run.
std::string RunKindWords(const std::string& kind);

// A row of the undo dialog's list: when, what, how many photos, where; and whether the run was
// undone already.
struct UndoRow {
    std::string when, kind, count, folder;
    bool undone = false;
};
UndoRow UndoRowOf(const JournalInfo& run);
// "（元に戻し済み）": the mark of a run that was undone.
inline constexpr char kUndoneMark[] = "（元に戻し済み）";

// The question before an undo, and what the undo did.
MessageRequest UndoQuestion(const JournalInfo& run);
MessageRequest UndoSummaryMessage(const UndoSummary& summary,
                                  const std::vector<UndoOutcome>& notBack);

} // namespace tokimori
