// Hand-made hostile files against the one Exif walk: date entries aimed at the structure, at
// other values and at each other, directories that point at each other, and floods of
// duplicate entries (counted in reads, not timed). Each case is named after the fault it caught.

#include <gtest/gtest.h>

#include <array>

#include "TestFiles.h"
#include "base/ByteSource.h"
#include "exif/ExifLayout.h"
#include "exif/ExifReader.h"
#include "exif/ExifWalker.h"
#include "exif/ExifWriter.h"

namespace tokimori {
namespace {

using namespace test;

const std::string kNew = "2006:12:24 10:00:00"; // Rewrite's text
constexpr uint64_t kTiffBase = 12;              // FF D8, FF E1, length(2), "Exif" 0 0

// A camera file with every directory: GPS with a date stamp, Interop, IFD1 and a thumbnail.
Tiff FullTiff() {
    Tiff t = CameraTiff(ByteOrder::Little);
    t.gps = std::vector<TiffEntry>{Short(0x0005, 0), Ascii(0x001D, "2008:10:23")};
    t.interop = std::vector<TiffEntry>{Ascii(0x0001, "R98"), Ascii(0x0002, "0100")};
    t.ifd1 = std::vector<TiffEntry>{Short(0x0103, 6), Short(tag::Orientation, 1)};
    t.thumbnail = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x01, 0x02, 0x11, 0x22, 0x33, 0x44,
                   0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0xD9};
    return t;
}

TEST(HostileDates, DateTimeIntoMakesTextLeftMakeAlone) {
    // Regression: a DateTime pointing into Make's text made Make "2006:1".
    for (uint32_t into : {0u, 2u}) {
        Tiff t = CameraTiff(ByteOrder::Little);
        t.ifd0[0] = Ascii(tag::Make, "Canon EOS maker");
        t.ifd0[2] = RawEntry(tag::DateTime, kTypeAscii, 20, 0);
        const uint32_t make = TiffOffsetOf(t.build(), "Canon EOS maker");
        t.ifd0[2] = RawEntry(tag::DateTime, kTypeAscii, 20, make + into);
        Written w = Rewrite(Jpeg({ExifApp1(t.build())}));
        EXPECT_EQ(Tags(w.plan), (Texts{"DateTimeOriginal", "DateTimeDigitized"}));
        EXPECT_EQ(Skipped(w.plan), (Texts{"DateTime: overlaps the Exif structure"}));
        EXPECT_FALSE(w.plan.DateChanged);
        EXPECT_TRUE(w.plan.reachedEnd);
        EXPECT_EQ(WalkBytes(w.after).summary.Maker, "Canon EOS maker");
    }
}

TEST(HostileDates, DateTimeIntoGpsInteropIfd1OrTheThumbnailIsSteppedOver) {
    // Regression: the writer rewrote date texts lying on IFD1, the GPS directory or another
    // entry's value. Each aim below touches one piece of structure and nothing else.
    Tiff t = FullTiff();
    t.ifd0[2] = RawEntry(tag::DateTime, kTypeAscii, 20, 0);
    TiffLayout at;
    const Bytes plain = t.build(&at);
    struct Aim {
        const char* what;
        uint32_t offset;
        uint32_t count;
    };
    const Aim aims[] = {{"TIFF header", 0, 20},
                        {"Exif directory", at.exif + 12, 20},
                        {"GPS directory", at.gps + 2, 20},
                        {"GPS date stamp", TiffOffsetOf(plain, "2008:10:23"), 10},
                        {"Interop directory", at.interop, 20},
                        {"IFD1 directory", at.ifd1 + 6, 20},
                        {"IFD1 thumbnail", at.thumbnail + 2, 20}};
    for (const Aim& aim : aims) {
        t.ifd0[2] = RawEntry(tag::DateTime, kTypeAscii, aim.count, aim.offset);
        Written w = Rewrite(Jpeg({ExifApp1(t.build())}), "2006:12:24");
        EXPECT_EQ(Tags(w.plan), (Texts{"DateTimeOriginal", "DateTimeDigitized"})) << aim.what;
        EXPECT_EQ(Skipped(w.plan), (Texts{"DateTime: overlaps the Exif structure"})) << aim.what;
    }
    // The same file without the aim: all three change, nothing is stepped over.
    Written w = Rewrite(Jpeg({ExifApp1(FullTiff().build())}));
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeOriginal", "DateTimeDigitized"}));
    EXPECT_TRUE(w.plan.skipped.empty());
}

TEST(HostileDates, DateTagsOutsideTheirOwnDirectoryAreNeverWritten) {
    Tiff t = FullTiff();
    t.gps->push_back(Ascii(tag::DateTime, "2001:01:01 01:01:01"));
    t.gps->push_back(Ascii(tag::DateTimeOriginal, "2001:01:01 01:01:02"));
    t.interop->push_back(Ascii(tag::DateTimeDigitized, "2001:01:01 01:01:03"));
    t.ifd1->push_back(Ascii(tag::DateTime, "2001:01:01 01:01:04"));
    t.exif->push_back(Ascii(tag::DateTime, "2001:01:01 01:01:05"));
    t.ifd0.push_back(Ascii(tag::DateTimeOriginal, "2001:01:01 01:01:06"));
    Written w = Rewrite(Jpeg({ExifApp1(t.build())}));
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeOriginal", "DateTimeDigitized"}));
    EXPECT_TRUE(w.plan.skipped.empty());
    const std::string after(w.after.begin(), w.after.end());
    for (const char* kept : {"2001:01:01 01:01:01", "2001:01:01 01:01:02", "2001:01:01 01:01:03",
                             "2001:01:01 01:01:04", "2001:01:01 01:01:05", "2001:01:01 01:01:06"})
        EXPECT_NE(after.find(kept), std::string::npos) << kept;

    // Nor with a filter that matches them.
    w = Rewrite(Jpeg({ExifApp1(t.build())}), kNew, "2001:01:01");
    EXPECT_TRUE(w.plan.writes.empty());
}

TEST(HostileDates, OverlappingDateTextsGiveOneWriteOrTheLaterIsSteppedOver) {
    // Regression: DateTimeOriginal pointing inside DateTime's text was written twice over, and
    // the undo refused its own journal.
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd0[2] =
        AsciiCounted(tag::DateTime, std::string("2008:07:31 10:38:11") + std::string(11, '\0'), 30);
    const uint32_t dateTime = TiffOffsetOf(t.build(), "2008:07:31 10:38:11");
    // DateTimeOriginal at DateTime's text (with a smaller count), DateTimeDigitized 5 bytes in.
    (*t.exif)[0] = RawEntry(tag::DateTimeOriginal, kTypeAscii, 20, dateTime);
    (*t.exif)[1] = RawEntry(tag::DateTimeDigitized, kTypeAscii, 20, dateTime + 5);
    const Bytes file = Jpeg({ExifApp1(t.build())});
    ASSERT_EQ(TiffOffsetOf(t.build(), "2008:07:31 10:38:11"), dateTime);

    MemorySource src(file);
    ByteReader r(src);
    const std::vector<DateSlot> slots = FindDateSlots(r);
    ASSERT_EQ(slots.size(), 1u);
    EXPECT_EQ(slots[0].tag, tag::DateTime);
    EXPECT_EQ(slots[0].offset, kTiffBase + dateTime);
    EXPECT_EQ(slots[0].count, 20u); // the smaller of the two counts (30 and 20)

    Written w = Rewrite(file);
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime"}));
    EXPECT_EQ(Skipped(w.plan), (Texts{"DateTimeDigitized: overlaps another date text"}));
    EXPECT_TRUE(w.plan.DateChanged);
    EXPECT_EQ(WalkBytes(w.after).summary.EmbeddedDate, kNew);

    // Keep-time and a filter see the one text once.
    w = Rewrite(file, "2006:12:24", "2008:07:31");
    ASSERT_EQ(w.plan.writes.size(), 1u);
    EXPECT_EQ(WalkBytes(w.after).summary.EmbeddedDate, "2006:12:24 10:38:11");
}

TEST(HostileDates, EveryReasonForSteppingOverIsReported) {
    Tiff t = CameraTiff(ByteOrder::Big);
    t.ifd0[2] = TiffEntry{tag::DateTime, 7, 20, Bytes(kNew.begin(), kNew.end()), std::nullopt};
    (*t.exif)[0] = AsciiCounted(tag::DateTimeOriginal, "2008:05:", 8);
    (*t.exif)[1] = RawEntry(tag::DateTimeDigitized, kTypeAscii, 20, 0x10000);
    Bytes file = Jpeg({ExifApp1(t.build())});
    file.resize(0x20000, 0x20); // DateTimeDigitized's offset lies in the file, past the segment
    Written w = Rewrite(file);
    EXPECT_TRUE(w.plan.writes.empty());
    EXPECT_TRUE(w.plan.reachedEnd);
    EXPECT_EQ(Skipped(w.plan), (Texts{"DateTime: not ASCII", "DateTimeOriginal: count too small",
                                      "DateTimeDigitized: outside the Exif segment"}));
    EXPECT_EQ(w.before, w.after);

    // A count that covers the date alone: keep-time writes it, a full date and time is too long.
    Tiff shortText = CameraTiff(ByteOrder::Little);
    (*shortText.exif)[0] = AsciiCounted(tag::DateTimeOriginal, "2008:05:30 15", 13);
    w = Rewrite(Jpeg({ExifApp1(shortText.build())}));
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeDigitized"}));
    EXPECT_EQ(Skipped(w.plan), (Texts{"DateTimeOriginal: count too small"}));
    w = Rewrite(Jpeg({ExifApp1(shortText.build())}), "2006:12:24");
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeOriginal", "DateTimeDigitized"}));
}

TEST(HostileDates, ARewriteRuleSeesTheStoredText) {
    Tiff t = CameraTiff(ByteOrder::Little);
    (*t.exif)[0] = Ascii(tag::DateTimeOriginal, "2008:05:30\n15:56:01");
    const Bytes file = Jpeg({ExifApp1(t.build())});
    MemorySource src(file);
    ByteReader r(src);
    std::vector<std::string> seen;
    DatePlan plan = PlanDateRewrite(
        r, [&seen](const DateSlot& slot, const std::string& old) -> std::optional<std::string> {
            seen.push_back(old);
            if (slot.tag == tag::DateTime) return std::nullopt;
            if (slot.tag == tag::DateTimeDigitized) return std::string(21, 'x'); // count is 20
            return "2000" + old.substr(4);
        });
    EXPECT_EQ(seen, (Texts{"2008:07:31 10:38:11", "2008:05:30\n15:56:01", "2008:05:30 15:56:01"}));
    ASSERT_EQ(plan.writes.size(), 1u);
    EXPECT_EQ(plan.writes[0].oldBytes, "2008:05:30\n15:56:01");
    EXPECT_EQ(plan.writes[0].newBytes, "2000:05:30\n15:56:01");
    EXPECT_FALSE(plan.DateChanged);
    EXPECT_EQ(Skipped(plan), (Texts{"DateTimeDigitized: count too small"}));
}

// Writes a 32-bit little-endian number.
void Put32At(Bytes& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(HostileDirectories, DirectoriesPointingAtEachOtherAreWalkedOnce) {
    Tiff t = FullTiff();
    TiffLayout at;
    Bytes tiff = t.build(&at);
    // GPS pointer at IFD0, Interop pointer at the Exif directory, IFD1 (IFD0's next) at IFD0.
    const auto pointerField = [&](uint32_t dir, uint16_t wanted) {
        const uint16_t n = static_cast<uint16_t>(tiff[dir] | (tiff[dir + 1] << 8));
        for (uint32_t k = 0; k < n; ++k) {
            const size_t p = dir + 2 + 12 * k;
            if ((tiff[p] | (tiff[p + 1] << 8)) == wanted) return p + 8;
        }
        throw std::runtime_error("no pointer");
    };
    Put32At(tiff, pointerField(at.ifd0, tag::GpsIfdPointer), at.ifd0);
    Put32At(tiff, pointerField(at.exif, tag::InteropIfdPointer), at.exif);
    const uint16_t n0 = static_cast<uint16_t>(tiff[at.ifd0] | (tiff[at.ifd0 + 1] << 8));
    Put32At(tiff, at.ifd0 + 2 + 12 * n0, at.ifd0);
    const Bytes file = Jpeg({ExifApp1(tiff)});

    MemorySource src(file);
    ByteReader r(src);
    std::array<int, kIfdKinds> visits{};
    ExifWalk walk = WalkExif(r, [&visits](Ifd ifd, const IfdEntry&) {
        ++visits[static_cast<size_t>(ifd)];
        return false;
    });
    EXPECT_EQ(visits, (std::array<int, kIfdKinds>{n0, 5, 0, 0, 0}));
    EXPECT_TRUE(walk.ifd(Ifd::Gps).pointed);
    EXPECT_FALSE(walk.ifd(Ifd::Gps).walked);
    EXPECT_FALSE(walk.ifd(Ifd::Interop).walked);
    EXPECT_FALSE(walk.ifd(Ifd::Ifd1).walked);

    EXPECT_EQ(WalkBytes(file).summary.EmbeddedDate, "2008:05:30 15:56:01");
    EXPECT_EQ(WalkBytes(file).result, 5);
    Written w = Rewrite(file);
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeOriginal", "DateTimeDigitized"}));
    EXPECT_TRUE(w.plan.reachedEnd);

    // An Exif pointer naming IFD0 itself: no Exif directory for the reader, the writer ends
    // after IFD0.
    Tiff self = CameraTiff(ByteOrder::Big);
    self.exif.reset();
    self.ifd0.push_back(Long(tag::ExifIfdPointer, 8));
    const Bytes selfFile = Jpeg({ExifApp1(self.build())});
    EXPECT_EQ(WalkBytes(selfFile).result, 0);
    w = Rewrite(selfFile);
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime"}));
    EXPECT_FALSE(w.plan.reachedEnd);
}

// A little-endian TIFF assembled by hand, for directories too large for Tiff::build: an APP1
// segment of the largest length holds the header and the texts; directories may lie after it.
struct BigTiff {
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        uint32_t value;
    };
    Bytes tiff = Bytes(8, 0);

    BigTiff(uint32_t ifd0) {
        tiff[0] = tiff[1] = 'I';
        tiff[2] = 42;
        Put32At(tiff, 4, ifd0);
    }
    void text(uint32_t at, const std::string& s) {
        if (tiff.size() < at + s.size() + 1) tiff.resize(at + s.size() + 1, 0);
        std::copy(s.begin(), s.end(), tiff.begin() + at);
    }
    void directory(uint32_t at, const std::vector<Entry>& entries) {
        const size_t end = at + 2 + 12 * entries.size() + 4;
        if (tiff.size() < end) tiff.resize(end, 0);
        tiff[at] = static_cast<uint8_t>(entries.size());
        tiff[at + 1] = static_cast<uint8_t>(entries.size() >> 8);
        for (size_t k = 0; k < entries.size(); ++k) {
            const size_t p = at + 2 + 12 * k;
            tiff[p] = static_cast<uint8_t>(entries[k].tag);
            tiff[p + 1] = static_cast<uint8_t>(entries[k].tag >> 8);
            tiff[p + 2] = static_cast<uint8_t>(entries[k].type);
            Put32At(tiff, p + 4, entries[k].count);
            Put32At(tiff, p + 8, entries[k].value);
        }
    }
    Bytes jpeg() const {
        const uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF, 'E', 'x', 'i', 'f', 0, 0};
        Bytes out(sizeof head + tiff.size() + 2, 0);
        std::copy(std::begin(head), std::end(head), out.begin());
        std::copy(tiff.begin(), tiff.end(), out.begin() + sizeof head);
        out[out.size() - 2] = 0xFF;
        out[out.size() - 1] = 0xD9;
        return out;
    }
};

