#pragma once
// What the main window says about a run: the question before it, the count while it goes, the
// messages of photos as they are done and the messages at its end. Computed from the run's
// outcomes and summary alone; the window shows them in order.

#include <optional>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "run/ClockSync.h"
#include "run/RunLoop.h"

namespace tokimori {

// The window's runs: the run button, and the file menu's two commands.
enum class RunCommand { SetDates, Shift, FileTime };

// The caption of a run's closing messages.
inline constexpr char kRunDoneCaption[] = "処理完了";
inline constexpr char kNothingToDo[] = "変換対象のファイルが存在しませんでした。";

// The run button's question in folder mode without keeping the time (none otherwise).
std::optional<MessageRequest> SetDatesQuestion(bool folderMode, bool keepTime);
// The file menu's questions, naming how many photos the command takes.
// A shift's: with onlyCamera (基準写真から), only that camera's photos move, and it says so.
MessageRequest ShiftQuestion(bool folderMode, int count, int64_t seconds,
                             const CameraIdentity* onlyCamera = nullptr);
MessageRequest FileTimeQuestion(bool folderMode, int count);
// A command with no photo to take (told, instead of asked).
MessageRequest NothingToDoMessage();

// "12 / 340" in the status bar while a run goes; empty when it is over.
std::string ProgressText(int done, int total);

// The error report that ends a run: the error, what it was about (a photo, the journal, the
// log), and how many photos the run had changed already. A missing file (53) also reads the
// list again.
MessageRequest RunErrorMessage(const RunError& e, const std::string& about, int changedBefore);

class RunReport {
  public:
    // matchMode: only photos of a given day (the run button's count rule).
    RunReport(RunCommand command, bool folderMode, bool matchMode)
        : command_(command), folderMode_(folderMode), matchMode_(matchMode) {}

    // How the information panel is left by the photos so far.
    enum class Panel {
        Untouched,
        Redraw, // shows the current selection afresh
        NoDate, // shows kNoDateInfo and the thumbnail of the photo named by panelPhoto()
    };

    // A photo done: the messages to show now (after the window brought its list, count and
    // panel up to the photo), in order. name: the photo's name as shown.
    struct Now {
        std::vector<MessageRequest> messages;
        bool endsRun = false;     // the run ends with this photo's error report
        bool refreshList = false; // the list is read again before the message shows
    };
    Now photo(const PhotoOutcome& o, const std::string& name);

    // The run is over: what is shown at its end, in order.
    struct End {
        std::vector<MessageRequest> messages;
        bool refreshFirst = false; // the list is read again before the messages show
        bool refreshAfter = false; // the list is read again after them, its first photo selected
    };
    End finish(const RunSummary& s, const std::string& logFolder) const;

    Panel panel() const { return panel_; }
    const std::string& panelPhoto() const { return panelPhoto_; }
    int changed() const { return changed_; }
    bool endedByPhoto() const { return endedByPhoto_; }

  private:
    RunCommand command_;
    bool folderMode_;
    bool matchMode_;
    int changed_ = 0;
    bool dateChanged_ = false; // the last photo's DateTime was rewritten
    bool endedByPhoto_ = false;
    Panel panel_ = Panel::Untouched;
    std::string panelPhoto_;
    std::vector<std::string> timesFailed_, refused_, partly_, unsafe_, copiesLeft_, otherCamera_;
};

} // namespace tokimori
