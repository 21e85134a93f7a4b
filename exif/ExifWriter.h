#pragma once
// Rewrites the three Exif date-time texts of one photo in place: IFD0 DateTime, and the Exif
// directory's DateTimeOriginal and DateTimeDigitized, wherever the kind of file keeps them
// (ExifPlace); and a movie's header times. Nothing outside the old texts and numbers is ever
// written and the file keeps its size.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/RunError.h"
#include "exif/ByteReader.h"
#include "exif/ExifWalker.h"

namespace tokimori {

// A date text the walk allows writing in this file now (all safety rules applied, identical
// ranges listed once): its tag, file offset and the entry's count.
struct DateSlot {
    uint16_t tag = 0;
    uint64_t offset = 0;
    uint32_t count = 0;
};

// Why a date entry was stepped over as unsafe to write.
enum class SkipReason {
    NotAscii,          // its type is not ASCII
    CountTooSmall,     // its count cannot hold a date (or the new text)
    OutsideSegment,    // its text lies outside the file or the Exif segment
    OverlapsStructure, // its text overlaps a directory, another value or the thumbnail
    OverlapsDate,      // its text overlaps part of another date text
    OutOfRange,        // a movie's time: the new time does not fit its width (or its clock)
};
// "not ASCII", "count too small", …: the reason in the command line's words.
const char* SkipReasonText(SkipReason why);

// A date entry stepped over, and why.
struct SkippedDate {
    uint16_t tag = 0;
    uint64_t offset = 0; // file offset its value field names
    SkipReason reason = SkipReason::NotAscii;
};

// One rewrite of one date-time text.
struct DateWrite {
    uint16_t tag = 0;
    uint64_t offset = 0;  // file offset of the text
    std::string oldBytes; // what stood there
    std::string newBytes; // what is written
};

struct DatePlan {
    bool reachedEnd = false;  // the walk reached the end of the Exif directory (or of IFD0)
    bool DateChanged = false; // IFD0's DateTime is among the writes
    std::vector<DateWrite> writes;
    std::vector<SkippedDate> skipped;
    // Offset entries unsafe to write (told only when their date text changes).
    std::vector<SkippedDate> skippedOffsets;
};

// NewDateText: "yyyy:mm:dd hh:mm:ss", or "yyyy:mm:dd" to keep each text's own time of day.
// FilterDate: empty, or "yyyy:mm:dd": only texts whose first 10 characters equal it change.
Status CheckDateTexts(const std::string& newDateText, const std::string& filterDate);

// The date entries that may be written: IFD0's DateTime (0x0132) and the Exif directory's
// DateTimeOriginal (0x9003) and DateTimeDigitized (0x9004), and the offset entries that go with
// them (0x9010–0x9012), walked as the reader walks (a TIFF header without 42, an empty IFD0:
// none). An entry is a slot when it is ASCII, its count is at least 10 (an offset's at least 6),
// its text lies inside the file and the part holding the Exif data, the text overlaps no
// structure (TIFF header, the directories IFD0, Exif, Interop, GPS and IFD1, the value bytes
// of every other entry, IFD1's thumbnail) and no earlier slot's text other than one starting at
// the same offset (that one and it are one slot, of the smaller count). Then a movie's times
// (MovieTimes; count: the number's 4 or 8 bytes) that overlap none of those. Nothing is written.
std::vector<DateSlot> FindDateSlots(ByteReader& r);

// The date entries in their own directory: IFD0 0x0132, Exif 0x9003 and 0x9004. The same tags
// elsewhere (GPS, Interop, IFD1) are never written.
bool IsDateEntry(Ifd ifd, uint16_t tag);
// A TIFF or raw file (the file itself the TIFF structure) may keep DateTimeOriginal and
// DateTimeDigitized in IFD0 as TIFF/EP does (Nikon's NEF): there they are date entries too,
// under the same rules, and plans and journals name them tag::Ifd0DateTimeOriginal and
// tag::Ifd0DateTimeDigitized ("IFD0:DateTimeOriginal").
bool HoldsTiffEpDates(ByteReader& r);
// Whether the Exif directory holds a maker note (whose dates, a camera maker's own, are never
// written).
bool HasMakerNote(ByteReader& r);
// The entries the writer claims from the walk: date and offset entries, and with tiffEp IFD0's.
bool ClaimsDateEntry(bool tiffEp, Ifd ifd, uint16_t tag);
// The offset entries, each the zone of one date text: Exif 0x9010 (of DateTime), 0x9011 (of
// DateTimeOriginal) and 0x9012 (of DateTimeDigitized).
bool IsOffsetEntry(Ifd ifd, uint16_t tag);
bool IsOffsetTag(uint16_t tag);
// The date tag whose zone an offset tag holds.
uint16_t DateTagOfOffset(uint16_t offsetTag);

// Rewrite each writable date text by a rule: `rewrite` gets the slot and the old text as stored
// (bytes up to the first 0, at most the count, line feeds not translated) and answers the new
// bytes, or nullopt to leave it. New bytes longer than the slot's count are stepped over.
// Offset slots are not handed to it (PlanOffsets in run/ decides them). Nothing is written:
// ApplyDatePlan writes the plan.
// A movie's times (MovieTimes) are numbers in UTC: with a clock, the rule gets each as the
// local date text the clock gives, and its answer becomes the number again (a date alone keeps
// the time of day); without one they are left alone.
// The creation date text of the metadata keys is read in its own zone and written in the same
// form and length: in the local zone's offset at the new time where it held the local zone's
// offset at the old one, else in its own offset.
struct MovieClock {
    std::function<std::optional<std::string>(int64_t unixSeconds)> localText;
    std::function<std::optional<int64_t>(const std::string& localText)> unixOf;
    std::function<std::optional<int>(int64_t unixSeconds)> offsetAt; // seconds east of UTC
};
// A clock in UTC (years 1 to 9999), for what runs without a zone.
const MovieClock& UtcMovieClock();
using DateRewrite =
    std::function<std::optional<std::string>(const DateSlot&, const std::string& oldText)>;
DatePlan PlanDateRewrite(ByteReader& r, const DateRewrite& rewrite,
                         const MovieClock* clock = nullptr);

// The rewrite to newDateText of every slot whose old text begins with filterDate (every slot
// when it is empty).
DatePlan PlanExifDateWrite(ByteReader& r, const std::string& newDateText,
                           const std::string& filterDate, const MovieClock* clock = nullptr);

// The tag plans and journals name a checksum by (a PNG's eXIf chunk CRC), outside every other.
inline constexpr uint16_t kChecksumTag = 0xF201;

// After every other write of a plan is planned: a write of the checksum over the Exif data
// (PNG) when writes fall under it, as the written bytes will give it. A checksum that does not
// match the bytes as they are is left as it is.
enum class ChecksumOutcome { None, Added, WasWrong, Unreadable };
ChecksumOutcome AddChecksumWrite(ByteReader& r, DatePlan& plan);

// Writes the plan's texts in order.
Status ApplyDatePlan(ByteReader& r, const DatePlan& plan);

// "DateTime", "DateTimeOriginal", "DateTimeDigitized", "OffsetTime", …; a copy's name
// (CopyTagName) for a copy's tag.
const char* DateTagName(uint16_t tag);

} // namespace tokimori
