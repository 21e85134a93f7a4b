#include "view/RunReport.h"

#include "exif/DateCopies.h"
#include "run/OperationLog.h"
#include "view/Commands.h"
#include "view/InfoPanel.h"
#include "view/Names.h"
#include "view/Reasons.h"

namespace tokimori {

namespace {

// What differs between the window's runs.
struct CommandTexts {
    const char* again;        // asks to start the command again
    const char* refusedAtEnd; // photos it leaves alone, named together at the end ("": each in a
                              // box of its own)
    const char* partlyAtEnd;  // changed photos with texts it left as they were ("": not told)
    bool runButtonCount;      // one changed photo is told only in folder or match mode when the
                              // last photo's DateTime was not rewritten
};

const CommandTexts& TextsOf(RunCommand c) {
    static const CommandTexts setDates{"再度、「 埋込日付設定実行 」を行って下さい。", "", "",
                                       true};
    static const CommandTexts shift{
        "再度、「日時をずらす」を行って下さい。",
        "次の写真の日付は正しい日時でないか、ずらすと範囲を外れるため、変更しませんでした。",
        "次の写真の日付のうち、正しい日時でないもの（ずらすと範囲を外れるものを含む）はそのままに"
        "しました。",
        false};
    static const CommandTexts fileTime{
        "再度、「ファイル日付を撮影日時に合わせる」を行って下さい。",
        "次の写真には正しい撮影日時（埋込日付）が無いため、ファイル日付を変更しませんでした。", "",
        false};
    return c == RunCommand::SetDates ? setDates : c == RunCommand::Shift ? shift : fileTime;
}

MessageRequest Told(std::string text, MessageIcon icon = MessageIcon::Exclamation) {
    return MessageRequest{std::move(text), kAppTitle, icon, MessageButtons::Ok};
}

std::string Lines(const std::string& head, const std::vector<std::string>& names) {
    std::string out = head;
    for (const std::string& n : names)
        out += "\r\n" + n;
    return out;
}

// Photos named one by one in a closing message about many; the rest are counted.
constexpr size_t kNamedPhotos = 30;

std::string SomeLines(const std::string& head, const std::vector<std::string>& names) {
    if (names.size() <= kNamedPhotos) return Lines(head, names);
    return Lines(head, {names.begin(), names.begin() + kNamedPhotos}) + "\r\nほか " +
           std::to_string(names.size() - kNamedPhotos) + " 件";
}

std::string Which(bool folderMode) {
    return folderMode ? "フォルダ内の写真" : "選択した写真";
}

} // namespace

std::optional<MessageRequest> SetDatesQuestion(bool folderMode, bool keepTime) {
    if (!folderMode || keepTime) return std::nullopt;
    return MessageRequest{"フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                          kAppTitle, MessageIcon::None, MessageButtons::OkCancel};
}

MessageRequest ShiftQuestion(bool folderMode, int count, int64_t seconds,
                             const CameraIdentity* onlyCamera) {
    if (onlyCamera)
        return MessageRequest{Which(folderMode) + " " + std::to_string(count) +
                                  " 件のうち、基準写真と同じカメラ（" + CameraWords(*onlyCamera) +
                                  "）の写真の撮影日時とファイル日付を " + ShiftAmountText(seconds) +
                                  " " + (seconds < 0 ? "戻します" : "進めます") +
                                  "。\r\n別のカメラの写真は変更しません。\r\nよろしいですか？",
                              kAppTitle, MessageIcon::Question, MessageButtons::OkCancel};
    return MessageRequest{Which(folderMode) + " " + std::to_string(count) +
                              " 件の撮影日時とファイル日付を " + ShiftAmountText(seconds) + " " +
                              (seconds < 0 ? "戻します" : "進めます") + "。\r\nよろしいですか？",
                          kAppTitle, MessageIcon::Question, MessageButtons::OkCancel};
}

MessageRequest FileTimeQuestion(bool folderMode, int count) {
    return MessageRequest{Which(folderMode) + " " + std::to_string(count) +
                              " 件のファイル日付を撮影日時に合わせます。\r\nよろしいですか？",
                          kAppTitle, MessageIcon::Question, MessageButtons::OkCancel};
}

MessageRequest NothingToDoMessage() {
    return MessageRequest{kNothingToDo, kRunDoneCaption, MessageIcon::Information,
                          MessageButtons::Ok};
}

std::string ProgressText(int done, int total) {
    return total > 0 ? std::to_string(done) + " / " + std::to_string(total) : std::string();
}

MessageRequest RunErrorMessage(const RunError& e, const std::string& about, int changedBefore) {
    std::string text =
        "Error\r\n実行時エラー:" + std::to_string(e.number) + ":" + e.description + ":";
    // What a user can act on: which photo or file, and that earlier photos already changed.
    if (!about.empty()) text += "\r\n" + about;
    if (changedBefore > 0)
        text += "\r\nこの実行で既に " + std::to_string(changedBefore) +
                " 件の写真を変更しました（ログに記録されています）。";
    if (e.number == err::FileNotFound)
        text += "\r\n処理を強制終了します。ファイル一覧を再表示します。";
    return Told(text, MessageIcon::Critical);
}

RunReport::Now RunReport::photo(const PhotoOutcome& o, const std::string& name) {
    Now now;
    const CommandTexts& texts = TextsOf(command_);
    dateChanged_ = o.plan.dates.DateChanged;
    using R = PhotoOutcome::Result;
    if (o.result == R::Refused && *texts.refusedAtEnd) {
        refused_.push_back(name);
        panel_ = Panel::Redraw;
        return now;
    }
    switch (o.result) {
    case R::Changed:
        ++changed_;
        panel_ = Panel::Redraw;
        if (o.timesError) timesFailed_.push_back(name);
        if (!o.plan.notes.empty() && *texts.partlyAtEnd) partly_.push_back(name);
        if (o.partlySkipped()) unsafe_.push_back(name + "：" + SkippedWords(o.plan.dates.skipped));
        if (!o.plan.copiesLeft.empty() || !o.plan.copiesUnread.empty()) {
            std::string tags;
            for (uint16_t t : o.plan.copiesLeft)
                tags += (tags.empty() ? "" : "、") + std::string(CopyTagName(t));
            for (const std::string& place : o.plan.copiesUnread)
                tags += (tags.empty() ? "" : "、") + place;
            copiesLeft_.push_back(name + "：" + tags);
        }
        if (o.logError) now.messages.push_back(LogFailureMessage(*o.logError));
        break;
    case R::Excluded:
        otherCamera_.push_back(name);
        [[fallthrough]];
    case R::Unchanged:
    case R::Duplicate:
        panel_ = Panel::Redraw;
        break;
    case R::NoExif:
    case R::Skipped:
    case R::Refused: {
        panel_ = Panel::NoDate;
        panelPhoto_ = name;
        std::string text = std::string(kNoDateInfo) + "\r\n" + name + "の更新に失敗しました";
        if (o.result != R::NoExif) text += "\r\n" + RefusalWords(o);
        now.messages.push_back(Told(text, MessageIcon::None));
        break;
    }
    case R::Failed:
        // The run ends here, in its error report.
        endedByPhoto_ = true;
        now.endsRun = true;
        now.refreshList = o.error.number == err::FileNotFound;
        now.messages.push_back(RunErrorMessage(o.error, DisplayName(o.path), changed_));
        break;
    }
    return now;
}

RunReport::End RunReport::finish(const RunSummary& s, const std::string& logFolder) const {
    End end;
    const CommandTexts& texts = TextsOf(command_);
    if (!s.stalePath.empty()) {
        end.messages.push_back(
            Told(std::string("フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。"
                             "\r\n\r\n") +
                 texts.again));
        end.refreshAfter = true;
        return end;
    }
    if (endedByPhoto_) return end; // its error report has been shown
    if (s.stoppedBy) {
        // Stopped by what the run writes beside the photos, or by the disk.
        const std::string about = s.flushFailed ? std::string("写真をディスクに書き込めません")
                                  : s.journalFailed
                                      ? "取り消し用の記録を書き込めません: " +
                                            (s.journalPath.empty() ? logFolder : s.journalPath)
                                      : "ログの書き込み先: " + logFolder;
        end.messages.push_back(RunErrorMessage(*s.stoppedBy, about, changed_));
        end.refreshFirst = s.stoppedBy->number == err::FileNotFound;
        return end;
    }
    if (!timesFailed_.empty())
        end.messages.push_back(
            Told(Lines("次の写真のファイル日付を設定できませんでした。", timesFailed_)));
    if (!refused_.empty()) end.messages.push_back(Told(Lines(texts.refusedAtEnd, refused_)));
    if (!partly_.empty()) end.messages.push_back(Told(Lines(texts.partlyAtEnd, partly_)));
    if (!unsafe_.empty())
        end.messages.push_back(Told(
            Lines("次の写真の日付のうち、位置が安全に書き換えられないものは変更しませんでした。",
                  unsafe_)));
    if (!copiesLeft_.empty())
        end.messages.push_back(Told(
            Lines("次の写真の XMP・IPTC の日付のうち、読み取れないもの、同じ長さの日付に書き換え"
                  "られないものはそのままにしました。",
                  copiesLeft_)));
    if (!otherCamera_.empty())
        end.messages.push_back(
            Told(SomeLines("次の写真は基準写真と別のカメラの写真のため、変更しませんでした。",
                           otherCamera_),
                 MessageIcon::Information));
    const MessageRequest done{"対象のファイル、 " + std::to_string(changed_) +
                                  "件を処理が完了しました。",
                              kRunDoneCaption, MessageIcon::Information, MessageButtons::Ok};
    if (changed_ >= 2 || (changed_ == 1 && !texts.runButtonCount))
        end.messages.push_back(done);
    else if (changed_ == 0)
        end.messages.push_back(NothingToDoMessage());
    else if ((folderMode_ || matchMode_) && !dateChanged_)
        end.messages.push_back(done);
    return end;
}

} // namespace tokimori
