#pragma once
// A file's time stamps, and a local date and time to the instant it names.

#include <cstdint>
#include <string>

#include "base/FileTimes.h"
#include "base/RunError.h"
#include "filetime/LocalTime.h"

namespace tokimori {

// A local date and time to the instant it names, with the UTC offset in force on that date
// (summer time for a summer date, whatever today's offset). Error 5 for a date or time out of
// range (months 1-12, a day of that month, 00:00:00-23:59:59, years 1601-9999).
Result<int64_t> LocalToUnix(const LocalDateTime& t);
// The system's conversion behind LocalToUnix, for a date and time already checked to be in range.
Result<int64_t> LocalToUnixInRange(const LocalDateTime& t);

// "hh:mm:ss" (the run's text of a file's own time of day) as hour, minute and second of t;
// error 13 when the text is not a time of day.
Status ParseTimeOfDay(const std::string& text, LocalDateTime& t);

Result<FileTimes> ReadFileTimes(const std::string& path);

} // namespace tokimori
