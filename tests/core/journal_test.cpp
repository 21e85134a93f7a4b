// The undo journal: its lines check themselves, so a cut or damaged record is recognised; it is
// made exclusively and never through a link; a failed append leaves it at its last whole record.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestFiles.h"
#include "base/Faults.h"
#include "base/Paths.h"
#include "filetime/FileDate.h"
#include "run/Journal.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

const LocalDateTime kStarted{2006, 12, 6, 14, 3, 22};

JournalRecord Sample(const std::string& path, int64_t at) {
    JournalRecord r;
    r.changedAt = at;
    r.path = path;
    r.identity = {2049, 1234567, {1165413802, 250}};
    r.size = 157000;
    r.before = FileTimes{{1234567890, 5}, {1234567000, 999999999}, {1234567890, 5}};
    r.after = FileInstant{1166954400, 0};
    r.writes = {DateWrite{0x0132, 300, "2008:07:31 10:38:11", "2006:12:24 10:00:00"},
                DateWrite{0x9003, 320, "2008:05:30", "2006:12:24"}};
    return r;
}

JournalHeader Header() {
    return JournalHeader{"set", 1165413802, 7, "/photos/旅行\t2006", 4};
}

std::string TwoRecords() {
    return FormatJournalHeader(Header()) +
           FormatJournalRecord(Sample("/photos/tab\there%20\nnewline.jpg", 11)) +
           FormatJournalRecord(Sample("/photos/b.jpg", 12));
}

TEST(Journal, NamesTheProgramGivesAndNoOthers) {
    EXPECT_EQ(JournalNameFor(kStarted, 7), "Date20061206-140322-7.journal");
    EXPECT_EQ(JournalNameFor(kStarted, 7, 2), "Date20061206-140322-7-2.journal");
    std::string day;
    EXPECT_TRUE(IsJournalName("Date20061206-140322-7.journal", &day));
    EXPECT_EQ(day, "20061206");
    EXPECT_TRUE(IsJournalName("Date20061206-140322-7-2.journal"));
    for (const char* user :
         {"Date20061206.journal", "Date20061206-notes.journal", "Date20061206-140322-.journal",
          "Date2006120x-140322-7.journal", "Date20061206-14032-7.journal",
          "Date20061206-140322-7.journal.bak", "Date20061206-140322-7--2.journal"})
        EXPECT_FALSE(IsJournalName(user)) << user;
}

TEST(Journal, RecordsRoundTripWithTheirHeader) {
    const JournalContents back = ParseJournal(TwoRecords());
    ASSERT_TRUE(back.header);
    EXPECT_EQ(back.header->kind, "set");
    EXPECT_EQ(back.header->folder, "/photos/旅行\t2006");
    EXPECT_TRUE(back.problems.empty());
    EXPECT_FALSE(back.cutAtEnd);
    ASSERT_EQ(back.records.size(), 2u);
    const JournalRecord& one = back.records[0];
    const JournalRecord want = Sample("/photos/tab\there%20\nnewline.jpg", 11);
    EXPECT_EQ(one.path, want.path);
    EXPECT_EQ(one.changedAt, 11);
    EXPECT_EQ(one.identity, want.identity);
    EXPECT_EQ(one.size, want.size);
    EXPECT_EQ(one.before, want.before);
    EXPECT_EQ(one.after, want.after);
    ASSERT_EQ(one.writes.size(), 2u);
    EXPECT_EQ(one.writes[1].offset, 320u);
    EXPECT_EQ(one.writes[1].oldBytes, "2008:05:30");
    EXPECT_EQ(one.writes[1].newBytes, "2006:12:24");
    // One photo, one line, whatever its name holds.
    const std::string text = TwoRecords();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST(Journal, AJournalOfTheEarlierFormIsReadAndADoneLineMarksThePhotosLeftAlone) {
    // Version 2: no sequence number, no birth moments, no done lines.
    const std::string v2 =
        "TOKIMORI-JOURNAL\t2\tkind=set\tstarted=1165413802\tpid=7\tfolder=/photos\t#67:31331A15\n";
    JournalRecord old = Sample("/photos/a.jpg", 11);
    old.identity.born = {};
    const JournalContents read = ParseJournal(v2 + FormatJournalRecord(old));
    ASSERT_TRUE(read.header && read.problems.empty());
    EXPECT_EQ(read.header->folder, "/photos");
    EXPECT_EQ(read.header->sequence, 0u);
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].identity, old.identity);

    // A done line names the photos of its own batch, never one of an earlier batch.
    JournalRecord b = Sample("/photos/b.jpg", 12);
    b.identity.inode = 99;
    const JournalDone leftB{13, 1, {b.identity}};
    const JournalContents done =
        ParseJournal(TwoRecords() + FormatJournalDone({12, 2, {}}) + FormatJournalRecord(b) +
                     FormatJournalDone(leftB) + FormatJournalDone(leftB));
    ASSERT_EQ(done.records.size(), 3u);
    EXPECT_FALSE(done.records[0].left || done.records[1].left);
    EXPECT_TRUE(done.records[2].left);
    ASSERT_EQ(done.problems.size(), 1u); // the second done line of one batch
    EXPECT_EQ(done.problems[0].line, 7u);
}

