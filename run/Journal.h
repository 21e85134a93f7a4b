#pragma once
// The undo journal of a run: a header, then one record per photo the run is about to change,
// each on a line of its own that ends in its length and checksum, so that a cut or damaged line
// is recognised. Records are handed to the disk before the photos they describe change; once a
// batch of photos has changed and reached the disk, a line says so and names the photos of the
// batch the run left alone after all.
//
//   TOKIMORI-JOURNAL 3 <TAB> kind=set <TAB> started=<unix s> <TAB> pid=<n> <TAB> seq=<n>
//       <TAB> folder=<path> <TAB> #<length>:<crc32>
//   photo <TAB> at=<unix ns> <TAB> path=<absolute path> <TAB> dev=<n> <TAB> ino=<n>
//       <TAB> size=<n> <TAB> m=<s.ns> <TAB> a=<s.ns> <TAB> c=<s.ns> [<TAB> born=<s.ns>]
//       [<TAB> to=<s.ns>] [<TAB> w:<tag hex>:<offset>:<old hex>:<new hex>]...
//       <TAB> #<length>:<crc32>
//   done <TAB> at=<unix ns> <TAB> changed=<n> [<TAB> left=<dev>:<ino>[,<dev>:<ino>]...]
//       <TAB> #<length>:<crc32>
//   undone <TAB> at=<unix ns> <TAB> #<length>:<crc32>     (an undo put every photo back)
//
// <length> counts the bytes before " #" (the tab excluded); <crc32> (IEEE, 8 hex digits) is
// over the same bytes. Paths are written with %XX for bytes below 0x20, 0x7F and "%". Journals
// of version 2 (no seq, no born, no done lines) are read as well.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/AppendFile.h"
#include "base/FileTimes.h"
#include "base/RunError.h"
#include "exif/ExifWriter.h"
#include "filetime/LocalTime.h"

namespace tokimori {

struct JournalHeader {
    std::string kind;    // "set", "shift", "filetime"
    int64_t started = 0; // when the run began, seconds since 1970 UTC
    long processId = 0;
    std::string folder; // where the run worked (its first folder or path)
    // The run's place among the journals of its folder, one more than the highest there when
    // it began: the order of runs whatever the clock said (0: a journal that has none).
    uint64_t sequence = 0;
};

struct JournalRecord {
    int64_t changedAt = 0; // when the photo was changed, ns since 1970 UTC, taken under its lock
    std::string path;      // absolute
    FileIdentity identity;
    uint64_t size = 0;
    FileTimes before;                 // the photo's times before the run
    std::optional<FileInstant> after; // the time the run gives the photo, if it sets one
    std::vector<DateWrite> writes;    // the texts the run writes, old and new bytes
    // Read back only: a later line of the journal says the run left the photo alone after all
    // (it changed under the run, or the run stopped before it).
    bool left = false;
};

// A batch of photos changed and handed to the disk: how many changed, and which of the batch's
// journaled photos the run left alone (by identity: a run does each file once).
struct JournalDone {
    int64_t at = 0; // ns since 1970 UTC
    size_t changed = 0;
    std::vector<FileIdentity> left;
};

// "Date20061206-140322-1234.journal": the day of its log, the time the run started, the process;
// a second journal of the same process in the same second gets "-2" and so on before ".journal".
std::string JournalNameFor(const LocalDateTime& started, long processId, int sequence = 1);
// Whether a name is one the program gives its journals; date8 receives its day (yyyyMMdd).
bool IsJournalName(const std::string& name, std::string* date8 = nullptr);

std::string FormatJournalHeader(const JournalHeader& h);
std::string FormatJournalRecord(const JournalRecord& r);
std::string FormatJournalDone(const JournalDone& d);

// A journal being written in folder: made at its first record (exclusively, never through a
// symbolic link, readable by its owner only) and named for the header's start and process.
// Records wait in memory until written (a batch of them with one write); sync() hands them to
// the disk. A failed write leaves the journal at its last whole record.
class JournalWriter {
  public:
    JournalWriter(std::string folder, JournalHeader header)
        : folder_(std::move(folder)), header_(std::move(header)) {}

    // A record waiting to be written.
    void add(const JournalRecord& r);
    // Writes the waiting records; written receives how many of them are in the journal whole
    // (all of them unless it fails).
    Status write(size_t& written);
    // The line that a batch reached the disk, written at once (handed to the disk with the next
    // batch's records, or at close).
    Status done(const JournalDone& d);
    Status sync();
    Status close();

    const std::string& path() const { return path_; }
    bool used() const { return file_.has_value(); }

  private:
    Status create();

    std::string folder_;
    std::string path_;
    JournalHeader header_;
    std::optional<AppendFile> file_;
    std::vector<std::string> waiting_;
    size_t records_ = 0;
    bool dirty_ = false;
    bool pendingFolderSync_ = false;
};

struct JournalLineProblem {
    size_t line = 0;    // 1-based
    std::string reason; // "cut short", "checksum does not match", "not a record", …
};

struct JournalContents {
    std::optional<JournalHeader> header;
    std::vector<JournalRecord> records;
    std::vector<JournalLineProblem> problems;
    // The last line was cut short at the end of the file (a run stopped while appending it):
    // its photo was never changed, so it is told apart from a damaged line.
    bool cutAtEnd = false;
    // An undo put every photo of the run back (ns since 1970; 0: not undone).
    int64_t undoneAt = 0;
};

// Notes at the end of a journal that an undo put every photo of its run back.
Status MarkJournalUndone(const std::string& path, int64_t at);

// Parses a journal's bytes; every line is checked on its own.
JournalContents ParseJournal(const std::string& bytes);

// Reads and parses the journal at path (error 53 when it cannot be read).
Result<JournalContents> ReadJournal(const std::string& path);

// A journal in a folder, for choosing a run to undo.
struct JournalInfo {
    std::string path;
    JournalHeader header; // from the journal's first line (kind empty when unreadable)
    size_t records = 0;   // photos the run journaled
    size_t problems = 0;  // lines that cannot be read
    bool undone = false;  // an undo put every photo back
};

// The journals of folder, newest run first (by their sequence numbers, then by name); only
// names the program gives its journals.
std::vector<JournalInfo> ListJournals(const std::string& folder);

// Journals are kept for kJournalDays days, and the newest kJournalRuns (by sequence, so a clock
// once set back cannot make the latest runs look old) whatever their age; older ones are
// removed. Only regular files with names the program gives its journals are touched. Answers
// the sequence number of the next run's journal.
inline constexpr int kJournalDays = 30;
inline constexpr size_t kJournalRuns = 20;
uint64_t PruneJournals(const std::string& folder, int64_t now);

} // namespace tokimori
