// Giving a file a local date and time, in the zone's offset of that date.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "TestFiles.h"
#include "base/SystemError.h"
#include "filetime/FileDate.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tokimori {
namespace {

using namespace test;

// Runs the test body under one time zone, restoring the old one afterwards.
class InZone {
  public:
    explicit InZone(const char* zone) {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        Set(zone);
    }
    ~InZone() {
        if (had_)
            Set(old_.c_str());
        else
            Set(nullptr);
    }

  private:
    static void Set(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone ? zone : "");
        _tzset();
#else
        if (zone)
            setenv("TZ", zone, 1);
        else
            unsetenv("TZ");
        tzset();
#endif
    }
    bool had_ = false;
    std::string old_;
};

[[maybe_unused]] LocalDateTime LocalModified(const std::string& path) {
    auto t = ReadFileTimes(path);
    EXPECT_TRUE(t.ok());
    return t.ok() ? LocalFromUnix(t->modified.seconds) : LocalDateTime{};
}

TEST(ApplyFileDate, KeepTimeGivesTheFileItsOwnTimeOnTheNewDate) {
    TempDir dir;
    const std::string path = dir.put("a.jpg", Bytes{1, 2, 3}).string();
    LocalDateTime when{2004, 3, 1};
    ASSERT_TRUE(ParseTimeOfDay("07:05:09", when).ok());
    ASSERT_TRUE(ApplyFileDate(path, when).ok());
    auto t = ReadFileTimes(path);
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(LocalFromUnix(t->modified.seconds), (LocalDateTime{2004, 3, 1, 7, 5, 9}));
    EXPECT_EQ(t->modified.nanoseconds, 0);
    EXPECT_EQ(t->accessed, t->modified);
    EXPECT_EQ(t->created, t->modified);
}

#ifndef _WIN32 // the Windows build reads the zone from the system, not from TZ
TEST(ApplyFileDate, ASummerDateKeepsItsHourUnderAWinterOffset) {
    InZone berlin("Europe/Berlin");
    TempDir dir;
    const std::string path = dir.put("a.jpg", Bytes{1}).string();
    // Set in December (winter, +01:00), a July date is summer time (+02:00).
    ASSERT_TRUE(ApplyFileDate(path, {2021, 7, 15, 10, 0, 0}).ok());
    EXPECT_EQ(ReadFileTimes(path)->modified.seconds, 1626336000); // 08:00 UTC
    EXPECT_EQ(LocalModified(path), (LocalDateTime{2021, 7, 15, 10, 0, 0}));
    ASSERT_TRUE(ApplyFileDate(path, {2021, 1, 15, 10, 0, 0}).ok());
    EXPECT_EQ(ReadFileTimes(path)->modified.seconds, 1610701200); // 09:00 UTC
}

TEST(LocalToUnix, AChangeOfClocksGivesOneInstantWhateverCameBefore) {
    // The hour the clocks go back shows twice: the first is taken. The hour they skip: the time
    // lands after the gap. Each the same after a summer and after a winter conversion.
    struct Case {
        const char* zone;
        LocalDateTime local;
        int64_t utc;
    };
    for (const Case& c : {Case{"Europe/Berlin", {2006, 10, 29, 2, 30, 0}, 1162081800},
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

TEST(ApplyFileDate, FailuresAreReported) {
    TempDir dir;
    Status missing = ApplyFileDate(dir.folder() + "gone.jpg", {2006, 12, 24, 10, 0, 0});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number, 53);

    const std::string path = dir.put("a.jpg", Bytes{1}).string();
    Status badDate = ApplyFileDate(path, {2006, 2, 30, 10, 0, 0});
    ASSERT_FALSE(badDate.ok());
    EXPECT_EQ(badDate.error().number, 5);
    EXPECT_FALSE(ApplyFileDate(path, {2006, 12, 24, 24, 0, 0}).ok());
    EXPECT_TRUE(ApplyFileDate(path, {2004, 2, 29, 0, 0, 0}).ok());
}

#ifndef _WIN32
TEST(ApplyFileDate, AnImmutableFileIsReportedAndKeepsItsTimes) {
    TempDir dir;
    const std::string path = dir.put("locked.jpg", Bytes{1}).string();
    ASSERT_TRUE(ApplyFileDate(path, {2001, 1, 1, 1, 1, 1}).ok());
    if (std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system has no immutable files";
    Status s = ApplyFileDate(path, {2006, 12, 24, 10, 0, 0});
    std::system(("chattr -i '" + path + "'").c_str());
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, 70);
    EXPECT_EQ(LocalModified(path), (LocalDateTime{2001, 1, 1, 1, 1, 1}));
}
#endif

#ifdef _WIN32
TEST(ApplyFileDate, AFileHeldOpenElsewhereIsReportedAndKeepsItsTimes) {
    TempDir dir;
    const std::string path = dir.put("held.jpg", Bytes{1}).string();
    ASSERT_TRUE(ApplyFileDate(path, {2001, 1, 1, 1, 1, 1}).ok());
    // Another program holds the file open without sharing it.
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Status s = ApplyFileDate(path, {2006, 12, 24, 10, 0, 0});
    CloseHandle(h);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().number, 70);
    EXPECT_EQ(LocalModified(path), (LocalDateTime{2001, 1, 1, 1, 1, 1}));
}
#endif

TEST(ApplyFileDate, TimesRoundTripExactly) {
    TempDir dir;
    const std::string path = dir.put("a.jpg", Bytes{1}).string();
    FileTimes t{{1234567890, 123456700}, {1234567000, 500}, {1234567890, 123456700}};
#ifndef _WIN32
    t.created = t.modified;
#endif
    ASSERT_TRUE(WriteFileTimes(path, t).ok());
    auto back = ReadFileTimes(path);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->modified, t.modified);
    EXPECT_EQ(back->accessed, t.accessed);
}

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
