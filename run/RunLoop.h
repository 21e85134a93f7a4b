#pragma once
// The one run loop: what the window's run and every command-line command that changes photos
// do to each photo. Per photo, one open of the file, locked for the whole step: read what it
// holds, plan the change, journal it, check that the photo is still as planned, write the texts,
// set the times, read both back, hand it to the disk and log the line. A batch of photos at a
// time: their journal records reach the disk before any of them changes, and the photos reach
// the disk (and the journal says so) before the batch is told and their locks are let go, so a
// later run never builds on a change a power cut could still take away. What differs between
// the window and the command line is a RunPolicy.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/FileTimes.h"
#include "base/Messages.h"
#include "base/RunError.h"
#include "exif/ByteReader.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"
#include "filetime/LocalTime.h"

namespace tokimori {

// Why a run left a photo alone.
enum class Refusal {
    None,
    DateOutOfRange, // the date and time cannot be a local time (set)
    NotAPhoto,      // a file without dates whose own time would move is of no kind re-dated (shift)
    NothingToMove,  // no date text of it is a date that can be moved (shift)
    NoValidDate,    // no valid shooting date or DateTime to take the file time from (filetime)
    TimeNotHeld,    // the file system cannot hold the time (a run that only sets times)
    ChangedMeanwhile, // something else changed the photo between its plan and its writes
    OtherCamera,      // not a photo of the camera the run moves (clock); not a failure
};
// The reason in the command line's words.
const char* RefusalText(Refusal why);

// The change a run makes to one photo, planned from what the photo holds now.
struct PhotoPlan {
    DatePlan dates;                     // the texts to rewrite (none for a file-time run)
    std::optional<FileInstant> newTime; // the instant all of the photo's times get, if any
    // No time for the file follows from the new texts (a date before 1601): the file keeps the
    // times it had, which the writes would otherwise move to now.
    bool keepTimes = false;
    Refusal refusal = Refusal::None; // not None: the photo is left alone and reported
    std::vector<std::string> notes;  // what the run left alone in the photo, and why
    // The XMP and IPTC copies of the dates (PlanCopies): those left alone, or whose zone was
    // kept, and why; and the tags of those left alone.
    std::vector<std::string> copyNotes;
    std::vector<uint16_t> copiesLeft;
    std::vector<std::string> copiesUnread; // places not read that may hold copies (FindDateCopies)
};

// What the photo holds when its plan is made.
struct PhotoState {
    ExifSummary summary;
    int32_t entries = 0; // the Exif directory's entry count; 0: no Exif data
    FileTimes times;
    LocalDateTime modifiedLocal; // the last-write time as local time
};

// A kind of run: "set" (the window's run), and others the command line offers.
class RunKind {
  public:
    virtual ~RunKind() = default;
    virtual const char* name() const = 0;                      // the journal's kind
    virtual const char* logKind() const { return "ExifData"; } // the log line's kind word
    virtual PhotoPlan plan(ByteReader& r, const PhotoState& now) const = 0;
};

// The window's date-setting run: each date text gets the chosen date (and time of day, unless
// keeping each photo's own); a changed photo's times become that local date and time (its own
// time of day with keepTime). With matchDate only texts whose date is matchDay change.
struct SetDatesOptions {
    LocalDateTime date;      // year, month, day
    LocalDateTime timeOfDay; // hour, minute, second
    bool keepTime = false;
    bool matchDate = false;
    LocalDateTime matchDay;
    bool allCopies = false; // the XMP and IPTC copies of the dates follow them (PlanCopies)
};
std::unique_ptr<RunKind> MakeSetDates(const SetDatesOptions& o);
// "yyyy:mm:dd hh:mm:ss", or "yyyy:mm:dd" when keeping the time of day.
std::string NewDateTextOf(const SetDatesOptions& o);
// "yyyy:mm:dd" in match mode, else empty.
std::string FilterDateOf(const SetDatesOptions& o);

struct RunPolicy {
    // The window's run ends at a photo that cannot be read or written and reports it; the
    // command line notes it and goes on.
    bool stopAtFirstError = false;
    // Before anything changes, every listed file must still be there (the window's list may be
    // out of date); a missing one ends the run before the first photo.
    bool checkListedFilesExist = false;
    // Plan and report, change nothing, write no journal and no log.
    bool dryRun = false;
};

struct RunRequest {
    std::vector<std::string> targets; // photos, in the order they are done
    std::vector<std::string> listed;  // for checkListedFilesExist: everything the list shows
    std::string logFolder;            // log and journal go here; empty: neither
    std::string where;                // the folder the run works in, for the journal's header
};

struct PhotoOutcome {
    enum class Result {
        Changed,   // texts and/or times changed
        Unchanged, // nothing to change (no date text matched, or no date text at all)
        NoExif,    // no Exif data to change, or its structure could not be walked
        Skipped,   // every date text was stepped over as unsafe to write (see `reason`)
        Refused,   // the kind of run, or the run, left it alone (see `reason`)
        Excluded,  // the kind of run does not take it, by its rule (see `refusal`); no failure
        Duplicate, // the same file was already done in this run (another name, a link)
        Failed,    // it could not be read or written (see `error`)
    };
    size_t index = 0;
    std::string path;
    Result result = Result::Unchanged;
    Refusal refusal = Refusal::None; // Refused, Excluded: why
    std::string reason;              // Refused, Excluded, Skipped, Duplicate: why, in English
    RunError error;

