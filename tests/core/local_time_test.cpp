// Date texts as the program shows them, in local time.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "filetime/LocalTime.h"

namespace tokimori {
namespace {

TEST(LocalTime, GeneralDateLeavesOutMidnightOnly) {
    EXPECT_EQ(FormatGeneralDate({2006, 11, 30, 9, 15, 0}), "2006/11/30 9:15:00");
    EXPECT_EQ(FormatGeneralDate({2006, 11, 30, 0, 0, 0}), "2006/11/30");
    EXPECT_EQ(FormatGeneralDate({2006, 1, 2, 0, 0, 1}), "2006/01/02 0:00:01");
    EXPECT_EQ(FormatGeneralDate({2006, 1, 2, 23, 59, 59}), "2006/01/02 23:59:59");
    EXPECT_EQ(FormatPanelDate({2004, 3, 1, 7, 5, 9}), "2004/03/01 07:05:09");
    EXPECT_EQ(FormatTimeOfDay({2004, 3, 1, 7, 5, 9}), "07:05:09");
}

#ifndef _WIN32
TEST(LocalTime, UsesTheOffsetInForceOnThatDate) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    // 2021-07-01 10:00:00 UTC is 12:00 summer time; 2021-01-01 10:00:00 UTC is 11:00.
    EXPECT_EQ(LocalFromUnix(1625133600), (LocalDateTime{2021, 7, 1, 12, 0, 0}));
    EXPECT_EQ(LocalFromUnix(1609495200), (LocalDateTime{2021, 1, 1, 11, 0, 0}));
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

} // namespace
} // namespace tokimori
