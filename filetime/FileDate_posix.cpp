#include "filetime/FileDate.h"

#include "base/SystemError.h"

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

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
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return LastSystemError("cannot read the times of", path);
    FileTimes t;
    t.modified = {static_cast<int64_t>(st.st_mtim.tv_sec),
                  static_cast<int32_t>(st.st_mtim.tv_nsec)};
    t.accessed = {static_cast<int64_t>(st.st_atim.tv_sec),
                  static_cast<int32_t>(st.st_atim.tv_nsec)};
    t.created = t.modified;
    return t;
}

Status WriteFileTimes(const std::string& path, const FileTimes& times) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return LastSystemError("cannot set the times of", path);
    if (!S_ISREG(st.st_mode)) return MakeError(err::PathFileAccess, "not a file: " + path);
    const struct timespec ts[2] = {
        {static_cast<time_t>(times.accessed.seconds), times.accessed.nanoseconds},
        {static_cast<time_t>(times.modified.seconds), times.modified.nanoseconds}};
    if (utimensat(AT_FDCWD, path.c_str(), ts, 0) != 0)
        return LastSystemError("cannot set the times of", path);
    return {};
}

} // namespace tokimori