TEST(Journal, EveryCutKeepsTheWholeRecordsAndSaysItWasCut) {
    const std::string full = TwoRecords();
    const size_t firstEnd = full.find('\n') + 1;
    const size_t secondEnd = full.find('\n', firstEnd) + 1;
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const JournalContents c = ParseJournal(full.substr(0, cut));
        // A line lacking only its line feed checks, and is whole.
        const bool wholeButTheEnd = cut == secondEnd - 1 || cut == full.size() - 1;
        EXPECT_EQ(c.records.size(), (cut >= secondEnd - 1 ? 1u : 0u) + (cut == full.size() - 1))
            << cut;
        EXPECT_EQ(c.cutAtEnd, cut != 0 && cut != firstEnd && cut != secondEnd &&
                                  cut != firstEnd - 1 && !wholeButTheEnd)
            << cut;
        // A cut line is told apart from a damaged one: no line is reported unreadable.
        EXPECT_TRUE(c.problems.empty()) << cut;
    }
}

TEST(Journal, ADamagedLineIsReportedWithItsNumberAndTheOthersStay) {
    const std::string full = TwoRecords();
    const size_t second = full.find('\n') + 1;
    const size_t third = full.find('\n', second) + 1;
    // Every single changed byte of the second line is caught by its length or checksum.
    for (size_t at = second; at + 1 < third; ++at) {
        std::string damaged = full;
        damaged[at] = damaged[at] == '7' ? '8' : '7';
        const JournalContents c = ParseJournal(damaged);
        ASSERT_EQ(c.problems.size(), 1u) << at;
        EXPECT_EQ(c.problems[0].line, 2u);
        ASSERT_EQ(c.records.size(), 1u);
        EXPECT_EQ(c.records[0].path, "/photos/b.jpg");
    }
    // A record appended to the half of another (the old fault) is one damaged line.
    const std::string half =
        full.substr(0, second + 40) + FormatJournalRecord(Sample("/c.jpg", 13));
    const JournalContents c = ParseJournal(half);
    ASSERT_EQ(c.problems.size(), 1u);
    EXPECT_EQ(c.problems[0].line, 2u);
    EXPECT_TRUE(c.records.empty());
}

TEST(JournalWriter, AFullDiskLeavesTheLastWholeRecord) {
    TempDir dir;
    JournalWriter w(dir.path().string(), Header());
    size_t written = 0;
    w.add(Sample("/a.jpg", 1));
    w.add(Sample("/b.jpg", 2));
    ASSERT_TRUE(w.write(written).ok());
    EXPECT_EQ(written, 2u);
    {
        // The disk fills while the second record of a batch is written: the first is whole.
        InjectFault full(FaultSite::JournalAppend, 2, Fault::Kind::Short);
        for (const char* path : {"/c.jpg", "/d.jpg", "/e.jpg"})
            w.add(Sample(path, 3));
        Status s = w.write(written);
        ASSERT_FALSE(s.ok());
        EXPECT_EQ(s.error().number, 61);
        EXPECT_EQ(written, 1u);
    }
    w.add(Sample("/f.jpg", 4)); // the next record starts on a line of its own
    ASSERT_TRUE(w.write(written).ok());
    ASSERT_TRUE(w.close().ok());
    auto back = ReadJournal(w.path());
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(back->problems.empty());
    EXPECT_FALSE(back->cutAtEnd);
    ASSERT_EQ(back->records.size(), 4u);
    EXPECT_EQ(back->records[2].path, "/c.jpg");
    EXPECT_EQ(back->records[3].path, "/f.jpg");
}

