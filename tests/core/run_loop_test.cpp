// The run loop over real files: what a run changes and nothing else, each file once, the
// window's and the command line's policies, and everything the run writes beside the photos
// (log folder, log, journal) checked before a photo changes or reported when it fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "TestFiles.h"
#include "base/Faults.h"
#include "base/Paths.h"
#include "base/SystemError.h"
#include "exif/ExifLayout.h"
#include "filetime/FileDate.h"
#include "run/Journal.h"
#include "run/OperationLog.h"
#include "run/RunLoop.h"
#include "run/Undo.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

const std::vector<std::string> kCameras = {
    "Canon_40D.jpg",    "Nikon_D70.jpg",   "Sony_HDR-HC3.jpg",         "gps_DSCN0010.jpg",
    "Kodak_CX7530.jpg", "xmp_no_exif.jpg", "exif-org_olympus-c960.jpg"};

// A set over targets, to 2006-12-24 10:00:00 unless told otherwise.
Ran Set(const std::vector<std::string>& targets, const std::string& logFolder,
        const RunPolicy& policy = {}, const SetDatesOptions& o = SetTo()) {
    return RunOver(*MakeSetDates(o), targets, logFolder, policy);
}

FileTimes TimesOf(const std::string& path) {
    auto t = ReadFileTimes(path);
    EXPECT_TRUE(t.ok()) << path;
    return t.ok() ? t.value() : FileTimes{};
}

int64_t NewInstant() {
    return LocalToUnix({2006, 12, 24, 10, 0, 0}).value();
}

TEST(RunLoop, ChangesTheDateTextsAndTimesAndNothingElse) {
    TempDir dir, logs;
    const std::vector<std::string> photos = CopyPhotos(dir, kCameras);
    const Ran ran = Set(photos, logs.path().string());
    ASSERT_FALSE(ran.summary.stoppedBy);
    ASSERT_EQ(ran.outcomes.size(), photos.size());
    size_t changed = 0;
    for (const PhotoOutcome& o : ran.outcomes) {
        const std::string name = fs::path(o.path).filename().string();
        const Bytes before = Photo(name), after = ReadAll(o.path);
        ASSERT_EQ(before.size(), after.size()) << name;
        // Every changed byte lies in a planned date text.
        for (size_t at : Differences(before, after)) {
            EXPECT_TRUE(std::any_of(o.plan.dates.writes.begin(), o.plan.dates.writes.end(),
                                    [&](const DateWrite& w) {
                                        return at >= w.offset && at < w.offset + w.newBytes.size();
                                    }))
                << name << " byte " << at;
        }
        if (!o.changed()) {
            EXPECT_EQ(before, after) << name;
            continue;
        }
        ++changed;
        EXPECT_EQ(TimesOf(o.path).modified, (FileInstant{NewInstant(), 0})) << name;
        EXPECT_EQ(o.timesAfter.modified, (FileInstant{NewInstant(), 0})) << name;
        if (!o.before.EmbeddedDate.empty()) {
            EXPECT_EQ(o.after.EmbeddedDate, "2006:12:24 10:00:00");
        }
    }
    EXPECT_EQ(ran.summary.changed, changed);
    EXPECT_GE(changed, 5u);
    // The photo without Exif data is told, not counted as failed, and left as it was.
    const auto noExif =
        std::find_if(ran.outcomes.begin(), ran.outcomes.end(),
                     [](const PhotoOutcome& o) { return o.path.ends_with("xmp_no_exif.jpg"); });
    ASSERT_NE(noExif, ran.outcomes.end());
    EXPECT_EQ(noExif->result, PhotoOutcome::Result::NoExif);
    EXPECT_EQ(ran.summary.failed, 0u);

    // One journal record and one log line per changed photo.
    auto journal = ReadJournal(ran.summary.journalPath);
    ASSERT_TRUE(journal.ok());
    EXPECT_EQ(journal->records.size(), changed);
    EXPECT_TRUE(journal->problems.empty());
    ASSERT_TRUE(journal->header);
    EXPECT_EQ(journal->header->kind, "set");
    // Each line "yyyy/MM/dd-hh:mm:ss ExifData>" and the photo's path and dates before the change,
    // in the order of the photos (the system's ANSI code page on Windows).
    const Bytes log = ReadAll(ran.summary.logPath);
    std::string want, got;
    for (const PhotoOutcome& o : ran.outcomes)
        if (o.changed())
            want +=
                " ExifData>" + LogTextOf(o.path, o.before.EmbeddedDate, o.fileDateText) + "\r\n";
    std::istringstream lines(std::string(log.begin(), log.end()));
    for (std::string line; std::getline(lines, line);) {
        ASSERT_GT(line.size(), 19u);
        EXPECT_TRUE(line[4] == '/' && line[10] == '-') << line;
        got += line.substr(19) + "\n";
    }
    EXPECT_EQ(got, ToSystemText(want));
}

