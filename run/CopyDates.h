#pragma once
// The XMP and IPTC copies of the Exif dates, kept in step with them on request: each copy gets
// the change its Exif date gets, in its own form (its precision, its separators, its fractions of
// a second, its zone), in place and at its own length. The copies are found by FindDateCopies
// (exif/DateCopies); their writes join the plan's, so they are journaled, checked before the
// writes and undone like the Exif dates.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exif/ByteReader.h"
#include "exif/ExifWriter.h"
#include "filetime/LocalTime.h"
#include "run/RunLoop.h"

namespace tokimori {

// A copy's date as its text holds it.
struct CopyValue {
    LocalDateTime at;     // the parts beyond its precision: month and day 1, the time 0
    int parts = 0;        // what it holds: 1 the year, 2 the month, 3 the day, 5 hh:mm, 6 hh:mm:ss
    std::string fraction; // the digits after the seconds' '.', kept as they are
    char dateSeparator = '-'; // '-', or ':' in a text written Exif-style
    char timeSeparator = 'T'; // 'T', or ' ' in a text written Exif-style
    enum class Zone { None, Utc, Colon, Compact } zone = Zone::None; // "", "Z", "+02:00", "+0200"
    int zoneSeconds = 0;                                             // east of UTC
};

// An XMP date: "YYYY", "YYYY-MM", "YYYY-MM-DD" or "YYYY-MM-DDThh:mm[:ss[.s…]]" with a zone "Z",
// "±hh:mm" (or "±hhmm") or none, also written Exif-style ("YYYY:MM:DD hh:mm:ss"); a real date and
// time of the years 1 to 9999. nullopt for anything else, and for a text FormatXmpDate would
// not give back byte for byte ("-00:00", say).
std::optional<CopyValue> ParseXmpDate(const std::string& text);
std::string FormatXmpDate(const CopyValue& v);
// IPTC's date "CCYYMMDD", and its time "HHMMSS" with a zone "±HHMM" or none.
std::string FormatIptcDate(const CopyValue& v);
std::string FormatIptcTime(const CopyValue& v);
// A copy's value from its text (an IPTC date with the text of its time dataset, "" when it has
// none); nullopt when it is no date.
std::optional<CopyValue> CopyValueOf(uint16_t copyTag, const std::string& text,
                                     const std::string& iptcTime = "");

// Whether a copy says what the Exif date text it stands for says (offsetText: that date's
// OffsetTime* text, "" when none): where both have a zone, the same moment; else the same date
// and time at the copy's precision (an Exif date without an offset is the camera's wall clock,
// wherever it was).
bool SaysTheSame(const CopyValue& copy, const std::string& exifText, const std::string& offsetText);

// How a run moves a copy that holds a time of day: its new date and time from its old ones;
// nullopt when it cannot (the copy is left alone and named).
using CopyRule = std::function<std::optional<LocalDateTime>(const LocalDateTime& old)>;

// The copies of the Exif dates the plan rewrites, planned into plan.writes. Each copy follows
// the Exif date it stands for (ExifDateOfCopy); a photo without that date has the copy follow
// DateTimeOriginal, else DateTime. A copy changes only when the date it follows does:
// - one with a time of day gets rule(its value), at its precision (hh:mm drops the seconds),
//   its fractions of a second kept as its Exif date's SubSecTime is;
// - one of a day (a month, a year) alone gets the day its Exif date moves to, where it held that
//   date's old day; else it is left alone and named;
// - its zone becomes the local zone's offset at the new date and time where it was the local
//   zone's at the old ones; else the zone is kept and the copy named;
// - one whose new text would not have the old one's length, that is no date, or whose tag stands
//   more than once in the photo (two packets, repeated datasets), is left alone and named. An
//   IPTC time changes with its date dataset, never alone.
// The writes join plan.dates.writes; plan.copyNotes names what was left or kept and why,
// plan.copiesLeft the tags of the copies left alone.
void PlanCopies(ByteReader& r, PhotoPlan& plan, const CopyRule& rule);

} // namespace tokimori
