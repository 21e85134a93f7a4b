#pragma once
// Builders of small JPEG files with Exif data, and temporary folders, for the core's tests.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/ByteSource.h"
#include "base/Faults.h"
#include "base/FileTimes.h"
#include "exif/ByteReader.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"
#include "run/Journal.h"
#include "run/RunLoop.h"

namespace tokimori::test {

using Bytes = std::vector<uint8_t>;

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    Bytes
        data; // value bytes: in the value field when 4 or fewer, else stored after the directories
    std::optional<uint32_t> value; // a value field given as is, instead of data
};

TiffEntry Ascii(uint16_t tag, const std::string& text); // count = length + 1, closing 0
TiffEntry AsciiCounted(uint16_t tag, const std::string& bytes, uint32_t count); // bytes as given
TiffEntry Short(uint16_t tag, uint16_t v);
TiffEntry Long(uint16_t tag, uint32_t v);
TiffEntry RawEntry(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField);

// Where build() put the directories (offsets from the TIFF header; 0: absent).
struct TiffLayout {
    uint32_t ifd0 = 0, exif = 0, interop = 0, gps = 0, ifd1 = 0, thumbnail = 0;
};

// Header, then the directories one after another (IFD0, Exif, Interop, GPS, IFD1), then the
// values that do not fit a value field, then the thumbnail.
struct Tiff {
    ByteOrder order = ByteOrder::Little;
    std::vector<TiffEntry> ifd0;
    std::optional<std::vector<TiffEntry>> exif;    // adds the Exif pointer to IFD0 when present
    std::optional<std::vector<TiffEntry>> interop; // adds the Interop pointer to the Exif IFD
    std::optional<std::vector<TiffEntry>> gps;     // adds the GPS pointer to IFD0
    std::optional<std::vector<TiffEntry>> ifd1;    // IFD0's next directory
    Bytes thumbnail; // when not empty: IFD1 gets 0x0201 and 0x0202 entries naming it
    uint16_t magic = 42;
    Bytes build(TiffLayout* layout = nullptr) const;
};

// Offset from the TIFF header of the first occurrence of text (its bytes, no closing 0).
uint32_t TiffOffsetOf(const Bytes& tiff, const std::string& text);

// Segments: each a marker and its payload (the length field is added).
struct Segment {
    uint16_t marker;
    Bytes payload;
};
Segment Jfif();
Segment ExifApp1(const Bytes& tiff);
Segment App2Icc();
Segment XmpApp1();

// FF D8, the segments, a small quantisation table and scan, FF D9.
Bytes Jpeg(const std::vector<Segment>& segments);

// A camera-like photo: DateTime, DateTimeOriginal, DateTimeDigitized, Make, Model, pixel size.
Tiff CameraTiff(ByteOrder order);

// What the reader walks from a file's bytes: the Exif directory's entry count and the summary.
struct Walked {
    int32_t result = 0;
    ExifSummary summary;
};
Walked WalkBytes(const Bytes& file);

// A rewrite of a file's date texts to text (only those of filter's day), planned and applied in
// memory, with what must hold for any file checked on the way: the size stays, only planned
// texts change and they hold the new bytes, no two writes overlap, each starts a slot of
// FindDateSlots.
struct Written {
    DatePlan plan;
    Bytes before;
    Bytes after;
};
Written Rewrite(const Bytes& file, const std::string& text = "2006:12:24 10:00:00",
                const std::string& filter = "");
// The plan's tags ("DateTime", …) and the texts it stepped over ("DateTime: not ASCII", …).
using Texts = std::vector<std::string>;
Texts Tags(const DatePlan& plan);
Texts Skipped(const DatePlan& plan);

// A file's bytes read, a file written whole, a file given times through its handle; each throws
// (failing the test) when it cannot.
Bytes ReadAll(const std::filesystem::path& p);
void WriteAll(const std::filesystem::path& p, const Bytes& b);
void SetTimes(const std::filesystem::path& p, const FileTimes& t);
Bytes Photo(const std::string& name); // from the shared test photos
std::filesystem::path PhotosDir();

// A journal in folder holding the records, written as a run writes them (waiting, then one write,
// handed to the disk at close); its path. Throws when it cannot be written.
std::string WriteJournal(const std::filesystem::path& folder, const JournalHeader& header,
                         const std::vector<JournalRecord>& records);

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string folder() const { return path_.string() + "/"; } // with its closing separator
    std::filesystem::path put(const std::string& name, const Bytes& bytes) const;

  private:
    std::filesystem::path path_;
};

// Copies of the named test photos in dir, each with old times of its own (nanoseconds too, so
// that putting them back must be exact); their paths.
std::vector<std::string> CopyPhotos(const TempDir& dir, const std::vector<std::string>& names);

// The options of a set to 2006-12-DAY, at 10:00:00 or keeping each photo's time of day.
SetDatesOptions SetTo(int day = 24, bool keepTime = false);

// A run of kind over targets (all of them listed), its log and journal in logFolder (neither
// when empty): its summary and each photo's outcome, in order.
struct Ran {
    RunSummary summary;
    std::vector<PhotoOutcome> outcomes;
};
Ran RunOver(const RunKind& kind, const std::vector<std::string>& targets,
            const std::string& logFolder, const RunPolicy& policy = {});

// The n-th operation (from 1) at a site of the failure-injection seam fails, for as long as the
// object lives.
class InjectFault {
  public:
    InjectFault(FaultSite site, int n, Fault::Kind kind, int systemError = 28 /* ENOSPC */);
    ~InjectFault();
    InjectFault(const InjectFault&) = delete;
    InjectFault& operator=(const InjectFault&) = delete;
};

// Makes a file or folder immutable (chattr +i) for as long as the object lives: a real obstacle
// even for root, who ignores file modes. False when the file system or platform cannot.
class Immutable {
  public:
    explicit Immutable(const std::filesystem::path& p);
    ~Immutable();
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    explicit operator bool() const { return done_; }

  private:
    std::filesystem::path path_;
    bool done_ = false;
};

#ifndef _WIN32
// The local time zone (TZ) set for as long as the object lives. (The Windows build reads the
// zone from the system.)
class InZone {
  public:
    explicit InZone(const char* zone);
    ~InZone();
    InZone(const InZone&) = delete;
    InZone& operator=(const InZone&) = delete;

  private:
    std::optional<std::string> old_;
};
#endif

// A source in memory that counts the reads that reach it (the reader's system reads).
class CountingSource final : public ByteSource {
  public:
    explicit CountingSource(Bytes bytes) : inner_(std::move(bytes)) {}
    uint64_t size() const override { return inner_.size(); }
    Status readAt(uint64_t offset, std::span<uint8_t> out) override {
        ++reads;
        return inner_.readAt(offset, out);
    }
    Status writeAt(uint64_t offset, std::span<const uint8_t> data) override {
        return inner_.writeAt(offset, data);
    }
    const Bytes& bytes() const { return inner_.bytes(); }
    uint64_t reads = 0;

  private:
    MemorySource inner_;
};

// Offsets where two buffers differ; past the end of the shorter, every offset of the longer.
std::vector<size_t> Differences(const Bytes& a, const Bytes& b);

} // namespace tokimori::test