TEST(JournalWriter, AFirstRecordThatCannotBeWrittenLeavesNoJournal) {
    TempDir dir;
    JournalWriter w(dir.path().string(), Header());
    InjectFault full(FaultSite::JournalAppend, 1, Fault::Kind::Fail);
    w.add(Sample("/a.jpg", 1));
    size_t written = 0;
    EXPECT_FALSE(w.write(written).ok());
    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(w.used());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(JournalWriter, MadeExclusivelyForItsOwnerNeverThroughALink) {
    TempDir dir;
    const std::string first = JournalNameFor(LocalFromUnix(Header().started), 7);
    // A file already under the name (an earlier run in the same second) is left alone.
    dir.put(first, Bytes{'u'});
    const std::string made = WriteJournal(dir.path(), Header(), {Sample("/a.jpg", 1)});
    EXPECT_EQ(ReadAll(dir.path() / first), Bytes{'u'});
    EXPECT_EQ(fs::path(made).filename().string(),
              JournalNameFor(LocalFromUnix(Header().started), 7, 2));
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A link put where the journal goes is not followed: the file it names stays as it was.
    TempDir other;
    const auto victim = other.put("victim.txt", Bytes{'v'});
    TempDir trap;
    for (int n = 1; n <= 3; ++n)
        fs::create_symlink(victim,
                           trap.path() / JournalNameFor(LocalFromUnix(Header().started), 7, n));
    WriteJournal(trap.path(), Header(), {Sample("/a.jpg", 1)}); // under the first free name
    EXPECT_EQ(ReadAll(victim), Bytes{'v'});
#endif
}

TEST(Journal, SomethingThatIsNoJournalIsRefusedUnread) {
    TempDir dir;
    EXPECT_EQ(ReadJournal((dir.path() / "none.journal").string()).error().number, 53);
    fs::create_directory(dir.path() / "folder.journal");
    EXPECT_EQ(ReadJournal((dir.path() / "folder.journal").string()).error().number, 75);
    // Text that is no journal, even one without a line feed that looks cut short, is refused.
    std::vector<std::string> notJournals = {"hi\n", "PATH=/usr/bin"};
#ifndef _WIN32
    notJournals.push_back("/proc/self/environ");
#endif
    for (const std::string& what : notJournals) {
        const std::string path =
            what.front() == '/' ? what
                                : dir.put("text.journal", Bytes(what.begin(), what.end())).string();
        auto text = ReadJournal(path);
        ASSERT_TRUE(text.ok()) << what;
        EXPECT_TRUE(text->records.empty()) << what;
        EXPECT_FALSE(text->cutAtEnd) << what;
        ASSERT_EQ(text->problems.size(), 1u) << what;
        EXPECT_EQ(text->problems[0].line, 1u) << what;
    }
}

TEST(Journals, KeptThirtyDaysAndTheLastTwentyRunsAndOnlyTheProgramsOwnRemoved) {
    TempDir dir;
    const int64_t now = LocalToUnix({2006, 12, 24, 12, 0, 0}).value();
    auto name = [](int year, int month, int day, int n) {
        return JournalNameFor({year, month, day, 10, 0, n}, 42);
    };
    // 25 runs long ago, 3 within the last 30 days.
    for (int n = 0; n < 25; ++n)
        dir.put(name(2006, 1, 10, n), Bytes{'x'});
    for (int day : {1, 20, 24})
        dir.put(name(2006, 12, day, 0), Bytes{'x'});
    // A user's files and a folder that look like journals stay whatever their age.
    dir.put("Date20000101-notes.journal", Bytes{'u'});
    dir.put("Date20000101.journal", Bytes{'u'});
    fs::create_directory(dir.path() / name(2000, 1, 1, 0));
    PruneJournals(dir.path().string(), now);

    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir.path()))
        left.push_back(e.path().filename().string());
    auto has = [&](const std::string& n) { return std::count(left.begin(), left.end(), n) == 1; };
    for (int day : {1, 20, 24})
        EXPECT_TRUE(has(name(2006, 12, day, 0)));
    // With the three recent ones, the newest 17 of the old runs make the last twenty.
    for (int n = 0; n < 25; ++n)
        EXPECT_EQ(has(name(2006, 1, 10, n)), n >= 8) << n;
    EXPECT_TRUE(has("Date20000101-notes.journal"));
    EXPECT_TRUE(has("Date20000101.journal"));
    EXPECT_TRUE(has(name(2000, 1, 1, 0)));
}

