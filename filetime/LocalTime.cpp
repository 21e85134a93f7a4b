#include "filetime/LocalTime.h"

namespace tokimori {

namespace {

// value as width digits, zero-padded (years up to 9999 in four).
void Digits(std::string& out, int value, int width) {
    char buf[8];
    int n = 0;
    unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v && n < 8);
    for (int i = n; i < width; ++i)
        out += '0';
    while (n)
        out += buf[--n];
}

} // namespace

std::string FormatDateTime(const LocalDateTime& t, char dateSeparator, char middle) {
    std::string out;
    out.reserve(20);
    Digits(out, t.year, 4);
    out += dateSeparator;
    Digits(out, t.month, 2);
    out += dateSeparator;
    Digits(out, t.day, 2);
    out += middle;
    out += FormatTimeOfDay(t);
    return out;
}

std::string FormatGeneralDate(const LocalDateTime& t) {
    std::string out;
    out.reserve(20);
    Digits(out, t.year, 4);
    out += '/';
    Digits(out, t.month, 2);
    out += '/';
    Digits(out, t.day, 2);
    if (t.hour == 0 && t.minute == 0 && t.second == 0) return out;
    out += ' ';
    Digits(out, t.hour, 1);
    out += ':';
    Digits(out, t.minute, 2);
    out += ':';
    Digits(out, t.second, 2);
    return out;
}

std::string FormatPanelDate(const LocalDateTime& t) {
    return FormatDateTime(t, '/', ' ');
}

std::string FormatTimeOfDay(const LocalDateTime& t) {
    std::string out;
    out.reserve(8);
    Digits(out, t.hour, 2);
    out += ':';
    Digits(out, t.minute, 2);
    out += ':';
    Digits(out, t.second, 2);
    return out;
}

} // namespace tokimori
