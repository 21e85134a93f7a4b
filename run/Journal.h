#pragma once
// The undo journal of a run: for every changed photo its path, its times before the run, and
// for each rewritten text its offset, old bytes and new bytes. One line per photo, handed to the
// operating system before the photo is changed, so that a run cut off by a crash can still be
// undone. Journals lie beside the day's log and are removed with it.

#include <string>
#include <vector>

#include "base/RunError.h"
#include "exif/ExifWriter.h"
#include "filetime/FileDate.h"
#include "filetime/LocalTime.h"

namespace tokimori {

struct JournalRecord {
    std::string path;
    FileTimes before;
    std::vector<DateWrite> writes;
};

// "Date20061206-140322-1234.journal": the day of its log, the time the run started, the process.
std::string JournalNameFor(const LocalDateTime& started, long processId);
// Whether name is a journal of the day whose log is Date + date8 + ".log".
bool IsJournalOf(const std::string& name, const std::string& date8);

// One record as one line: "photo", the path, the times, each write, "end". Bytes that could
// break the line are written as %XX.
std::string FormatJournalRecord(const JournalRecord& r);

// Appends one record with a single write and closes the file.
Status AppendJournalRecord(const std::string& journalPath, const JournalRecord& r);

// The complete records of a journal; a last line cut short (a crash while writing) is left out.
Result<std::vector<JournalRecord>> ReadJournal(const std::string& journalPath);

enum class UndoAnswer { Restored, WouldRestore, ChangedSince };

// Puts a photo back as the record says: only when every rewritten text still holds the new
// bytes; then the old bytes and the old times. dryRun only checks.
Result<UndoAnswer> UndoPhoto(const JournalRecord& r, bool dryRun);

} // namespace tokimori
