// Undo: it puts photos back exactly, completes after it was cut off, undoes overlapping runs
// newest first whatever order their journals are named in, and never writes what a journal
// says unless the engine finds that very date text in that very file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestFiles.h"
#include "base/Paths.h"
#include "base/PositionedFile.h"
#include "exif/ExifLayout.h"
#include "filetime/FileDate.h"
#include "run/Journal.h"
#include "run/RunLoop.h"
#include "run/Undo.h"

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

struct Photos {
    TempDir dir, logs;
    std::vector<std::string> paths;
    std::vector<Bytes> bytes;
    std::vector<FileTimes> times;

    explicit Photos(std::initializer_list<std::string> names) : paths(CopyPhotos(dir, names)) {
        for (const std::string& p : paths) {
            bytes.push_back(ReadAll(p));
            times.push_back(ReadFileTimes(p).value());
        }
    }
    void expectAsBefore() const {
        for (size_t i = 0; i < paths.size(); ++i) {
            const FileTimes now = ReadFileTimes(paths[i]).value(); // before this test reads it
            EXPECT_EQ(now.modified, times[i].modified) << paths[i];
#ifndef _WIN32
            // (Under Wine any query of a file sets its access time; Windows itself does not.)
            EXPECT_EQ(now.accessed, times[i].accessed) << paths[i];
#endif
            EXPECT_EQ(ReadAll(paths[i]), bytes[i]) << paths[i];
        }
    }
    // Runs a set with the given date and returns its journal.
    std::string set(int day, bool keepTime = false) const {
        const RunSummary s =
            RunOver(*MakeSetDates(SetTo(day, keepTime)), paths, logs.path().string()).summary;
        EXPECT_FALSE(s.stoppedBy);
        return s.journalPath;
    }
};

std::vector<UndoOutcome> Undo(const std::vector<std::string>& journals,
                              UndoSummary* summary = nullptr, bool dryRun = false) {
    std::vector<UndoOutcome> out;
    const UndoSummary s =
        UndoJournals(journals, dryRun, [&](const UndoOutcome& o) { out.push_back(o); });
    if (summary) *summary = s;
    return out;
}

// Writes bytes into a file at an offset (another program changing a photo).
void Poke(const std::string& path, uint64_t offset, const std::string& bytes) {
    auto f = PositionedFile::open(path, PositionedFile::Mode::ReadWrite);
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(
        f->writeAt(offset, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
            .ok());
}

JournalRecord FirstRecord(const std::string& journal) {
    auto j = ReadJournal(journal);
    EXPECT_TRUE(j.ok() && !j->records.empty());
    return j->records.front();
}

// A journal of the given records, as the program writes them.
std::string WriteJournal(const fs::path& folder, const std::vector<JournalRecord>& records) {
    return test::WriteJournal(folder, JournalHeader{"set", 1165413802, 99, "/x", 0}, records);
}

TEST(Undo, PutsBytesAndTimesBackExactlyAndAgainIsHarmless) {
    Photos p{"Canon_40D.jpg", "Nikon_D70.jpg", "gps_DSCN0010.jpg", "Kodak_CX7530.jpg"};
    const std::string journal = p.set(24);
    UndoSummary s;
    const auto first = Undo({journal}, &s);
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(s.restored, first.size());
    p.expectAsBefore();
    const auto again = Undo({journal}, &s);
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(s.asBefore, again.size());
    p.expectAsBefore();
}

TEST(Undo, ARunWhoseTextsAlreadyHeldItsDateHasItsTimesPutBack) {
    // The photo's texts hold the run's date already (an earlier run gave it, the file was copied
    // since): the run rewrites them with the bytes they hold and moves only the file's times.
    Photos p{"Canon_40D.jpg"};
    p.set(24);
    const FileTimes copied{{1400000000, 5}, {1400000009, 7}, {1400000000, 5}};
    SetTimes(p.paths[0], copied);
    p.bytes[0] = ReadAll(p.paths[0]);
    p.times[0] = ReadFileTimes(p.paths[0]).value();
    const std::string journal = p.set(24);
    EXPECT_EQ(ReadAll(p.paths[0]), p.bytes[0]);
    ASSERT_FALSE(ReadFileTimes(p.paths[0]).value().modified == p.times[0].modified);
    UndoSummary s;
    const auto out = Undo({journal}, &s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].result, UndoOutcome::Result::Restored) << out[0].reason;
    p.expectAsBefore();
}