#ifdef _WIN32
TEST(RunLoop, TheLogIsWrittenInTheSystemsAnsiCodePage) {
    if (GetACP() != 932) GTEST_SKIP() << "run with LANG=ja_JP.UTF-8 for the Japanese code page";
    TempDir dir, logs;
    const Ran ran = Set({dir.put("a.jpg", Photo("Canon_40D.jpg")).string()}, logs.path().string());
    const Bytes log = ReadAll(ran.summary.logPath);
    const Bytes pasu{' ', '[', 0x83, 0x70, 0x83, 0x58, '-'}; // " [パス-" in Shift_JIS
    EXPECT_NE(std::search(log.begin(), log.end(), pasu.begin(), pasu.end()), log.end());
}
#endif

TEST(RunLoop, DatesReportedAreThoseReadBackAfterTheChange) {
    TempDir dir;
    // DateTimeOriginal holds a text shorter than its 20 bytes: "2008:05:30", a 0, then junk.
    Tiff t = CameraTiff(ByteOrder::Big);
    (*t.exif)[0] =
        AsciiCounted(tag::DateTimeOriginal, std::string("2008:05:30\0JUNKJUNK\0", 20), 20);
    const fs::path p = dir.put("short.jpg", Jpeg({ExifApp1(t.build())}));
    const Ran ran = Set({p.string()}, "");
    ASSERT_EQ(ran.outcomes.size(), 1u);
    EXPECT_EQ(ran.outcomes[0].before.EmbeddedDate, "2008:05:30");
    EXPECT_EQ(ran.outcomes[0].after.EmbeddedDate, "2006:12:24 10:00:00");
}

#ifndef _WIN32
TEST(RunLoop, FileTimesAreReportedAsTheSystemSetThem) {
    // 02:30 on the day clocks spring forward does not exist: it is 03:30 summer time.
    InZone newYork("America/New_York");
    TempDir dir;
    const fs::path p = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    SetDatesOptions o = SetTo();
    o.date = {2021, 3, 14, 0, 0, 0};
    o.timeOfDay = {0, 0, 0, 2, 30, 0};
    const Ran ran = Set({p.string()}, "", {}, o);
    ASSERT_EQ(ran.outcomes.size(), 1u);
    const LocalDateTime shown = LocalFromUnix(ran.outcomes[0].timesAfter.modified.seconds);
    EXPECT_EQ(shown.hour, 3);
    EXPECT_EQ(shown.minute, 30);
}
#endif

TEST(RunLoop, KeepingTheTimeOfDayGivesTheFileItsOwnTimeOnTheNewDate) {
    TempDir dir;
    const fs::path p = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    const FileInstant own{LocalToUnix({2004, 3, 1, 7, 5, 9}).value(), 123456700};
    SetTimes(p, {own, own, own});
    SetDatesOptions o = SetTo();
    o.keepTime = true;
    const Ran ran = Set({p.string()}, "", {}, o);
    ASSERT_EQ(ran.outcomes.size(), 1u);
    EXPECT_EQ(ran.outcomes[0].after.EmbeddedDate, "2006:12:24 15:56:01");
    const FileTimes t = TimesOf(p.string());
    EXPECT_EQ(LocalFromUnix(t.modified.seconds), (LocalDateTime{2006, 12, 24, 7, 5, 9}));
    EXPECT_EQ(t.modified.nanoseconds, 0);
#ifndef _WIN32 // (under Wine any query of a file sets its access time)
    EXPECT_EQ(t.accessed, t.modified);
#endif
}