TEST(Journals, TheLatestRunsAreKeptAndListedFirstThoughTheClockWasSetBack) {
    // 25 runs, each a month before the one made before it: the clock was set back each time.
    TempDir dir;
    const int64_t now = LocalToUnix({2006, 12, 24, 12, 0, 0}).value();
    uint64_t next = PruneJournals(dir.path().string(), now);
    EXPECT_EQ(next, 1u);
    std::vector<std::string> made;
    for (int n = 0; n < 25; ++n) {
        made.push_back(WriteJournal(
            dir.path(), JournalHeader{"set", now - int64_t{n} * 31 * 86400, 7, "/photos", next},
            {Sample("/p.jpg", n)}));
        next = PruneJournals(dir.path().string(), now);
        EXPECT_EQ(next, static_cast<uint64_t>(n) + 2);
    }
    // The last twenty made, newest first, and the first, whose name is within thirty days.
    const std::vector<JournalInfo> all = ListJournals(dir.path().string());
    ASSERT_EQ(all.size(), 21u);
    for (size_t i = 0; i < 20; ++i)
        EXPECT_EQ(all[i].path, made[24 - i]) << i;
    EXPECT_EQ(all[20].path, made[0]);
}

TEST(Journals, ListedNewestFirstWithTheirRuns) {
    TempDir dir;
    for (int n : {3, 1, 2}) {
        std::vector<JournalRecord> records;
        for (int k = 0; k < n; ++k)
            records.push_back(Sample("/p" + std::to_string(k) + ".jpg", k));
        WriteJournal(dir.path(),
                     JournalHeader{"set", LocalToUnix({2006, 12, 24, 10, 0, n}).value(), 7,
                                   "/photos/" + std::to_string(n), 0},
                     records);
    }
    dir.put("Date20061224-100009-7.journal", Bytes{'b', 'a', 'd', '\n'});
    const std::vector<JournalInfo> all = ListJournals(dir.path().string());
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].problems, 1u); // the newest name, unreadable
    EXPECT_EQ(all[1].header.folder, "/photos/3");
    EXPECT_EQ(all[1].records, 3u);
    EXPECT_EQ(all[3].header.folder, "/photos/1");
    EXPECT_EQ(all[3].header.kind, "set");
}

TEST(Journals, RunsOfOneSecondListedNewestFirst) {
    // Twelve runs of one process in one second get "-2" … "-12" after the first's name: the
    // later run is listed first, "-10" after "-9" included; a run of the next second before all.
    TempDir dir;
    const int64_t started = LocalToUnix(kStarted).value();
    for (int n = 1; n <= 12; ++n) {
        WriteJournal(dir.path(),
                     JournalHeader{"shift", started, 7, "/photos/" + std::to_string(n), 0},
                     {Sample("/p.jpg", n)});
    }
    LocalDateTime next = kStarted;
    ++next.second;
    dir.put(JournalNameFor(next, 3), Bytes{'x'});
    const std::vector<JournalInfo> all = ListJournals(dir.path().string());
    ASSERT_EQ(all.size(), 13u);
    EXPECT_EQ(fs::path(all[0].path).filename().string(), JournalNameFor(next, 3));
    for (int n = 12; n >= 1; --n)
        EXPECT_EQ(all[size_t(13 - n)].header.folder, "/photos/" + std::to_string(n));
}

} // namespace
} // namespace tokimori
