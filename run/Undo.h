#pragma once
// Undoing runs from their journals. Every record is checked against the photo as it is now and
// put back only where that is safe: the same file (device, inode, birth and size), date texts
// the Exif engine itself finds in it, each holding the run's new bytes (or already its old ones,
// or an older run's old ones). Nothing else is ever written. Records of several journals are
// undone together, newest change first, so that overlapping runs come apart exactly, and so do
// the runs a power cut left half on the disk; an undo that was cut off can simply run again.

#include <functional>
#include <string>
#include <vector>

#include "base/RunError.h"
#include "exif/ByteReader.h"
#include "run/Journal.h"

namespace tokimori {

// Why a record was not undone, for a window to tell in its own words (`reason` says it in
// English, with the details).
enum class UndoRefusal {
    None,
    NotAJpeg,       // the file is of no kind the program re-dates
    NoSuchDateText, // the journal names a place that is no date text of the photo
    Unreadable,     // a date text could not be read
    TextChanged,    // a date text holds neither the run's bytes nor the old ones
    TimeChanged,    // the file's time was changed since the run, by something else
    AnotherFile,    // another file stands under the journaled name
};

struct UndoOutcome {
    enum class Result {
        Restored,     // texts and/or times put back
        WouldRestore, // (dry run) they would be put back
        AsBefore,     // the photo already is as before the run (also: journaled, never changed,
                      // or left alone by the run after all)
        Refused,      // left alone: `reason` says why
        Failed,       // it could not be read or written: `error`
    };
    std::string journal;
    JournalRecord record;
    Result result = Result::AsBefore;
    UndoRefusal refusal = UndoRefusal::None;
    uint16_t changedTag = 0; // TextChanged: the tag of the text
    std::string reason;
    RunError error;
    bool ok() const { return result != Result::Refused && result != Result::Failed; }
};

struct UndoProblem {
    std::string journal;
    size_t line = 0; // 0: the journal as a whole could not be read
    std::string reason;
};

struct UndoSummary {
    size_t restored = 0; // restored, or would be in a dry run
    size_t asBefore = 0;
    size_t refused = 0; // refused or failed
    std::vector<UndoProblem> problems;
    // Journals whose last line was cut off at the end: the run stopped while writing that
    // record, so its photo was never changed. Told, not a failure.
    std::vector<std::string> cutAtEnd;
    bool ok() const { return refused == 0 && problems.empty(); }
};

// What the photo holds now, as the undo of a record sees it.
struct PhotoNow {
    FileInstant modified; // its last-write time
    FileInstant changed;  // its status-change time: equal to the last-write time after a write
};

// The other records of the same file undone with a record: those of older runs, and those of
// newer runs (undone before it).
struct RelatedRecords {
    std::vector<const JournalRecord*> older;
    std::vector<const JournalRecord*> newer;
};

// What undoing one record would do to the photo as it is now (read through photo): which texts
// go back to their old bytes, and whether the times go back. Nothing is decided by the journal
// alone: the photo must be a JPEG and each text a date text the engine finds in it. Each text is
// judged by itself, for a run cut short leaves some texts new and some old: one holding the
// run's new bytes goes back; one holding its old bytes, or an older run's old bytes (a change a
// power cut took away), stays; one that a power cut tore at a disk sector, part one of those and
// part another, goes back while the file's time shows no other hand. The times go back when a
// text does, or when they hold the time of one of the journaled runs over this file (or a write
// was their last change).
struct UndoPlan {
    enum class Verdict { Restore, AsBefore, Refuse } verdict = Verdict::AsBefore;
    UndoRefusal refusal = UndoRefusal::None; // for Refuse
    uint16_t changedTag = 0;                 // TextChanged: the tag of the text
    std::string reason;                      // for Refuse
    std::vector<const DateWrite*> texts;     // to put back, in the record's order
    bool times = false;                      // the times go back to the record's
};
UndoPlan PlanUndo(const JournalRecord& record, ByteReader& photo, const PhotoNow& now,
                  const RelatedRecords& related = {});

// Undoes every record of the journals. done receives each photo's outcome once the photos it
// wrote have reached the disk (a few dozen at a time).
UndoSummary UndoJournals(const std::vector<std::string>& journals, bool dryRun,
                         const std::function<void(const UndoOutcome&)>& done);

} // namespace tokimori
