#pragma once
// One photo's step of the date-setting run, shared by the window's run and the command line:
// the file's own time of day, the Exif read and rewrite, the file times and the log line.

#include <string>

#include "base/Messages.h"
#include "base/RunError.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"
#include "filetime/FileDate.h"
#include "filetime/LocalTime.h"

namespace tokimori {

struct DateRunOptions {
    LocalDateTime date;      // the date to set (year, month, day)
    LocalDateTime timeOfDay; // the time of day to set (hour, minute, second)
    bool keepTime = false;   // keep each photo's own time of day
    bool matchDate = false;  // only texts whose date equals matchDay
    LocalDateTime matchDay;
    bool dryRun = false; // find what would change; change nothing
};

// "yyyy:mm:dd hh:mm:ss", or "yyyy:mm:dd" when keeping the time of day.
std::string NewDateTextOf(const DateRunOptions& o);
// "yyyy:mm:dd" in match mode, else empty.
std::string FilterDateOf(const DateRunOptions& o);

struct PhotoStepResult {
    std::string fileTimeText;    // the file's own last-write time of day, "hh:mm:ss"
    ExifInfo before;             // what the reader found before the change (texts for the log)
    FileTimes timesBefore;       // the file's times before the change
    DatePlan plan;               // what the writer rewrote (or would rewrite, in a dry run)
    LocalDateTime newFileTime;   // the local time the file gets when it changes
    std::string newEmbeddedDate; // DateTimeOriginal as it stands afterwards
    Status times;                // setting the file's times, when the photo changed
    bool logged = false;

    // A photo is changed when any of its date texts was rewritten.
    bool changed() const { return !plan.writes.empty(); }
};

// " [パス-" path "] [埋込日付-" date "] [ファイル日付-" file date "]"
std::string LogTextOf(const std::string& path, const std::string& exifDate,
                      const std::string& fileDate);

class DateRunStep {
  public:
    // logFolder empty: no log and no journal. A log line that cannot be written is reported
    // through report. The journal of the run goes beside the log (made at the first change).
    DateRunStep(DateRunOptions options, std::string logFolder, MessageSink report);

    // The journal written by this run, empty while nothing changed.
    const std::string& journalPath() const { return journalUsed_ ? journalPath_ : empty_; }
    // The log written by this run, empty while nothing was logged.
    const std::string& logPath() const { return logPath_; }

    // Reads and rewrites folder + name (folder ends in a separator); summary receives what the
    // reader found before the change. A changed photo gets its file times and a log line; a
    // failure to set its times is in the result, not an error. Errors (the file cannot be read
    // or written, the log cannot be named) end the run.
    Result<PhotoStepResult> process(const std::string& folder, const std::string& name,
                                    ExifSummary& summary);

  private:
    DateRunOptions options_;
    std::string newText_;
    std::string filter_;
    std::string logFolder_;
    MessageSink report_;
    std::string journalPath_;
    bool journalUsed_ = false;
    std::string logPath_;
    std::string empty_;
};

} // namespace tokimori