// A photo the run cannot open for writing: immutable (a real obstacle even for root), or on
// Windows held open by another program that shares it with nobody.
TEST(RunLoop, APhotoThatCannotBeOpenedForWritingFailsAndKeepsItsBytesAndTimes) {
    TempDir dir;
    const fs::path p = dir.put("locked.jpg", Photo("Canon_40D.jpg"));
    const FileTimes before = TimesOf(p.string());
    Ran ran;
    {
#ifdef _WIN32
        HANDLE held = CreateFileW(p.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ran = Set({p.string()}, "");
        CloseHandle(held);
#else
        Immutable locked(p);
        if (!locked) GTEST_SKIP() << "this file system has no immutable files";
        ran = Set({p.string()}, "");
#endif
    }
    ASSERT_EQ(ran.outcomes.size(), 1u);
    EXPECT_EQ(ran.outcomes[0].result, PhotoOutcome::Result::Failed);
    EXPECT_EQ(ran.outcomes[0].error.number, 70);
    EXPECT_EQ(ReadAll(p), Photo("Canon_40D.jpg"));
    EXPECT_EQ(TimesOf(p.string()).modified, before.modified);
}

TEST(RunLoop, EachFileIsDoneOnceHoweverOftenItIsReached) {
    TempDir dir;
    const fs::path a = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    std::vector<std::string> targets{a.string(), a.string(), (dir.path() / "." / "a.jpg").string()};
#ifndef _WIN32
    fs::create_hard_link(a, dir.path() / "hard.jpg");
    fs::create_symlink(a, dir.path() / "soft.jpg");
    targets.push_back((dir.path() / "hard.jpg").string());
    targets.push_back((dir.path() / "soft.jpg").string());
#endif
    const Ran ran = Set(targets, "");
    EXPECT_EQ(ran.summary.changed, 1u);
    EXPECT_EQ(ran.summary.failed, 0u);
    ASSERT_EQ(ran.outcomes.size(), targets.size());
    EXPECT_TRUE(ran.outcomes[0].changed());
    for (size_t i = 1; i < ran.outcomes.size(); ++i)
        EXPECT_EQ(ran.outcomes[i].result, PhotoOutcome::Result::Duplicate) << i;
    // Journal and log keep absolute paths whatever was typed.
    EXPECT_EQ(ran.outcomes[2].path, a.string());
}

TEST(RunLoop, TheWindowStopsAtTheFirstFailureTheCommandLineGoesOn) {
    for (const bool stop : {true, false}) {
        TempDir dir, logs;
        const fs::path a = dir.put("a.jpg", Photo("Canon_40D.jpg"));
        fs::create_directory(dir.path() / "folder.jpg");
        const fs::path b = dir.put("b.jpg", Photo("Nikon_D70.jpg"));
        RunPolicy policy;
        policy.stopAtFirstError = stop;
        const Ran ran = Set({a.string(), (dir.path() / "folder.jpg").string(), b.string()},
                            logs.path().string(), policy);
        ASSERT_GE(ran.outcomes.size(), 2u);
        EXPECT_TRUE(ran.outcomes[0].changed());
        EXPECT_EQ(ran.outcomes[1].result, PhotoOutcome::Result::Failed);
        EXPECT_EQ(ran.outcomes[1].error.number, 75);
        EXPECT_EQ(ran.outcomes.size(), stop ? 2u : 3u);
        EXPECT_EQ(ReadAll(b) == Photo("Nikon_D70.jpg"), stop);
        EXPECT_EQ(ran.summary.failed, 1u);
    }
}

TEST(RunLoop, AListedFileGoneStopsTheRunBeforeAnythingChanges) {
    TempDir dir;
    const fs::path a = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    RunPolicy policy;
    policy.checkListedFilesExist = true;
    const Ran ran = Set({a.string(), (dir.path() / "gone.jpg").string()}, "", policy);
    EXPECT_EQ(ran.summary.stalePath, (dir.path() / "gone.jpg").string());
    EXPECT_TRUE(ran.outcomes.empty());
    EXPECT_EQ(ReadAll(a), Photo("Canon_40D.jpg"));
}

TEST(RunLoop, AnUnusableLogFolderStopsTheRunBeforeTheFirstPhoto) {
    TempDir dir, logs;
    const fs::path a = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    // A missing log folder is made, and each folder made reaches the disk in its parent
    // before a photo changes.
    {
        static std::vector<std::string> events;
        events.clear();
        SetIoObserver([](const IoEvent& e) {
            events.push_back(e.kind == IoEvent::Kind::SyncFolder ? *e.path : "other");
        });
        const fs::path made = logs.path() / "new" / "logs";
        const Ran ran = Set({a.string()}, made.string());
        SetIoObserver(nullptr);
        EXPECT_FALSE(ran.summary.stoppedBy);
        EXPECT_TRUE(fs::exists(made / fs::path(ran.summary.logPath).filename()));
#ifndef _WIN32 // (the Windows file system journals its folders' entries itself)
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[0], logs.path().string());
        EXPECT_EQ(events[1], (logs.path() / "new").string());
#endif
        WriteAll(a, Photo("Canon_40D.jpg"));
    }
    auto expectStopped = [&](const std::string& folder, int number) {
        const Ran ran = Set({a.string()}, folder);
        ASSERT_TRUE(ran.summary.stoppedBy) << folder;
        EXPECT_EQ(ran.summary.stoppedBy->number, number) << folder;
        EXPECT_TRUE(ran.outcomes.empty());
        EXPECT_EQ(ReadAll(a), Photo("Canon_40D.jpg"));
    };
    // A file where the folder should be.
    dir.put("not-a-folder", Bytes{1});
    expectStopped((dir.path() / "not-a-folder").string(), 75);
    // A folder in the place of today's log.
    TempDir odd;
    fs::create_directory(odd.path() / LogNameFor(LocalNow()));
    expectStopped(odd.path().string(), 75);
#ifndef _WIN32
    // A link there: never followed, and the file it names stays as it was.
    TempDir linked;
    const fs::path elsewhere = dir.put("elsewhere.txt", Bytes{'k'});
    fs::create_symlink(elsewhere, linked.path() / LogNameFor(LocalNow()));
    expectStopped(linked.path().string(), 75);
    EXPECT_EQ(ReadAll(elsewhere), Bytes{'k'});
#endif
#ifndef _WIN32
    // A folder that cannot be written, even by root.
    TempDir locked;
    Immutable frozen(locked.path());
    if (!frozen) GTEST_SKIP() << "this file system has no immutable folders";
    expectStopped(locked.path().string(), 70);
#endif
}