TEST(Undo, AnUndoCutOffCompletesTheSecondTime) {
    Photos p{"Canon_40D.jpg"};
    const std::string journal = p.set(24);
    const JournalRecord r = FirstRecord(journal);
    // The texts already went back, then the undo died before the times did.
    for (const DateWrite& w : r.writes)
        Poke(p.paths[0], w.offset, w.oldBytes);
    EXPECT_EQ(ReadAll(p.paths[0]), p.bytes[0]);
    UndoSummary s;
    const auto out = Undo({journal}, &s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].result, UndoOutcome::Result::Restored);
    p.expectAsBefore();
}

TEST(Undo, ATextHoldingNeitherTheRunsBytesNorItsOldOnesIsRefused) {
    // Regression: a text mixing a record's old and new bytes was taken for a write cut short,
    // and undoing an older run overwrote a later run's date that happened to mix them.
    Photos p{"Nikon_D70.jpg"};
    const std::string older = p.set(24);
    const JournalRecord r = FirstRecord(older);
    const DateWrite& w = r.writes.back();
    Poke(p.paths[0], w.offset, w.oldBytes.substr(0, w.oldBytes.size() / 2));
    const Bytes mixed = ReadAll(p.paths[0]);
    UndoSummary s;
    const auto out = Undo({older}, &s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].result, UndoOutcome::Result::Refused);
    EXPECT_EQ(ReadAll(p.paths[0]), mixed);
}

TEST(Undo, AnOlderRunUndoneAloneNeverTakesALaterRunsDate) {
    Photos p{"Canon_40D.jpg"};
    // 2001:02:03 then 2008:02:03: the later date mixes the earlier run's old and new texts.
    auto set = [&](int year) {
        SetDatesOptions o = SetTo(3, true);
        o.date = {year, 2, 3, 0, 0, 0};
        return RunOver(*MakeSetDates(o), p.paths, p.logs.path().string()).summary.journalPath;
    };
    const std::string first = set(2001);
    const std::string second = set(2008);
    const Bytes later = ReadAll(p.paths[0]);
    UndoSummary s;
    Undo({first}, &s);
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(ReadAll(p.paths[0]), later);
    // Both together go back, newest first, and again: nothing left to do, all as before.
    Undo({first, second}, &s);
    EXPECT_TRUE(s.ok());
    p.expectAsBefore();
    Undo({second, first}, &s);
    EXPECT_TRUE(s.ok()) << s.refused;
    EXPECT_EQ(s.restored, 0u);
    p.expectAsBefore();
}

TEST(Undo, TimesGoBackOnlyWhenTheRunOrAnUndoOfItWasTheLastToChangeThem) {
    Photos p{"Canon_40D.jpg"};
    const std::string journal = p.set(24);
    UndoSummary s;
    Undo({journal}, &s);
    ASSERT_TRUE(s.ok());
    // Another program sets the time afterwards (texts untouched): an old undo leaves it.
    const FileInstant later{1400000000, 0};
    SetTimes(p.paths[0], {later, later, later});
    const auto out = Undo({journal}, &s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].result, UndoOutcome::Result::Refused);
    EXPECT_EQ(out[0].refusal, UndoRefusal::TimeChanged);
    EXPECT_EQ(ReadFileTimes(p.paths[0])->modified, later);
}

TEST(Undo, APhotoChangedSinceTheRunIsRefusedAndNotTouched) {
    Photos p{"Canon_40D.jpg"};
    const std::string journal = p.set(24);
    const JournalRecord r = FirstRecord(journal);
    Poke(p.paths[0], r.writes.back().offset, "1999:01:01");
    const Bytes changed = ReadAll(p.paths[0]);
    UndoSummary s;
    const auto out = Undo({journal}, &s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].result, UndoOutcome::Result::Refused);
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(ReadAll(p.paths[0]), changed); // not even the other texts went back
}

