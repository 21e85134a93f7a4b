// Moving dates by an offset and giving files the time of their shooting date: the calendar
// arithmetic, the offsets taken, and both runs over real files and back through undo.

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>

#include "TestFiles.h"
#include "exif/ExifLayout.h"
#include "filetime/FileDate.h"
#include "run/ClockSync.h"
#include "run/DateKinds.h"
#include "run/Undo.h"

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

TEST(Offsets, TheFormsTakenAndNoOthers) {
    const std::pair<const char*, int64_t> good[] = {
        {"+9:00", 9 * 3600},    {"-0:05:30", -330},
        {"+1d", 86400},         {"-2d3:00", -(2 * 86400 + 3 * 3600)},
        {"+1d02:03:04", 93784}, {"1d", 86400},
        {"9:00", 32400},        {"-0:00", 0},
        {"+100:00", 360000},    {"+3650000d", 3650000LL * 86400}};
    for (const auto& [text, seconds] : good) {
        ASSERT_TRUE(ParseOffset(text)) << text;
        EXPECT_EQ(*ParseOffset(text), seconds) << text;
    }
    for (const char* bad :
         {"",         "+",       "-",          "d",   "+d",         "9",    "+9", "9:0",
          "9:60",     "9:00:60", "9:00:0",     "1d2", "1d:00",      "+-1d", "1h", "1 d",
          "+1d 2:00", "1d1d",    "9:00:00:00", "abc", "+12345678d", "1e3"})
        EXPECT_FALSE(ParseOffset(bad)) << bad;
}

TEST(Offsets, DatesMoveOnTheCalendar) {
    const std::tuple<const char*, int64_t, const char*> cases[] = {
        {"2006:12:31 23:30:00", 3600, "2007:01:01 00:30:00"},  // midnight and new year
        {"2007:01:01 00:30:00", -3600, "2006:12:31 23:30:00"}, // and back
        {"2006:01:31 12:00:00", 86400, "2006:02:01 12:00:00"}, // month end
        {"2008:02:28 10:00:00", 86400, "2008:02:29 10:00:00"}, // a leap day
        {"2007:02:28 10:00:00", 86400, "2007:03:01 10:00:00"}, // no leap day
        {"2008:03:01 00:00:00", -1, "2008:02:29 23:59:59"},    // back onto a leap day
        {"2000:02:28 12:00:00", 86400, "2000:02:29 12:00:00"}, // divisible by 400
        {"1900:02:28 12:00:00", 86400, "1900:03:01 12:00:00"}, // by 100, not 400
        {"2006:11:30 09:15:00", -(2 * 86400 + 3 * 3600), "2006:11:28 06:15:00"},
        {"2006:11:30 09:15:00", (3650LL + 3) * 86400, "2016:11:30 09:15:00"}, // 3 leap days
    };
    for (const auto& [from, by, to] : cases) {
        const auto moved = ShiftDateText(from, by);
        ASSERT_TRUE(moved) << from;
        EXPECT_EQ(*moved, to) << from << " by " << by;
    }
    // Not dates, or out of the years a text can hold: left alone.
    for (const char* text :
         {"", "2006:02:30 10:00:00", "2006:13:01 10:00:00", "2006:12:24 24:00:00",
          "    :  :     :  :  ", "2006:12:24", "2006-12-24 10:00:00", "2006:12:24 10:00:00 "})
        EXPECT_FALSE(ShiftDateText(text, 60)) << text;
    EXPECT_FALSE(ShiftDateText("9999:12:31 23:59:59", 1));
    EXPECT_FALSE(ShiftDateText("0001:01:01 00:00:00", -1));
}

// A photo whose three texts hold different dates, and one that is not a date.
Bytes ThreeDates(const std::string& dateTime, const std::string& original,
                 const std::string& digitized) {
    Tiff t = CameraTiff(ByteOrder::Big);
    t.ifd0[2] = Ascii(tag::DateTime, dateTime);
    (*t.exif)[0] = Ascii(tag::DateTimeOriginal, original);
    (*t.exif)[1] = Ascii(tag::DateTimeDigitized, digitized);
    return Jpeg({ExifApp1(t.build())});
}

