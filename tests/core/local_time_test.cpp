// Local dates and times: as the program shows them, and to the instant they name in the zone's
// offset of that date.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "filetime/FileDate.h"
#include "filetime/LocalTime.h"

namespace tokimori {
namespace {

using namespace test;

TEST(LocalTime, GeneralDateLeavesOutMidnightOnly) {
    EXPECT_EQ(FormatGeneralDate({2006, 11, 30, 9, 15, 0}), "2006/11/30 9:15:00");
    EXPECT_EQ(FormatGeneralDate({2006, 11, 30, 0, 0, 0}), "2006/11/30");
    EXPECT_EQ(FormatGeneralDate({2006, 1, 2, 0, 0, 1}), "2006/01/02 0:00:01");
    EXPECT_EQ(FormatGeneralDate({2006, 1, 2, 23, 59, 59}), "2006/01/02 23:59:59");
    EXPECT_EQ(FormatPanelDate({2004, 3, 1, 7, 5, 9}), "2004/03/01 07:05:09");
    EXPECT_EQ(FormatTimeOfDay({2004, 3, 1, 7, 5, 9}), "07:05:09");
}

TEST(LocalToUnix, TakesOnlyRealDatesAndTimes) {
    EXPECT_TRUE(LocalToUnix({2004, 2, 29, 0, 0, 0}).ok());
    for (const LocalDateTime bad : {LocalDateTime{2006, 2, 30, 10, 0, 0},
                                    {2005, 2, 29, 0, 0, 0},
                                    {2006, 13, 1, 0, 0, 0},
                                    {2006, 12, 24, 24, 0, 0},
                                    {2006, 12, 24, 10, 60, 0},
                                    {1600, 12, 31, 0, 0, 0}}) {
        auto t = LocalToUnix(bad);
        ASSERT_FALSE(t.ok()) << bad.year << "-" << bad.month << "-" << bad.day << " " << bad.hour;
        EXPECT_EQ(t.error().number, 5);
    }
}

#ifndef _WIN32 // the Windows build reads the zone from the system, not from TZ
TEST(LocalTime, UsesTheOffsetInForceOnThatDate) {
    InZone berlin("Europe/Berlin");
    // 2021-07-01 10:00:00 UTC is 12:00 summer time; 2021-01-01 10:00:00 UTC is 11:00.
    EXPECT_EQ(LocalFromUnix(1625133600), (LocalDateTime{2021, 7, 1, 12, 0, 0}));
    EXPECT_EQ(LocalFromUnix(1609495200), (LocalDateTime{2021, 1, 1, 11, 0, 0}));
}

TEST(LocalToUnix, EachDateTakesItsOwnOffsetWhateverCameBefore) {
    // A summer date converted in winter keeps its hour. The hour the clocks go back shows twice:
    // the first is taken. The hour they skip: the time lands after the gap. Each the same after
    // a summer and after a winter conversion.
    struct Case {
        const char* zone;
        LocalDateTime local;
        int64_t utc;
    };
    for (const Case& c : {Case{"Europe/Berlin", {2021, 7, 15, 10, 0, 0}, 1626336000},
                          Case{"Europe/Berlin", {2021, 1, 15, 10, 0, 0}, 1610701200},
                          Case{"Europe/Berlin", {2006, 10, 29, 2, 30, 0}, 1162081800},
                          Case{"America/New_York", {2006, 10, 29, 1, 30, 0}, 1162099800},
                          Case{"Europe/Berlin", {2006, 3, 26, 2, 30, 0}, 1143336600},
                          Case{"America/New_York", {2006, 4, 2, 2, 30, 0}, 1143963000}}) {
        InZone zone(c.zone);
        for (const LocalDateTime before :
             {LocalDateTime{2006, 7, 1, 12, 0, 0}, LocalDateTime{2006, 1, 1, 12, 0, 0}}) {
            ASSERT_TRUE(LocalToUnix(before).ok());
            EXPECT_EQ(LocalToUnix(c.local).value(), c.utc) << c.zone << " " << before.month;
        }
    }
}
#endif

TEST(ParseTimeOfDay, TakesOnlyTimesOfDay) {
    LocalDateTime t{2004, 3, 1};
    EXPECT_TRUE(ParseTimeOfDay("23:59:59", t).ok());
    EXPECT_EQ(t, (LocalDateTime{2004, 3, 1, 23, 59, 59}));
    EXPECT_TRUE(ParseTimeOfDay("7:05:09", t).ok());
    EXPECT_EQ(t.hour, 7);
    for (const char* bad : {"", "abc", "24:00:00", "07:60:00", "07-05-09", "07:05:09 ", "7:5:9"}) {
        Status s = ParseTimeOfDay(bad, t);
        ASSERT_FALSE(s.ok()) << bad;
        EXPECT_EQ(s.error().number, 13);
    }
}

} // namespace
} // namespace tokimori
