#pragma once
// The texts of the file menu's dialogs: moving dates by an offset and undoing a run.

#include <cstdint>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "run/Journal.h"
#include "run/Undo.h"

namespace tokimori {

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