TEST(RunLoop, ALogLineThatCannotBeWrittenIsReportedAndNoEmptyLogStays) {
    TempDir dir, logs;
    const fs::path a = dir.put("a.jpg", Photo("Canon_40D.jpg"));
    InjectFault full(FaultSite::LogAppend, 1, Fault::Kind::Fail);
    const Ran ran = Set({a.string()}, logs.path().string());
    ASSERT_EQ(ran.outcomes.size(), 1u);
    EXPECT_TRUE(ran.outcomes[0].changed());
    ASSERT_TRUE(ran.outcomes[0].logError);
    EXPECT_EQ(ran.outcomes[0].logError->number, 61);
    EXPECT_EQ(ran.summary.failed, 1u);
    EXPECT_FALSE(fs::exists(logs.path() / LogNameFor(LocalNow())));
}

TEST(RunLoop, AFullDiskInTheJournalStopsTheRunBeforeThatPhotoChanges) {
    TempDir dir, logs;
    const std::vector<std::string> photos = CopyPhotos(dir, kCameras);
    std::vector<Bytes> before;
    std::vector<FileTimes> timesBefore;
    for (const std::string& p : photos) {
        before.push_back(ReadAll(p));
        timesBefore.push_back(TimesOf(p));
    }
    Ran ran;
    {
        InjectFault full(FaultSite::JournalAppend, 3, Fault::Kind::Short);
        ran = Set(photos, logs.path().string());
    }
    ASSERT_TRUE(ran.summary.stoppedBy);
    EXPECT_TRUE(ran.summary.journalFailed);
    EXPECT_EQ(ran.summary.stoppedBy->number, 61);
    EXPECT_EQ(ran.summary.changed, 2u);
    // Photos from the third on are as they were; the journal holds two whole records.
    for (size_t i = 2; i < photos.size(); ++i) {
        EXPECT_EQ(ReadAll(photos[i]), before[i]) << photos[i];
        EXPECT_EQ(TimesOf(photos[i]).modified, timesBefore[i].modified) << photos[i];
    }
    auto journal = ReadJournal(ran.summary.journalPath);
    ASSERT_TRUE(journal.ok());
    EXPECT_TRUE(journal->problems.empty());
    EXPECT_FALSE(journal->cutAtEnd);
    EXPECT_EQ(journal->records.size(), 2u);
    // And the two changed photos come back exactly.
    const UndoSummary u = UndoJournals({ran.summary.journalPath}, false, {});
    EXPECT_TRUE(u.ok());
    for (size_t i = 0; i < photos.size(); ++i) {
        EXPECT_EQ(ReadAll(photos[i]), before[i]) << photos[i];
        EXPECT_EQ(TimesOf(photos[i]).modified, timesBefore[i].modified) << photos[i];
    }
}