// GPS stamps and zones as a photo may hold them, hostile ones among them: a true time, or the
// reason there is none.
TEST(Clock, TheGpsStampsGiveATrueTimeOrAReason) {
    using P = ClockProblem;
    using Stamps = std::array<Rational, 3>;
    const uint32_t most = UINT32_MAX;
    const Stamps noon{{{12, 1}, {0, 1}, {0, 1}}};
    struct Case {
        const char* date;
        std::optional<Stamps> time; // nullopt: not three RATIONALs
        std::optional<std::string> zone;
        P problem;
        const char* truth;
    };
    const Case cases[] = {
        {"2020:01:01", noon, "+09:00", P::None, "2020:01:01 21:00:00"},
        {"2020:01:01", noon, "-05:30", P::None, "2020:01:01 06:30:00"},
        {"2020:01:01", Stamps{{{12, 1}, {0, 1}, {5999, 100}}}, "+09:00", P::None,
         "2020:01:01 21:00:59"}, // fractions of a second dropped
        {"2020:01:01", Stamps{{{most, most}, {most, 1000000000}, {0, 1}}}, "+00:00", P::None,
         "2020:01:01 01:04:17"},
        {"9999:12:31", Stamps{{{20, 1}, {0, 1}, {0, 1}}}, "+09:00", P::BadGpsStamps, ""},
        {"2020:02:30", noon, "+09:00", P::BadGpsStamps, ""},
        {"2020:01:01", Stamps{{{12, 0}, {0, 1}, {0, 1}}}, "+09:00", P::BadGpsStamps, ""},
        {"2020:01:01", Stamps{{{24, 1}, {0, 1}, {0, 1}}}, "+09:00", P::BadGpsStamps, ""},
        {"2020:01:01", Stamps{{{most, 1}, {0, 1}, {0, 1}}}, "+09:00", P::BadGpsStamps, ""},
        {"2020:01:01", std::nullopt, "+09:00", P::BadGpsStamps, ""},
        {"2020:01:01", noon, "+9:00", P::BadZone, ""},
        {"2020:01:01", noon, "JST", P::BadZone, ""},
    };
    auto fields = [](const char* date, std::optional<Stamps> time,
                     std::optional<std::string> zone) {
        CameraFields f;
        f.make = "Maker";
        f.dateTimeOriginal = "2020:01:01 20:00:00";
        f.offsetTimeOriginal = std::move(zone);
        f.gps.date = date;
        f.gps.timeEntry = true;
        f.gps.time = time;
        return f;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        const ClockError e = ClockErrorByGps(fields(c.date, c.time, c.zone));
        EXPECT_EQ(e.problem, c.problem) << ClockProblemText(e.problem);
        if (c.problem != P::None) continue;
        EXPECT_EQ(e.trueTime, c.truth);
        EXPECT_EQ(e.seconds, CalendarSeconds(*ParseDateText(c.truth)) -
                                 CalendarSeconds(*ParseDateText("2020:01:01 20:00:00")));
        EXPECT_EQ(ParseOffset(FormatOffset(e.seconds)), e.seconds);
    }
    // A blank zone is the camera's "unknown": the local zone's, as with none.
    const ClockError local = ClockErrorByGps(fields("2020:01:01", noon, std::nullopt));
    EXPECT_TRUE(local.ok());
    EXPECT_EQ(ClockErrorByGps(fields("2020:01:01", noon, "   :  ")).trueTime, local.trueTime);
    CameraFields none = fields("2020:01:01", noon, "+09:00");
    none.gps.timeEntry = false;
    EXPECT_EQ(ClockErrorByGps(none).problem, P::NoGpsStamps);
}

TEST(Shift, EachTextMovesFromItsOwnValueAndUndoPutsItBack) {
    TempDir dir, logs;
    const fs::path p = dir.put(
        "a.jpg", ThreeDates("2008:12:31 23:00:00", "2008:02:28 22:30:00", "2008:05:30 15:56:01"));
    const Bytes before = ReadAll(p);
    // (Whole 100 ns steps: what Windows keeps of a file time.)
    const FileTimes timesBefore{
        {1300000000, 123456700}, {1300000009, 500}, {1300000000, 123456700}};
    SetTimes(p, timesBefore);

    const Ran ran =
        RunOver(*MakeShiftDates({9 * 3600 - 30 * 60, ""}), {p.string()}, logs.path().string());
    ASSERT_EQ(ran.outcomes.size(), 1u);
    const PhotoOutcome& o = ran.outcomes[0];
    ASSERT_TRUE(o.changed());
    std::map<uint16_t, std::string> texts;
    for (const DateWrite& w : o.plan.dates.writes)
        texts[w.tag] = w.newBytes;
    EXPECT_EQ(texts[tag::DateTime], "2009:01:01 07:30:00");
    EXPECT_EQ(texts[tag::DateTimeOriginal], "2008:02:29 07:00:00");
    EXPECT_EQ(texts[tag::DateTimeDigitized], "2008:05:31 00:26:01");
    EXPECT_EQ(o.after.EmbeddedDate, "2008:02:29 07:00:00");
    // The file gets the moved shooting date, local time.
    EXPECT_EQ(ReadFileTimes(p.string())->modified.seconds,
              LocalToUnix({2008, 2, 29, 7, 0, 0}).value());

    UndoSummary u = UndoJournals({ran.summary.journalPath}, false, {});
    EXPECT_TRUE(u.ok());
    EXPECT_EQ(u.restored, 1u);
    EXPECT_EQ(ReadFileTimes(p.string())->modified, timesBefore.modified);
#ifndef _WIN32
    // (Under Wine any query of a file sets its access time; Windows itself does not.)
    EXPECT_EQ(ReadFileTimes(p.string())->accessed, timesBefore.accessed);
#endif
    EXPECT_EQ(ReadAll(p), before);
    u = UndoJournals({ran.summary.journalPath}, false, {});
    EXPECT_EQ(u.asBefore, 1u);
}

