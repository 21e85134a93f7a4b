#include "filetime/LocalTime.h"

#include <cstdio>
#include <ctime>

namespace tokimori {

std::string FormatGeneralDate(const LocalDateTime& t) {
    char buf[64];
    if (t.hour == 0 && t.minute == 0 && t.second == 0)
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.year, t.month, t.day);
    else
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %d:%02d:%02d", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
    return buf;
}

std::string FormatPanelDate(const LocalDateTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

std::string FormatTimeOfDay(const LocalDateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

} // namespace tokimori
