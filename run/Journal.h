#pragma once
// The undo journal of a run: a header, then one record per photo the run is about to change,
// each on a line of its own that ends in its length and checksum, so that a cut or damaged line
// is recognised. Records are handed to the disk before the photos they describe change.
//
//   TOKIMORI-JOURNAL 2 <TAB> kind=set <TAB> started=<unix s> <TAB> pid=<n> <TAB> folder=<path>
//       <TAB> #<length>:<crc32>
//   photo <TAB> at=<unix ns> <TAB> path=<absolute path> <TAB> dev=<n> <TAB> ino=<n>
//       <TAB> size=<n> <TAB> m=<s.ns> <TAB> a=<s.ns> <TAB> c=<s.ns> <TAB> to=<s.ns>
//       [<TAB> w:<tag hex>:<offset>:<old hex>:<new hex>]... <TAB> #<length>:<crc32>
//
// <length> counts the bytes before " #" (the tab excluded); <crc32> (IEEE, 8 hex digits) is
// over the same bytes. Paths are written with %XX for bytes below 0x20, 0x7F and "%".

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
};

struct JournalRecord {
    int64_t changedAt = 0; // when the photo was changed, ns since 1970 UTC, taken under its lock
    std::string path;      // absolute
    FileIdentity identity;
    uint64_t size = 0;
    FileTimes before;                 // the photo's times before the run
    std::optional<FileInstant> after; // the time the run gives the photo, if it sets one
    std::vector<DateWrite> writes;    // the texts the run writes, old and new bytes
};

// "Date20061206-140322-1234.journal": the day of its log, the time the run started, the process;
// a second journal of the same process in the same second gets "-2" and so on before ".journal".
std::string JournalNameFor(const LocalDateTime& started, long processId, int sequence = 1);
// Whether a name is one the program gives its journals; date8 receives its day (yyyyMMdd).
bool IsJournalName(const std::string& name, std::string* date8 = nullptr);

std::string FormatJournalHeader(const JournalHeader& h);
std::string FormatJournalRecord(const JournalRecord& r);

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
    // One record, written at once.
    Status append(const JournalRecord& r);
    Status sync();
    Status close();

    const std::string& path() const { return path_; }
    bool used() const { return file_.has_value(); }
    size_t records() const { return records_; }

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
};

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
};

// The journals of folder, newest run first; only names the program gives its journals.
std::vector<JournalInfo> ListJournals(const std::string& folder);

// Journals are kept for kJournalDays days, and the newest kJournalRuns whatever their age; older
// ones are removed. Only regular files with names the program gives its journals are touched.
inline constexpr int kJournalDays = 30;
inline constexpr size_t kJournalRuns = 20;
void PruneJournals(const std::string& folder, int64_t now);

} // namespace tokimori
