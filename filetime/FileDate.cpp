#include "filetime/FileDate.h"

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

} // namespace

Result<int64_t> LocalToUnix(const LocalDateTime& t) {
    if (!InRange(t)) return MakeError(err::InvalidCall, "date or time out of range");
    return LocalToUnixInRange(t);
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

} // namespace tokimori
