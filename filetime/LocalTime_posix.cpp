#include "filetime/LocalTime.h"

#include <ctime>

namespace tokimori {

LocalDateTime LocalFromUnix(int64_t unixSeconds) {
    const time_t t = static_cast<time_t>(unixSeconds);
    struct tm tm {};
    if (!localtime_r(&t, &tm)) return {};
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace tokimori