TEST(Shift, ATextThatIsNoDateIsLeftAloneAndTheFilterChoosesTexts) {
    TempDir dir;
    const fs::path p = dir.put(
        "a.jpg", ThreeDates("2008:07:31 10:38:11", "    :  :     :  :  ", "2008:05:30 15:56:01"));
    Ran ran = RunOver(*MakeShiftDates({-3600, ""}), {p.string()}, "");
    ASSERT_EQ(ran.outcomes.size(), 1u);
    const PhotoOutcome& o = ran.outcomes[0];
    ASSERT_TRUE(o.changed());
    EXPECT_EQ(o.plan.dates.writes.size(), 2u);
    ASSERT_EQ(o.plan.notes.size(), 1u);
    EXPECT_NE(o.plan.notes[0].find("DateTimeOriginal"), std::string::npos);
    EXPECT_EQ(o.after.EmbeddedDate, "    :  :     :  :  ");
    // Without a shooting date the file gets the moved DateTime.
    EXPECT_EQ(ReadFileTimes(p.string())->modified.seconds,
              LocalToUnix({2008, 7, 31, 9, 38, 11}).value());

    // Only the texts of one day move.
    const fs::path q = dir.put(
        "b.jpg", ThreeDates("2008:07:31 10:38:11", "2008:05:30 15:56:01", "2008:05:30 16:00:00"));
    ran = RunOver(*MakeShiftDates({86400, "2008:05:30"}), {q.string()}, "");
    ASSERT_EQ(ran.outcomes.size(), 1u);
    EXPECT_EQ(ran.outcomes[0].plan.dates.writes.size(), 2u);
    EXPECT_EQ(ran.outcomes[0].after.EmbeddedDate, "2008:05:31 15:56:01");
}

TEST(Shift, APhotoWithoutDatesHasItsFileTimeMovedAFileThatIsNoPhotoNot) {
    TempDir dir;
    const fs::path p = dir.put("plain.jpg", Photo("xmp_no_exif.jpg"));
    const fs::path text = dir.put("notes.jpg", Bytes{'h', 'i', '\n'});
    const FileTimes old{{1300000000, 123456700}, {1300000000, 0}, {1300000000, 123456700}};
    for (const fs::path& f : {p, text})
        SetTimes(f, old);
    const Ran ran = RunOver(*MakeShiftDates({-86400, ""}), {p.string(), text.string()}, "");
    ASSERT_EQ(ran.outcomes.size(), 2u);
    EXPECT_TRUE(ran.outcomes[0].changed());
    // Moved by the offset, to the nanosecond.
    EXPECT_EQ(ReadFileTimes(p.string())->modified, (FileInstant{1300000000 - 86400, 123456700}));
    EXPECT_EQ(ReadAll(p), Photo("xmp_no_exif.jpg"));
    EXPECT_EQ(ran.outcomes[1].result, PhotoOutcome::Result::Refused);
    EXPECT_EQ(ReadFileTimes(text.string())->modified, old.modified);
}