    // Before the change, read through the same handle.
    ExifSummary before;
    int32_t entries = 0;
    FileTimes timesBefore;
    std::string fileDateText; // the general form of the file's last-write time (log line)
    std::string format;       // NoExif: the kind of file it is (FileFormatOf)
    // The plan, and what the photo holds after it (read back from the file; as planned in a
    // dry run).
    PhotoPlan plan;
    ExifSummary after;
    FileTimes timesAfter;
    std::optional<RunError> timesError; // the texts changed but the times could not be set
    std::optional<RunError> logError;   // the photo changed but its log line is lost

    bool changed() const { return result == Result::Changed; }
    // Changed, but with date texts stepped over as unsafe to write (plan.dates.skipped).
    bool partlySkipped() const { return changed() && !plan.dates.skipped.empty(); }
    // A failure the run counts (the command line's exit code 1). A photo without Exif data is
    // not one: it is told, and each face decides how.
    bool failed() const {
        return result == Result::Skipped || result == Result::Refused || result == Result::Failed ||
               partlySkipped() || timesError || logError;
    }
};

struct RunHooks {
    std::function<void(size_t index, size_t total)> progress; // before each photo is read
    std::function<void(const PhotoOutcome&)> photoDone;       // after each photo, in order
};

struct RunSummary {
    size_t changed = 0;
    size_t failed = 0;
    size_t excluded = 0;    // photos the kind of run does not take (another camera)
    size_t logFailures = 0; // changed photos whose log line is lost
    // The run ended early: a listed file gone (stalePath), the log folder unusable, the journal
    // unwritable, photos that could not be handed to the disk (flushFailed), or
    // (stopAtFirstError) a photo that failed. Photos before it stay changed.
    std::optional<RunError> stoppedBy;
    std::string stalePath;
    bool journalFailed = false;
    bool flushFailed = false;
    std::string journalPath; // empty when no journal is there
    std::string logPath;     // the last log written to; empty when none
};

RunSummary RunPhotos(const RunKind& kind, const RunRequest& request, const RunPolicy& policy,
                     const RunHooks& hooks);

// "DateTimeOriginal: overlaps the Exif structure; …": the date texts stepped over, and why.
std::string SkippedText(const std::vector<SkippedDate>& skipped);

// " [パス-" path "] [埋込日付-" date "] [ファイル日付-" file date "]"
std::string LogTextOf(const std::string& path, const std::string& exifDate,
                      const std::string& fileDate);

} // namespace tokimori