// Texts far apart (more than the reader's 8 KiB window), so reading each entry's text in turn
// would cost system reads by the entry.
constexpr uint32_t kTextA = 0x100, kTextB = 0x8100, kTextC = 0x4100;
constexpr uint32_t kIfd0At = 0x10000; // past the APP1 segment
constexpr uint32_t kMaxEntries = 65535;

TEST(HostileFloods, DuplicateMakeEntriesReadOneText) {
    // Regression: 65 535 duplicate Make entries made every selection read 65 535 texts.
    BigTiff t(kIfd0At);
    t.text(kTextA, "Maker A");
    t.text(kTextB, "Maker B");
    t.text(kTextC, "Winner");
    t.text(0x200, "2008:05:30 15:56:01");
    std::vector<BigTiff::Entry> ifd0;
    for (uint32_t k = 0; k + 2 < kMaxEntries; ++k)
        ifd0.push_back({tag::Make, kTypeAscii, 8, k % 2 ? kTextB : kTextA});
    ifd0.push_back({tag::Make, kTypeAscii, 7, kTextC});
    const uint32_t exifAt = kIfd0At + 2 + 12 * kMaxEntries + 4;
    ifd0.push_back({tag::ExifIfdPointer, kTypeLong, 1, exifAt});
    t.directory(kIfd0At, ifd0);
    t.directory(exifAt, {{tag::DateTimeOriginal, kTypeAscii, 20, 0x200}});

    CountingSource src(t.jpeg());
    ByteReader r(src);
    ExifSummary s;
    EXPECT_EQ(WalkExifSummary(r, s), 1);
    EXPECT_EQ(s.Maker, "Winner");
    EXPECT_EQ(s.EmbeddedDate, "2008:05:30 15:56:01");
    // The directory is 768 KiB: about 96 windows of 8 KiB, and a few for the texts.
    EXPECT_LT(src.reads, 150u);
}