// A file time no run can give: each kind says so, and the file keeps the times it had (a run
// that would only set times leaves the photo alone); undo gives the texts back.
TEST(FileTimes, ATimeThatCannotBeHeldIsNeverKeptSilently) {
    TempDir dir, logs;
    // Does this file system keep a time before 1901? (ext4 does not: it clamps it.)
    const fs::path probe = dir.put("probe", Bytes{1});
    const FileInstant old1850{LocalToUnix({1850, 6, 15, 12, 0, 0}).value(), 0};
    SetTimes(probe, {old1850, old1850, old1850});
    const bool clamps = !(ReadFileTimes(probe.string())->modified == old1850);
    SetDatesOptions to1850;
    to1850.date = {1850, 6, 15, 0, 0, 0};
    to1850.timeOfDay = {0, 0, 0, 12, 0, 0};
    struct Case {
        const char* what;
        std::unique_ptr<RunKind> kind;
        const char* dates; // the three texts before
        bool heldOnlyHere; // the time can be held, where the file system holds 1850
    };
    Case cases[] = {
        {"file time from an 1850 shooting date", MakeFileTimeFromDate(), "1850:06:15 12:00:00",
         true},
        {"set to 1850", MakeSetDates(to1850), "2008:05:30 15:56:01", true},
        {"shift back to 1850", MakeShiftDates({-(158 * 365 + 38) * 86400LL, ""}),
         "2008:05:30 15:56:01", true},
        {"shift back before 1601", MakeShiftDates({-(500 * 365) * 86400LL, ""}),
         "2008:05:30 15:56:01", false},
    };
    for (Case& c : cases) {
        const Bytes bytes = ThreeDates(c.dates, c.dates, c.dates);
        const fs::path a = dir.put("a.jpg", bytes);
        const FileTimes before{{1300000000, 500}, {1300000001, 600}, {1300000000, 500}};
        SetTimes(a, before);
        const Ran ran = RunOver(*c.kind, {a.string()}, logs.path().string());
        ASSERT_EQ(ran.outcomes.size(), 1u);
        const PhotoOutcome& o = ran.outcomes[0];
        if (c.heldOnlyHere && !clamps) {
            EXPECT_FALSE(o.failed()) << c.what;
            continue;
        }
        // Told: refused, an error on the times, or a note that the file keeps its own.
        EXPECT_TRUE(o.result == PhotoOutcome::Result::Refused || o.timesError ||
                    !o.plan.notes.empty())
            << c.what;
        EXPECT_EQ(ReadFileTimes(a.string())->modified, before.modified) << c.what;
        EXPECT_TRUE(UndoJournals({ran.summary.journalPath}, false, {}).ok()) << c.what;
        EXPECT_EQ(ReadAll(a), bytes) << c.what;
    }
}

TEST(Shift, ByNothingChangesNoPhotoAndJournalsNone) {
    TempDir dir, logs;
    const fs::path dated = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    const fs::path plain = dir.put("b.jpg", Photo("xmp_no_exif.jpg"));
    const Ran ran =
        RunOver(*MakeShiftDates({0, ""}), {dated.string(), plain.string()}, logs.path().string());
    ASSERT_EQ(ran.outcomes.size(), 2u);
    for (const PhotoOutcome& o : ran.outcomes)
        EXPECT_EQ(o.result, PhotoOutcome::Result::Unchanged) << o.path;
    EXPECT_TRUE(ran.summary.journalPath.empty());
}

TEST(FileTime, TheShootingDateElseDateTimeAndUndo) {
    TempDir dir, logs;
    const fs::path a = dir.put(
        "a.jpg", ThreeDates("2008:07:31 10:38:11", "2008:05:30 15:56:01", "2008:05:30 15:56:01"));
    const fs::path b = dir.put(
        "b.jpg", ThreeDates("2008:07:31 10:38:11", "not a date at all!!", "2008:05:30 15:56:01"));
    const fs::path c = dir.put("c.jpg", Photo("xmp_no_exif.jpg"));
    const FileTimes old{{1300000000, 500}, {1300000001, 600}, {1300000000, 500}};
    for (const fs::path& p : {a, b, c})
        SetTimes(p, old);
    const Ran ran = RunOver(*MakeFileTimeFromDate(), {a.string(), b.string(), c.string()},
                            logs.path().string());
    ASSERT_EQ(ran.outcomes.size(), 3u);
    EXPECT_EQ(ReadFileTimes(a.string())->modified.seconds,
              LocalToUnix({2008, 5, 30, 15, 56, 1}).value());
    EXPECT_EQ(ReadFileTimes(b.string())->modified.seconds,
              LocalToUnix({2008, 7, 31, 10, 38, 11}).value());
    EXPECT_EQ(ran.outcomes[2].result, PhotoOutcome::Result::Refused);
    EXPECT_EQ(ReadFileTimes(c.string())->modified, old.modified);
    // No byte of any photo changed.
    EXPECT_EQ(ReadAll(c), Photo("xmp_no_exif.jpg"));
    EXPECT_EQ(ReadAll(a),
              ThreeDates("2008:07:31 10:38:11", "2008:05:30 15:56:01", "2008:05:30 15:56:01"));

    // Once more: files whose last-write time is already right stay as they are, whatever
    // their access time (others' reading changes it).
    const FileInstant shot{LocalToUnix({2008, 5, 30, 15, 56, 1}).value(), 0};
    SetTimes(a, {shot, {1400000000, 0}, shot});
    const Ran again = RunOver(*MakeFileTimeFromDate(), {a.string()}, "");
    ASSERT_EQ(again.outcomes.size(), 1u);
    EXPECT_EQ(again.outcomes[0].result, PhotoOutcome::Result::Unchanged);

    const UndoSummary u = UndoJournals({ran.summary.journalPath}, false, {});
    EXPECT_TRUE(u.ok());
    EXPECT_EQ(u.restored, 2u);
    for (const fs::path& p : {a, b, c})
        EXPECT_EQ(ReadFileTimes(p.string())->modified, old.modified) << p;
}

} // namespace
} // namespace tokimori