TEST(RunLoop, NoPhotoChangesBeforeItsRecordIsOnTheDisk) {
    // The journal cannot be handed to the disk, or not even made (the summary then names no
    // journal: there is none).
    for (const FaultSite site : {FaultSite::JournalSync, FaultSite::JournalAppend}) {
        TempDir dir, logs;
        const std::vector<std::string> photos = CopyPhotos(dir, kCameras);
        InjectFault cannot(site, 1, Fault::Kind::Fail, 5 /* EIO */);
        const Ran ran = Set(photos, logs.path().string());
        ASSERT_TRUE(ran.summary.stoppedBy);
        EXPECT_TRUE(ran.summary.journalFailed);
        EXPECT_EQ(ran.summary.changed, 0u);
        EXPECT_EQ(ran.summary.journalPath.empty(), site == FaultSite::JournalAppend);
        EXPECT_TRUE(ran.summary.journalPath.empty() || fs::exists(ran.summary.journalPath));
        for (const std::string& p : photos)
            EXPECT_EQ(ReadAll(p), Photo(fs::path(p).filename().string())) << p;
    }
}

TEST(RunLoop, ADryRunChangesNothingNotEvenAccessTimes) {
    TempDir dir, logs;
    const std::vector<std::string> photos = CopyPhotos(dir, kCameras);
    std::vector<FileTimes> times;
    for (const std::string& p : photos)
        times.push_back(TimesOf(p));
    RunPolicy policy;
    policy.dryRun = true;
    const Ran ran = Set(photos, logs.path().string(), policy);
    EXPECT_GE(ran.summary.changed, 5u); // would change
    EXPECT_TRUE(fs::is_empty(logs.path()));
    for (size_t i = 0; i < photos.size(); ++i) {
        const FileTimes now = TimesOf(photos[i]); // before this test reads the photo
        EXPECT_EQ(now.modified, times[i].modified) << photos[i];
#ifndef _WIN32
        // (Under Wine any query of a file sets its access time; Windows itself does not.)
        EXPECT_EQ(now.accessed, times[i].accessed) << photos[i];
#endif
        EXPECT_EQ(ReadAll(photos[i]), Photo(fs::path(photos[i]).filename().string()));
    }
    for (const PhotoOutcome& o : ran.outcomes) {
        if (o.changed() && !o.before.EmbeddedDate.empty()) {
            EXPECT_EQ(o.after.EmbeddedDate, "2006:12:24 10:00:00") << o.path;
        }
    }
}

} // namespace
} // namespace tokimori