TEST(HostileFloods, FilterEqualToTheNewDateOverDuplicateDatesIsLinear) {
    // Regression: 2 x 65 535 date entries with --only-date D --date D took 53 s.
    BigTiff t(kIfd0At);
    t.text(kTextA, "2006:12:24 08:00:00");
    t.text(kTextB, "2006:12:24 09:00:00");
    std::vector<BigTiff::Entry> ifd0, exif;
    for (uint32_t k = 0; k + 1 < kMaxEntries; ++k)
        ifd0.push_back({tag::DateTime, kTypeAscii, 20, k % 2 ? kTextB : kTextA});
    const uint32_t exifAt = kIfd0At + 2 + 12 * kMaxEntries + 4;
    ifd0.push_back({tag::ExifIfdPointer, kTypeLong, 1, exifAt});
    for (uint32_t k = 0; k < kMaxEntries; ++k)
        exif.push_back({k % 3 ? tag::DateTimeOriginal : tag::DateTimeDigitized, kTypeAscii, 20,
                        k % 2 ? kTextA : kTextB});
    t.directory(kIfd0At, ifd0);
    t.directory(exifAt, exif);

    CountingSource src(t.jpeg());
    ByteReader r(src);
    DatePlan plan = PlanExifDateWrite(r, kNew, "2006:12:24");
    ASSERT_FALSE(r.failed());
    ASSERT_EQ(plan.writes.size(), 2u); // one write per text, whatever the number of entries
    EXPECT_EQ(plan.writes[0].offset, kTiffBase + kTextA);
    EXPECT_EQ(plan.writes[1].offset, kTiffBase + kTextB);
    EXPECT_TRUE(plan.DateChanged);
    EXPECT_TRUE(plan.reachedEnd);
    EXPECT_TRUE(plan.skipped.empty());
    // Two directories of 768 KiB each: about 192 windows.
    EXPECT_LT(src.reads, 250u);

    // Applied, then planned again with the same filter and date: the same two texts, unchanged.
    ASSERT_TRUE(ApplyDatePlan(r, plan).ok());
    CountingSource again(src.bytes());
    ByteReader r2(again);
    DatePlan second = PlanExifDateWrite(r2, kNew, "2006:12:24");
    ASSERT_EQ(second.writes.size(), 2u);
    EXPECT_EQ(second.writes[0].oldBytes, kNew);
    EXPECT_LT(again.reads, 250u);
}

} // namespace
} // namespace tokimori
