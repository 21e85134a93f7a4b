#pragma once
// Local calendar date and time of day, as the program shows and sets them.

#include <cstdint>
#include <string>

namespace tokimori {

struct LocalDateTime {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;  // 0..23
    int minute = 0;
    int second = 0;

    bool operator==(const LocalDateTime&) const = default;
};

// Seconds since 1970-01-01 UTC to local time, with the offset in force at that instant.
LocalDateTime LocalFromUnix(int64_t unixSeconds);

// "2006/11/30 9:15:00": the general date form; the time is left out at exactly midnight.
std::string FormatGeneralDate(const LocalDateTime& t);

// "2006/11/30 09:15:00".
std::string FormatPanelDate(const LocalDateTime& t);

// The date and time with the given separator in the date and between date and time:
// FormatDateTime(t, ':', ' ') is an Exif date text "2006:11:30 09:15:00".
std::string FormatDateTime(const LocalDateTime& t, char dateSeparator, char middle);

// "09:15:00".
std::string FormatTimeOfDay(const LocalDateTime& t);

} // namespace tokimori
