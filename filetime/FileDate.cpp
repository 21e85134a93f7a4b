#include "filetime/FileDate.h"

#include "support/SystemError.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace tokimori {

namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysIn(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

bool InRange(const LocalDateTime& t) {
    return t.year >= 1601 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysIn(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

bool TwoDigits(const std::string& s, size_t at, int& out) {
    if (at + 2 > s.size() || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9')
        return false;
    out = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return true;
}

#ifdef _WIN32
constexpr int64_t kUnixEpochIn1601 = 11644473600LL;

FILETIME ToFileTime(const FileInstant& i) {
    const uint64_t ticks = static_cast<uint64_t>(i.seconds + kUnixEpochIn1601) * 10000000ULL +
                           static_cast<uint64_t>(i.nanoseconds / 100);
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

FileInstant FromFileTime(const FILETIME& ft) {
    const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return {static_cast<int64_t>(ticks / 10000000ULL) - kUnixEpochIn1601,
            static_cast<int32_t>((ticks % 10000000ULL) * 100)};
}

#endif

} // namespace

Result<int64_t> LocalToUnix(const LocalDateTime& t) {
    if (!InRange(t)) return MakeError(err::InvalidCall, "date or time out of range");
#ifdef _WIN32
    SYSTEMTIME local{static_cast<WORD>(t.year),
                     static_cast<WORD>(t.month),
                     0,
                     static_cast<WORD>(t.day),
                     static_cast<WORD>(t.hour),
                     static_cast<WORD>(t.minute),
                     static_cast<WORD>(t.second),
                     0};
    SYSTEMTIME utc{};
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft))
        return MakeError(err::InvalidCall, "date cannot be converted");
    return FromFileTime(ft).seconds;
#else
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
#endif
}

Status ParseTimeOfDay(const std::string& text, LocalDateTime& t) {
    // hh:mm:ss, or h:mm:ss
    const std::string s = text.size() == 7 ? "0" + text : text;
    int h = 0, m = 0, sec = 0;
    if (s.size() != 8 || s[2] != ':' || s[5] != ':' || !TwoDigits(s, 0, h) || !TwoDigits(s, 3, m) ||
        !TwoDigits(s, 6, sec) || h > 23 || m > 59 || sec > 59)
        return MakeError(err::TypeMismatch, "not a time of day: " + text);
    t.hour = h;
    t.minute = m;
    t.second = sec;
    return {};
}

#ifdef _WIN32

Result<FileTimes> ReadFileTimes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return LastSystemError("cannot read the times of", path);
    return FileTimes{FromFileTime(data.ftLastWriteTime), FromFileTime(data.ftLastAccessTime),
                     FromFileTime(data.ftCreationTime)};
}

Status WriteFileTimes(const std::string& path, const FileTimes& times) {
    // Opened for writing with no sharing, so nobody writes the file while its times change.
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastSystemError("cannot open", path);
    const FILETIME created = ToFileTime(times.created);
    const FILETIME accessed = ToFileTime(times.accessed);
    const FILETIME modified = ToFileTime(times.modified);
    const bool set = SetFileTime(h, &created, &accessed, &modified);
    RunError failure = set ? RunError{} : LastSystemError("cannot set the times of", path);
    if (!CloseHandle(h) && set) return LastSystemError("cannot close", path);
    if (!set) return failure;
    return {};
}

#else

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

#endif

Status ApplyFileDate(const std::string& path, const LocalDateTime& when) {
    auto instant = LocalToUnix(when);
    if (!instant) return instant.error();
    const FileInstant at{instant.value(), 0};
    return WriteFileTimes(path, FileTimes{at, at, at});
}

} // namespace tokimori