TEST(Undo, TwoOverlappingRunsComeApartInEitherOrder) {
    for (const bool newestNamedFirst : {false, true}) {
        Photos p{"Canon_40D.jpg", "Sony_HDR-HC3.jpg", "gps_DSCN0010.jpg"};
        const std::string older = p.set(24);
        const std::string newer = p.set(25, true);
        ASSERT_NE(older, newer);
        UndoSummary s;
        Undo(newestNamedFirst ? std::vector{newer, older} : std::vector{older, newer}, &s);
        EXPECT_TRUE(s.ok()) << newestNamedFirst;
        p.expectAsBefore();
    }
}

TEST(Undo, ARecordNeverCarriedOutCountsAsUnchanged) {
    Photos p{"Canon_40D.jpg"};
    const std::string journal = p.set(24);
    // The photo as it was: the run's record stands, but the run never changed it.
    WriteAll(p.paths[0], p.bytes[0]);
    SetTimes(p.paths[0], p.times[0]);
    UndoSummary s;
    const auto out = Undo({journal}, &s);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].result, UndoOutcome::Result::AsBefore);
    EXPECT_TRUE(s.ok());
}

TEST(Undo, TamperedJournalsWriteNothing) {
    Photos p{"Canon_40D.jpg", "Nikon_D70.jpg"};
    const std::string journal = p.set(24);
    const JournalRecord genuine = FirstRecord(journal);
    const Bytes afterRun0 = ReadAll(p.paths[0]), afterRun1 = ReadAll(p.paths[1]);
    TempDir other;

    // Aimed at a file that is no photo: a copy of a text file of the photo's size.
    const fs::path text = other.put("passwd", Bytes(genuine.size, 'x'));
    JournalRecord atText = genuine;
    atText.path = text.string();
    {
        auto f = PositionedFile::open(text.string(), PositionedFile::Mode::Read);
        atText.identity = f->identity();
    }
    for (DateWrite& w : atText.writes)
        w.newBytes = std::string(w.newBytes.size(), 'x');
    // Aimed at the Make text of the photo: not a date text.
    JournalRecord atMake = genuine;
    atMake.writes = {DateWrite{0x0132, 0, "", ""}};
    {
        ExifSummary s;
        auto f = PositionedFile::open(p.paths[0], PositionedFile::Mode::Read);
        ByteReader r(f.value());
        (void)WalkExifSummary(r, s);
        const Bytes all = ReadAll(p.paths[0]);
        const auto at = std::search(all.begin(), all.end(), s.Maker.begin(), s.Maker.end());
        ASSERT_NE(at, all.end());
        atMake.writes[0].offset = static_cast<uint64_t>(at - all.begin());
        atMake.writes[0].newBytes = s.Maker;
        atMake.writes[0].oldBytes = std::string(s.Maker.size(), 'H');
    }
    // A genuine record re-aimed at another photo.
    JournalRecord atOther = genuine;
    atOther.path = p.paths[1];
    // Inside a date text, not at its start; and longer than the entry.
    JournalRecord inside = genuine;
    inside.writes = {genuine.writes[0]};
    inside.writes[0].offset += 5;
    JournalRecord tooLong = genuine;
    tooLong.writes = {genuine.writes[0]};
    tooLong.writes[0].oldBytes += std::string(30, 'y');
    tooLong.writes[0].newBytes += std::string(30, 'z');

    const std::string forged =
        WriteJournal(other.path(), {atText, atMake, atOther, inside, tooLong});
    UndoSummary s;
    const auto out = Undo({forged}, &s);
    ASSERT_EQ(out.size(), 5u);
    for (const UndoOutcome& o : out)
        EXPECT_EQ(o.result, UndoOutcome::Result::Refused) << o.record.path << ": " << o.reason;
    // Each refusal says its kind, which the window tells in its own words.
    const std::vector<UndoRefusal> kinds{UndoRefusal::NotAJpeg, UndoRefusal::NoSuchDateText,
                                         UndoRefusal::AnotherFile, UndoRefusal::NoSuchDateText,
                                         UndoRefusal::NoSuchDateText};
    for (size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i].refusal, kinds[i]) << i << ": " << out[i].reason;
    EXPECT_FALSE(s.ok());
    // The same inode, born at another moment: a new file given the old one's number.
    if (!(genuine.identity.born == FileInstant{})) {
        JournalRecord reborn = genuine;
        --reborn.identity.born.seconds;
        const auto again = Undo({WriteJournal(other.path(), {reborn})}, &s);
        ASSERT_EQ(again.size(), 1u);
        EXPECT_EQ(again[0].refusal, UndoRefusal::AnotherFile);
    }
    EXPECT_EQ(ReadAll(text), Bytes(genuine.size, 'x'));
    EXPECT_EQ(ReadAll(p.paths[0]), afterRun0);
    EXPECT_EQ(ReadAll(p.paths[1]), afterRun1);

    // A record whose checksum does not match is never acted on.
    std::string bytes;
    {
        std::ifstream in(journal, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const size_t pathAt = bytes.find("path=") + 5;
    bytes[pathAt + 1] = bytes[pathAt + 1] == 't' ? 'u' : 't';
    const fs::path damaged = other.path() / "damaged.journal";
    {
        std::ofstream out(damaged, std::ios::binary);
        out << bytes;
    }
    const auto none = Undo({damaged.string()}, &s);
    EXPECT_EQ(s.problems.size(), 1u);
    EXPECT_EQ(s.problems[0].line, 2u);
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(ReadAll(p.paths[0]), afterRun0);
}

TEST(Undo, APhotoWhoseDateTextsOverlapIsSetAndUndone) {
    // Regression: DateTimeOriginal pointing inside DateTime's text; the run changed the photo
    // and then its undo refused the run's own journal.
    Tiff t = CameraTiff(ByteOrder::Big);
    const uint32_t dateTime = TiffOffsetOf(t.build(), "2008:07:31 10:38:11");
    (*t.exif)[0] = RawEntry(tag::DateTimeOriginal, kTypeAscii, 20, dateTime + 5);
    TempDir dir, logs;
    const fs::path p = dir.put("overlap.jpg", Jpeg({ExifApp1(t.build())}));
    const Bytes before = ReadAll(p);
    const FileTimes timesBefore = ReadFileTimes(p.string()).value();
    const RunSummary run =
        RunOver(*MakeSetDates(SetTo()), {p.string()}, logs.path().string()).summary;
    ASSERT_EQ(run.changed, 1u);
    EXPECT_NE(ReadAll(p), before);
    UndoSummary s;
    Undo({run.journalPath}, &s);
    EXPECT_TRUE(s.ok());
    EXPECT_EQ(ReadFileTimes(p.string())->modified, timesBefore.modified);
    EXPECT_EQ(ReadAll(p), before);
}

TEST(Undo, ARunThatOnlySetTimesIsUndoneWhileThePhotoKeepsThem) {
    Photos p{"Canon_40D.jpg"};
    auto f = PositionedFile::open(p.paths[0], PositionedFile::Mode::Read);
    JournalRecord r;
    r.changedAt = 1;
    r.path = p.paths[0];
    r.identity = f->identity();
    r.size = f->size();
    r.before = p.times[0];
    r.after = FileInstant{1166954400, 0};
    ASSERT_TRUE(f->close().ok());
    const std::string journal = WriteJournal(p.logs.path(), {r});

    // Never carried out: as before.
    EXPECT_EQ(Undo({journal})[0].result, UndoOutcome::Result::AsBefore);
    // Carried out: put back.
    SetTimes(p.paths[0], {*r.after, *r.after, *r.after});
    EXPECT_EQ(Undo({journal})[0].result, UndoOutcome::Result::Restored);
    p.expectAsBefore();
    // Carried out on a FAT card, which keeps the time in 2-second steps: put back too.
    const FileInstant rounded{r.after->seconds - 1, 0};
    SetTimes(p.paths[0], {rounded, rounded, rounded});
    EXPECT_EQ(Undo({journal})[0].result, UndoOutcome::Result::Restored);
    p.expectAsBefore();
    // Changed since by someone else: refused and left.
    const FileInstant later{1400000000, 0};
    SetTimes(p.paths[0], {later, later, later});
    EXPECT_EQ(Undo({journal})[0].result, UndoOutcome::Result::Refused);
    EXPECT_EQ(ReadFileTimes(p.paths[0])->modified, later);
}

} // namespace
} // namespace tokimori
