// The Exif date writer: which texts it rewrites, and that it never writes anywhere else.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "base/ByteSource.h"
#include "exif/ExifLayout.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"

namespace tokimori {
namespace {

using namespace test;

const std::string kNew = "2006:12:24 10:00:00"; // Rewrite's text

TEST(ExifWriter, RewritesAllThreeTextsInBothByteOrders) {
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        Written w = Rewrite(Jpeg({Jfif(), ExifApp1(CameraTiff(order).build())}));
        EXPECT_TRUE(w.plan.reachedEnd);
        EXPECT_TRUE(w.plan.DateChanged);
        EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeOriginal", "DateTimeDigitized"}));
        EXPECT_FALSE(Differences(w.before, w.after).empty());
        EXPECT_EQ(WalkBytes(w.after).summary.EmbeddedDate, "2006:12:24 10:00:00");
    }
}

TEST(ExifWriter, KeepTimeChangesOnlyTheDatePart) {
    Tiff t = CameraTiff(ByteOrder::Little);
    (*t.exif)[1] = Ascii(tag::DateTimeDigitized, "2008:05:30 15:56:02");
    Written w = Rewrite(Jpeg({ExifApp1(t.build())}), "2006:12:24");
    ASSERT_EQ(w.plan.writes.size(), 3u);
    for (const DateWrite& d : w.plan.writes) {
        EXPECT_EQ(d.newBytes.size(), 10u);
        for (size_t at : Differences(w.before, w.after)) {
            if (at >= d.offset && at < d.offset + 19) {
                EXPECT_LT(at - d.offset, 10u);
            }
        }
    }
    EXPECT_EQ(WalkBytes(w.after).summary.EmbeddedDate, "2006:12:24 15:56:01");
}

TEST(ExifWriter, FilterComparesEachTextWithItsOwnDate) {
    const Bytes file = Jpeg({ExifApp1(CameraTiff(ByteOrder::Big).build())});
    Written match = Rewrite(file, kNew, "2008:05:30");
    EXPECT_TRUE(match.plan.reachedEnd);
    EXPECT_FALSE(match.plan.DateChanged);
    EXPECT_EQ(Tags(match.plan), (Texts{"DateTimeOriginal", "DateTimeDigitized"}));

    Written onlyIfd0 = Rewrite(file, kNew, "2008:07:31");
    EXPECT_TRUE(onlyIfd0.plan.DateChanged);
    EXPECT_EQ(Tags(onlyIfd0.plan), (Texts{"DateTime"}));

    Written none = Rewrite(file, kNew, "1999:01:01");
    EXPECT_TRUE(none.plan.reachedEnd);
    EXPECT_FALSE(none.plan.DateChanged);
    EXPECT_TRUE(none.plan.writes.empty());
    EXPECT_EQ(none.before, none.after);
}

TEST(ExifWriter, TwoTagsSharingOneTextAreOneWrite) {
    Tiff t = CameraTiff(ByteOrder::Little);
    t.exif = std::vector<TiffEntry>{Ascii(tag::DateTimeOriginal, "2008:05:30 15:56:01")};
    Bytes file = Jpeg({ExifApp1(t.build())});
    // Point DateTimeDigitized at the same text as DateTimeOriginal.
    MemorySource probe(file);
    ByteReader r(probe);
    DatePlan all = PlanExifDateWrite(r, "2000:01:01 00:00:00", "");
    ASSERT_EQ(all.writes.size(), 2u);
    // One more entry moves the data area 12 bytes on: the text then starts at the old file offset
    // counted from the TIFF header at 12.
    t.exif->push_back(RawEntry(tag::DateTimeDigitized, kTypeAscii, 20,
                               static_cast<uint32_t>(all.writes[1].offset)));
    file = Jpeg({ExifApp1(t.build())});
    // One text, one write, named by the first entry.
    Written both = Rewrite(file);
    EXPECT_EQ(Tags(both.plan), (Texts{"DateTime", "DateTimeOriginal"}));
    Written w = Rewrite(file, kNew, "2008:05:30");
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTimeOriginal"}));
}

TEST(ExifWriter, EndsOfTheWalk) {
    Tiff noPointer = CameraTiff(ByteOrder::Little);
    noPointer.exif.reset();
    Written w = Rewrite(Jpeg({ExifApp1(noPointer.build())}));
    EXPECT_TRUE(w.plan.reachedEnd);
    EXPECT_TRUE(w.plan.DateChanged);
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime"}));

    Tiff emptyExif = CameraTiff(ByteOrder::Little);
    emptyExif.exif = std::vector<TiffEntry>{};
    w = Rewrite(Jpeg({ExifApp1(emptyExif.build())}));
    EXPECT_FALSE(w.plan.reachedEnd);
    EXPECT_TRUE(w.plan.DateChanged);

    Tiff emptyIfd0 = CameraTiff(ByteOrder::Little);
    emptyIfd0.ifd0.clear();
    emptyIfd0.exif.reset();
    w = Rewrite(Jpeg({ExifApp1(emptyIfd0.build())}));
    EXPECT_FALSE(w.plan.reachedEnd);
    EXPECT_EQ(w.before, w.after);

    for (const Bytes& noExif :
         {Jpeg({Jfif()}), Jpeg({App2Icc(), ExifApp1(CameraTiff(ByteOrder::Little).build())})}) {
        w = Rewrite(noExif);
        EXPECT_FALSE(w.plan.reachedEnd);
        EXPECT_FALSE(w.plan.DateChanged);
        EXPECT_EQ(w.before, w.after);
    }

    // Regression: with a TIFF magic other than 42 the reader saw no Exif data while the writer
    // still wrote.
    for (uint16_t magic : {0, 43}) {
        Tiff no42 = CameraTiff(ByteOrder::Big);
        no42.magic = magic;
        w = Rewrite(Jpeg({ExifApp1(no42.build())}));
        EXPECT_FALSE(w.plan.reachedEnd);
        EXPECT_TRUE(w.plan.writes.empty());
        EXPECT_EQ(w.before, w.after);
    }
}

TEST(ExifWriter, StepsOverDateEntriesItCannotRewriteSafely) {
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd0[2] = AsciiCounted(tag::DateTime, "2008:07:31 10:38:11", 19); // no closing 0: fine
    (*t.exif)[0] = AsciiCounted(tag::DateTimeOriginal, "2008:05:30 15:56:01", 18); // too short
    (*t.exif)[1] = TiffEntry{tag::DateTimeDigitized, 7, 20,
                             Bytes{'2', '0', '0', '8', ':', '0', '5', ':', '3', '0',
                                   ' ', '1', '5', ':', '5', '6', ':', '0', '1', 0},
                             std::nullopt}; // UNDEFINED, not ASCII
    Written w = Rewrite(Jpeg({ExifApp1(t.build())}));
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime"}));
    // With keep-time a count of 18 covers the ten bytes written.
    w = Rewrite(Jpeg({ExifApp1(t.build())}), "2006:12:24");
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTime", "DateTimeOriginal"}));
}

TEST(ExifWriter, NeverWritesOutsideTheFileOrTheExifSegment) {
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd0[2] = RawEntry(tag::DateTime, kTypeAscii, 20, 0xFFFFFFF0);       // past the end
    (*t.exif)[0] = RawEntry(tag::DateTimeOriginal, kTypeAscii, 20, 0x400); // after the segment
    Bytes file = Jpeg({ExifApp1(t.build())});
    file.resize(0x800, 0x55); // a large picture after the Exif segment
    Written w = Rewrite(file);
    EXPECT_EQ(Tags(w.plan), (Texts{"DateTimeDigitized"}));

    // An APP1 length shorter than the Exif data: the texts past it are left alone.
    Bytes shortSegment = Jpeg({ExifApp1(CameraTiff(ByteOrder::Little).build())});
    shortSegment[4] = 0x00;
    shortSegment[5] = 0x40;
    w = Rewrite(shortSegment);
    EXPECT_TRUE(w.plan.writes.empty());
}

TEST(ExifWriter, NeverWritesOverTheStructureThatFindsThePhotosData) {
    // Date entries that point at the TIFF header, at IFD0's own entries and at the Exif
    // directory's entries: writing there would lose the rest of the photo's Exif data.
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd0[2] = RawEntry(tag::DateTime, kTypeAscii, 20, 0);            // the header
    (*t.exif)[0] = RawEntry(tag::DateTimeOriginal, kTypeAscii, 20, 8); // IFD0's entries
    const uint32_t exifAt = 8 + 2 + 12 * 4 + 4;                        // after IFD0 (4 entries)
    (*t.exif)[1] = RawEntry(tag::DateTimeDigitized, kTypeAscii, 20, exifAt + 6);
    Written w = Rewrite(Jpeg({ExifApp1(t.build())}));
    EXPECT_TRUE(w.plan.writes.empty());
    EXPECT_FALSE(w.plan.DateChanged);
    EXPECT_TRUE(w.plan.reachedEnd);
    EXPECT_EQ(w.before, w.after);
}

TEST(ExifWriter, EveryCutOfARealPhotoWritesOnlyInsideItsTexts) {
    const Bytes photo = Photo("Nikon_D70.jpg");
    for (size_t cut = 0; cut < 3000 && cut < photo.size(); cut += 3) {
        Written w = Rewrite(Bytes(photo.begin(), photo.begin() + static_cast<ptrdiff_t>(cut)),
                            "2006:12:24 10:00:00");
        for (const DateWrite& d : w.plan.writes)
            EXPECT_LE(d.offset + 19, cut);
    }
}

} // namespace
} // namespace tokimori
