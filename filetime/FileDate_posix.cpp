#include "filetime/FileDate.h"

#include "base/PositionedFile.h"

#include <cerrno>
#include <ctime>

namespace tokimori {

Result<int64_t> LocalToUnixInRange(const LocalDateTime& t) {
    struct tm tm {};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1; // the offset in force on that date
    errno = 0;
    const time_t s = mktime(&tm);
    if (s == static_cast<time_t>(-1) && errno != 0)
        return MakeError(err::InvalidCall, "date cannot be converted");
    return static_cast<int64_t>(s);
}

Result<FileTimes> ReadFileTimes(const std::string& path) {
    auto f = PositionedFile::open(path, PositionedFile::Mode::Read);
    if (!f) return f.error();
    return f->times();
}

} // namespace tokimori
