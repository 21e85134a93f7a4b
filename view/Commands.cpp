#include "view/Commands.h"

#include <algorithm>

#include "filetime/LocalTime.h"
#include "run/DateKinds.h"
#include "view/Names.h"
#include "view/Reasons.h"

namespace tokimori {

namespace {
// Photos named one by one in an undo's summary; the rest are counted.
constexpr size_t kNamedRefusals = 30;
} // namespace

ToolbarCommand ToolbarCommandOf(const std::string& key) {
    if (key == "UP") return ToolbarCommand::Up;
    if (key == "PhotoBig") return ToolbarCommand::Viewer;
    if (key == "Help") return ToolbarCommand::Help;
    if (key == "Close") return ToolbarCommand::Close;
    return ToolbarCommand::None;
}

std::string SelectedTargetsText(int count) {
    return "選択した写真（" + std::to_string(count) + " 件）";
}

std::string FolderTargetsText(int count) {
    return "フォルダ内の全ての写真（" + std::to_string(count) + " 件）";
}

std::string ShiftAmountText(int64_t seconds) {
    const int64_t a = seconds < 0 ? -seconds : seconds;
    std::string text;
    if (a / 86400) text += std::to_string(a / 86400) + "日";
    if (a % 86400 / 3600) text += std::to_string(a % 86400 / 3600) + "時間";
    if (a % 3600 / 60) text += std::to_string(a % 3600 / 60) + "分";
    if (a % 60 || text.empty()) text += std::to_string(a % 60) + "秒";
    return text;
}

std::string ShiftPreview(const std::string& name, bool read, const std::string& embeddedDate,
                         int64_t seconds) {
    if (name.empty()) return "写真が選択されていません。";
    if (!read) return name + "\n写真を読み込めません。";
    if (embeddedDate.empty()) return name + "\n撮影日時がありません。";
    const std::string old = PhotoText(embeddedDate);
    if (!ParseDateText(embeddedDate))
        return name + "\n" + old + " は正しい日時ではないため、ずらせません。";
    if (const auto moved = ShiftDateText(embeddedDate, seconds))
        return name + "\n" + old + " → " + PhotoText(*moved);
    return name + "\n" + old + " をずらすと 1 年から 9999 年の範囲を外れます。";
}

std::string CameraWords(const CameraIdentity& camera) {
    std::string text = PhotoText(camera.make);
    if (!camera.model.empty()) {
        if (!text.empty()) text += ' ';
        text += PhotoText(camera.model);
    }
    if (camera.serial) text += "（製造番号 " + PhotoText(*camera.serial) + "）";
    return text;
}

ReferenceTexts ReferenceTextsOf(const std::string& name, bool read, const CameraFields& photo,
                                const std::string& trueTime) {
    ReferenceTexts t;
    if (name.empty()) {
        t.photo = "写真が選択されていません。";
        return t;
    }
    if (!read) {
        t.photo = name + "\n写真を読み込めません。";
        return t;
    }
    const ClockError e = ClockErrorAt(photo, trueTime);
    const std::string shot = PhotoText(photo.dateTimeOriginal);
    switch (e.problem) {
    case ClockProblem::NoCamera:
        t.photo = name + "\nカメラの機種（Make、Model）が記録されていないため、基準にできません。";
        return t;
    case ClockProblem::NoShootingDate:
        t.photo = name + "\n撮影日時がないため、基準にできません。";
        return t;
    case ClockProblem::BadShootingDate:
        t.photo = name + "\n撮影日時 " + shot + " は正しい日時ではないため、基準にできません。";
        return t;
    default:
        break;
    }
    t.usable = true;
    t.photo = name + "\n撮影日時: " + shot + "\nカメラ: " + CameraWords(CameraOf(photo));
    if (!e.ok()) {
        t.offset = "正しい日時を入力してください。";
        return t;
    }
    t.seconds = e.seconds;
    if (e.seconds == 0)
        t.offset = "ずらす量: なし（カメラの時計は合っています）";
    else
        t.offset = "ずらす量: " + ShiftAmountText(e.seconds) + " " +
                   (e.seconds < 0 ? "戻す" : "進める") + "（" + FormatOffset(e.seconds) + "）";
    return t;
}

std::string RunKindWords(const std::string& kind) {
    if (kind == "set") return "日付設定";
    if (kind == "shift") return "日時ずらし";
    if (kind == "filetime") return "ファイル日付";
    return kind.empty() ? "（読み取れません）" : kind;
}

UndoRow UndoRowOf(const JournalInfo& run) {
    UndoRow row;
    const bool read = !run.header.kind.empty();
    row.when = read ? FormatPanelDate(LocalFromUnix(run.header.started)) : std::string();
    row.kind = RunKindWords(run.header.kind);
    row.count = std::to_string(run.records);
    row.folder = DisplayName(run.header.folder);
    row.undone = run.undone;
    if (row.undone) row.kind += kUndoneMark;
    return row;
}

MessageRequest UndoQuestion(const JournalInfo& run) {
    const std::string when = run.header.kind.empty()
                                 ? std::string()
                                 : FormatPanelDate(LocalFromUnix(run.header.started)) + " の";
    return MessageRequest{when + "「" + RunKindWords(run.header.kind) + "」で変更した写真 " +
                              std::to_string(run.records) + " 件を元に戻します。\r\nフォルダ: " +
                              DisplayName(run.header.folder) + "\r\nよろしいですか？",
                          kAppTitle, MessageIcon::Question, MessageButtons::OkCancel};
}

MessageRequest UndoSummaryMessage(const UndoSummary& summary,
                                  const std::vector<UndoOutcome>& notBack) {
    std::vector<std::string> lines;
    lines.push_back("元に戻した写真: " + std::to_string(summary.restored) + " 件");
    lines.push_back("既に元の状態だった写真: " + std::to_string(summary.asBefore) + " 件");
    if (summary.refused > 0) {
        lines.push_back("戻せなかった写真: " + std::to_string(summary.refused) + " 件");
        size_t named = 0;
        for (const UndoOutcome& o : notBack) {
            if (o.ok()) continue;
            if (named++ == kNamedRefusals) {
                lines.push_back("ほか " + std::to_string(summary.refused - kNamedRefusals) + " 件");
                break;
            }
            lines.push_back(DisplayName(o.record.path) + "（" + UndoRefusalWords(o) + "）");
        }
        if (std::any_of(notBack.begin(), notBack.end(), [](const UndoOutcome& o) {
                return o.refusal == UndoRefusal::TextChanged ||
                       o.refusal == UndoRefusal::TimeChanged;
            }))
            lines.push_back("後の実行で変更された写真は、その実行を先に元に戻すと戻せます。");
    }
    size_t badLines = 0;
    bool unread = false;
    for (const UndoProblem& p : summary.problems) {
        if (p.line == 0)
            unread = true;
        else
            ++badLines;
    }
    if (unread) lines.push_back("取り消し用の記録を読み取れません。");
    if (badLines > 0)
        lines.push_back("記録のうち " + std::to_string(badLines) +
                        " 行が読み取れないため、その行の写真は戻していません。");
    if (!summary.cutAtEnd.empty())
        lines.push_back(
            "記録の最後の行は実行の途中で止まったものです（その写真は変更されていません）。");
    std::string text;
    for (const std::string& l : lines)
        text += (text.empty() ? "" : "\r\n") + l;
    return MessageRequest{text, "処理完了",
                          summary.ok() ? MessageIcon::Information : MessageIcon::Exclamation,
                          MessageButtons::Ok};
}

} // namespace tokimori
