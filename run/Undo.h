#pragma once
// Undoing runs from their journals. Every record is checked against the photo as it is now and
// put back only where that is safe: the same file (device, inode and size), date texts the Exif
// engine itself finds in it, each holding the run's new bytes (or already its old ones). Nothing
// else is ever written. Records of several journals are undone together, newest change first,
// so that overlapping runs come apart exactly; an undo that was cut off can simply run again.

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
    NotAJpeg,       // the file is no JPEG photo
    NoSuchDateText, // the journal names a place that is no date text of the photo
    Unreadable,     // a date text could not be read
    TextChanged,    // a date text holds neither the run's bytes nor the old ones
    MixedRuns,      // the texts hold dates of different runs
    TimeChanged,    // the file's time was changed since the run, by something else
    AnotherFile,    // another file stands under the journaled name
};

struct UndoOutcome {
    enum class Result {
        Restored,     // texts and/or times put back
        WouldRestore, // (dry run) they would be put back
        AsBefore,     // the photo already is as before the run (also: journaled, never changed)
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

// What undoing one record would do to the photo as it is now (read through photo): which texts
// go back to their old bytes, and whether the times go back. Nothing is decided by the journal
// alone: the photo must be a JPEG and each text a date text the engine finds in it, holding the
// run's new bytes or its old ones. earlier are the records of older runs over the same file
// undone with it: a text already holding one of their old bytes went back beyond this run.
struct UndoPlan {
    enum class Verdict { Restore, AsBefore, Refuse } verdict = Verdict::AsBefore;
    UndoRefusal refusal = UndoRefusal::None; // for Refuse
    uint16_t changedTag = 0;                 // TextChanged: the tag of the text
    std::string reason;                      // for Refuse
    std::vector<const DateWrite*> texts;     // to put back, in the record's order
    bool times = false;                      // the times go back to the record's
};
UndoPlan PlanUndo(const JournalRecord& record, ByteReader& photo, const PhotoNow& now,
                  const std::vector<const JournalRecord*>& earlier = {});

// Undoes every record of the journals. done receives each photo's outcome as it is decided.
UndoSummary UndoJournals(const std::vector<std::string>& journals, bool dryRun,
                         const std::function<void(const UndoOutcome&)>& done);

// Undoes one record against the photo it names (earlier: as for PlanUndo).
UndoOutcome UndoRecord(const JournalRecord& record, bool dryRun,
                       const std::vector<const JournalRecord*>& earlier = {});

} // namespace tokimori
