#include "filetime/FileDate.h"

#include "base/PositionedFile.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>

namespace tokimori {

Result<int64_t> LocalToUnixInRange(const LocalDateTime& t) {
    // The wall time read with summer time and without: a reading that gives the same wall time
    // back is real. Both are in the hour the clocks go back: the earlier instant is taken, the
    // first time the clock showed it. Neither is in the hour skipped when they go forward: the
    // time is read with the offset before the change, so it lands after the gap. (mktime's own
    // guess with tm_isdst -1 depends on the conversion before it.)
    std::optional<int64_t> real, after;
    for (int dst : {1, 0}) {
        struct tm tm {};
        tm.tm_year = t.year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        tm.tm_isdst = dst;
        errno = 0;
        const time_t s = mktime(&tm);
        if (s == static_cast<time_t>(-1) && errno != 0) continue;
        const int64_t at = static_cast<int64_t>(s);
        struct tm back {};
        if (localtime_r(&s, &back) && back.tm_year == t.year - 1900 && back.tm_mon == t.month - 1 &&
            back.tm_mday == t.day && back.tm_hour == t.hour && back.tm_min == t.minute &&
            back.tm_sec == t.second)
            real = real ? std::min(*real, at) : at;
        after = after ? std::max(*after, at) : at;
    }
    if (real) return *real;
    if (after) return *after;
    return MakeError(err::InvalidCall, "date cannot be converted");
}

Result<FileTimes> ReadFileTimes(const std::string& path) {
    auto f = PositionedFile::open(path, PositionedFile::Mode::Read);
    if (!f) return f.error();
    return f->times();
}

} // namespace tokimori
