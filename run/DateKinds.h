#pragma once
// The kinds of run besides the window's date setting: moving every date of a photo by an offset,
// and giving a photo's file the time of its shooting date. Both go through the one run loop, so
// they are journaled, logged, locked and undone like a date setting.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "exif/ByteReader.h"
#include "exif/ExifWriter.h"
#include "filetime/LocalTime.h"
#include "run/RunLoop.h"

namespace tokimori {

// "yyyy:mm:dd hh:mm:ss" as a calendar date and time, when it is one (a real day, 00:00:00 to
// 23:59:59); nothing else is a date text.
std::optional<LocalDateTime> ParseDateText(const std::string& text);
std::string FormatDateText(const LocalDateTime& t);

// A movie's UTC times as this computer's local date texts and back, with the zone's offset in
// force at each (years 1 to 9999).
const MovieClock& LocalMovieClock();
// The creation time a movie's header holds (QuickTime:CreateDate), seconds since 1970 UTC.
std::optional<int64_t> MovieCreated(ByteReader& r);
// Seconds on the calendar from 1970-01-01 00:00:00 to t, no zone applied (negative before).
int64_t CalendarSeconds(const LocalDateTime& t);

// "+02:00", "-05:30": a zone's offset from UTC as an offset text holds it, in seconds; nullopt
// for anything else.
std::optional<int> ParseZoneText(const std::string& text);
std::string FormatZoneText(int seconds);
// The local zone's offset from UTC in force at a local date and time, in seconds east; nullopt
// when it is not whole minutes (no zone text can hold it).
std::optional<int> LocalZoneAt(const LocalDateTime& t);

// The offset texts of the date texts a plan rewrites, kept true: where the photo was taken in
// the local zone (its offset text is the local zone's offset at its old date and time), the
// offset becomes the local zone's offset at the new date and time (same length, in place).
// Otherwise it is left alone and named in notes. Offsets of texts the plan leaves stay as they
// are.
void PlanOffsets(ByteReader& r, DatePlan& plan, std::vector<std::string>& notes);

// An offset "[+|-][Nd][H:MM[:SS]]" with at least one part ("+9:00", "-0:05:30", "+1d",
// "-2d3:00", "+1d02:03:04") in seconds; nullopt for anything else.
std::optional<int64_t> ParseOffset(const std::string& text);

// The date text moved by seconds on the calendar (months, years and leap days as they fall);
// nullopt when the text is not a date or the result leaves the years 0001 to 9999.
std::optional<std::string> ShiftDateText(const std::string& text, int64_t seconds);

// Each date text moves from its own value by the offset; with filterDate ("yyyy:mm:dd") only
// texts of that day. The file's times become the moved DateTimeOriginal (else DateTime); a photo
// with neither has its file time moved by the offset. Texts that are not dates are left alone
// and named in the plan's notes.
struct ShiftOptions {
    int64_t seconds = 0;
    std::string filterDate;
    bool allCopies = false; // the XMP and IPTC copies move with the dates (PlanCopies)
};
std::unique_ptr<RunKind> MakeShiftDates(const ShiftOptions& o);

// The date-time texts rewritten to newDateText ("yyyy:mm:dd hh:mm:ss", or "yyyy:mm:dd" for the
// date part alone), only those of filterDate's day when it is given, and with allCopies their
// XMP and IPTC copies; nothing else, not the times.
std::unique_ptr<RunKind> MakeWriteTexts(const std::string& newDateText,
                                        const std::string& filterDate, bool allCopies = false);

// The file's times become its DateTimeOriginal (else DateTime), as a local time; no byte of the
// photo changes. A photo without a valid embedded date is left alone and reported.
std::unique_ptr<RunKind> MakeFileTimeFromDate();

} // namespace tokimori
