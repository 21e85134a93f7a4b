// The Exif reader over synthetic files (every head and directory rule) and the test photos.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "base/ByteSource.h"
#include "exif/ExifLayout.h"
#include "exif/ExifReader.h"
#include "exif/JpegFrame.h"

namespace tokimori {
namespace {

using namespace test;

TEST(ExifReaderHead, ExifRightAfterStartOfImageAndAfterOneJfifSegmentInEitherByteOrder) {
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        const Bytes tiff = CameraTiff(order).build();
        for (const Bytes& file : {Jpeg({ExifApp1(tiff)}), Jpeg({Jfif(), ExifApp1(tiff)})}) {
            Walked w = WalkBytes(file);
            EXPECT_EQ(w.result, 4);
            EXPECT_EQ(w.summary.EmbeddedDate, "2008:05:30 15:56:01");
            EXPECT_EQ(w.summary.Maker, "Canon");
            EXPECT_EQ(w.summary.Model, "Canon EOS 40D");
            EXPECT_EQ(w.summary.PixelWidth, 3888);
            EXPECT_EQ(w.summary.PixelHeight, 2592);
        }
        EXPECT_EQ(WalkBytes(Jpeg({ExifApp1(tiff)})).summary.TiffBase, 12);
        EXPECT_EQ(WalkBytes(Jpeg({Jfif(), ExifApp1(tiff)})).summary.TiffBase, 2 + 18 + 10);
    }
}

TEST(ExifReaderHead, AnythingButOneApp0BeforeTheExifSegmentMeansNoExif) {
    const Bytes tiff = CameraTiff(ByteOrder::Little).build();
    EXPECT_EQ(WalkBytes(Jpeg({Jfif(), App2Icc(), ExifApp1(tiff)})).result, 0);
    EXPECT_EQ(WalkBytes(Jpeg({App2Icc(), ExifApp1(tiff)})).result, 0);
    EXPECT_EQ(WalkBytes(Jpeg({Jfif(), Jfif(), ExifApp1(tiff)})).result, 0);
    EXPECT_EQ(WalkBytes(Jpeg({XmpApp1(), ExifApp1(tiff)})).result, 0);
    EXPECT_EQ(WalkBytes(Jpeg({Jfif()})).result, 0);
    Walked noExif = WalkBytes(Jpeg({Jfif(), App2Icc(), ExifApp1(tiff)}));
    EXPECT_EQ(noExif.summary.Maker, "");
    EXPECT_EQ(noExif.summary.EmbeddedDate, "");
}

TEST(ExifReaderHead, BrokenMarksMeanNoExif) {
    const Tiff camera = CameraTiff(ByteOrder::Little);
    Bytes notJpeg = Jpeg({ExifApp1(camera.build())});
    notJpeg[1] = 0xD9;
    EXPECT_EQ(WalkBytes(notJpeg).result, 0);

    Bytes badOrder = Jpeg({ExifApp1(camera.build())});
    badOrder[12] = 'X';
    EXPECT_EQ(WalkBytes(badOrder).result, 0);

    Tiff no42 = camera;
    no42.magic = 43;
    Walked w = WalkBytes(Jpeg({ExifApp1(no42.build())}));
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.summary.Maker, "");

    EXPECT_EQ(WalkBytes(Bytes{}).result, 0);
    EXPECT_EQ(WalkBytes(Bytes{0xFF}).result, 0);
    EXPECT_EQ(WalkBytes(Bytes{0xFF, 0xD8, 0xFF, 0xE0}).result, 0);
}

TEST(ExifReaderDimensions, ShortFromTheFirstTwoBytesLongFromAllFour) {
    for (ByteOrder order : {ByteOrder::Big, ByteOrder::Little}) {
        Tiff t;
        t.order = order;
        t.ifd0 = {Ascii(tag::Make, "X")};
        // A SHORT of 640 whose other two value bytes are not zero.
        TiffEntry width = Short(tag::PixelXDimension, 640);
        TiffEntry height = Long(tag::PixelYDimension, 70000);
        t.exif = std::vector<TiffEntry>{width, height};
        Bytes file = Jpeg({ExifApp1(t.build())});
        Walked w = WalkBytes(file);
        EXPECT_EQ(w.summary.PixelWidth, 640);
        EXPECT_EQ(w.summary.PixelHeight, 70000);
    }
    // Big-endian SHORT 640 with junk in bytes 3 and 4 of the value field.
    Tiff t;
    t.order = ByteOrder::Big;
    t.ifd0 = {Ascii(tag::Make, "X")};
    t.exif = std::vector<TiffEntry>{RawEntry(tag::PixelXDimension, kTypeShort, 1, 0x0280ABCD)};
    EXPECT_EQ(WalkBytes(Jpeg({ExifApp1(t.build())})).summary.PixelWidth, 640);
    t.order = ByteOrder::Little; // first two bytes in the file are CD AB: 0xABCD
    EXPECT_EQ(WalkBytes(Jpeg({ExifApp1(t.build())})).summary.PixelWidth, 0xABCD);
}

TEST(ExifReaderDirectories, StopsQuietlyKeepingWhatItFound) {
    Tiff emptyIfd0 = CameraTiff(ByteOrder::Little);
    emptyIfd0.ifd0.clear();
    emptyIfd0.exif.reset();
    EXPECT_EQ(WalkBytes(Jpeg({ExifApp1(emptyIfd0.build())})).result, 0);

    Tiff noPointer = CameraTiff(ByteOrder::Big);
    noPointer.exif.reset();
    Walked w = WalkBytes(Jpeg({ExifApp1(noPointer.build())}));
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.summary.Maker, "Canon");
    EXPECT_EQ(w.summary.Model, "Canon EOS 40D");

    Tiff zeroPointer = CameraTiff(ByteOrder::Little);
    zeroPointer.exif.reset();
    zeroPointer.ifd0.push_back(Long(tag::ExifIfdPointer, 0));
    EXPECT_EQ(WalkBytes(Jpeg({ExifApp1(zeroPointer.build())})).result, 0);

    Tiff emptyExif = CameraTiff(ByteOrder::Little);
    emptyExif.exif = std::vector<TiffEntry>{};
    w = WalkBytes(Jpeg({ExifApp1(emptyExif.build())}));
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.summary.Maker, "Canon");
}

TEST(ExifReaderDirectories, LaterOfTwoEqualTagsWins) {
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd0.push_back(Ascii(tag::Make, "Second"));
    t.exif->push_back(Ascii(tag::DateTimeOriginal, "2001:02:03 04:05:06"));
    t.exif->push_back(Long(tag::PixelXDimension, 17));
    Walked w = WalkBytes(Jpeg({ExifApp1(t.build())}));
    EXPECT_EQ(w.summary.Maker, "Second");
    EXPECT_EQ(w.summary.EmbeddedDate, "2001:02:03 04:05:06");
    EXPECT_EQ(w.summary.PixelWidth, 17);
    EXPECT_EQ(w.result, 6);
}

TEST(ExifReaderTexts, InlineLineFeedAndMissingClosingZero) {
    Tiff t = CameraTiff(ByteOrder::Big);
    t.ifd0 = {Ascii(tag::Make, "RIC"),        // count 4: in the value field
              Ascii(tag::Model, "EX\nZ750")}; // line feed becomes a blank
    Walked w = WalkBytes(Jpeg({ExifApp1(t.build())}));
    EXPECT_EQ(w.summary.Maker, "RIC");
    EXPECT_EQ(w.summary.Model, "EX Z750");

    // A 19-byte date and a model without their closing 0, followed by other bytes.
    Tiff open = CameraTiff(ByteOrder::Little);
    open.ifd0 = {AsciiCounted(tag::Model, "CAMERAHXYZ", 6)};
    (*open.exif)[0] = AsciiCounted(tag::DateTimeOriginal, "2008:05:30 15:56:01ZZZ", 19);
    w = WalkBytes(Jpeg({ExifApp1(open.build())}));
    EXPECT_EQ(w.summary.Model, "CAMERA");
    EXPECT_EQ(w.summary.EmbeddedDate, "2008:05:30 15:56:01");

    // A text of count 0 is empty wherever it points.
    Tiff zero = CameraTiff(ByteOrder::Little);
    (*zero.exif)[0] = RawEntry(tag::DateTimeOriginal, kTypeAscii, 0, 0xFFFFFFF0);
    w = WalkBytes(Jpeg({ExifApp1(zero.build())}));
    EXPECT_EQ(w.result, 4);
    EXPECT_EQ(w.summary.EmbeddedDate, "");
}

TEST(ExifReaderBounds, TextsOutsideTheFileReadAsEmptyAndTheWalkGoesOn) {
    // Regression: a Model pointing past the end used to end the walk, so no date was shown.
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd0.insert(t.ifd0.begin(), Ascii(tag::Make, "Early"));
    t.ifd0.push_back(RawEntry(tag::Model, kTypeAscii, 30, 0xFFFFFF00)); // text far outside
    Walked w = WalkBytes(Jpeg({ExifApp1(t.build())}));
    EXPECT_EQ(w.result, 4);
    EXPECT_EQ(w.summary.Maker, "Canon");
    EXPECT_EQ(w.summary.Model, ""); // the later entry wins, even when it cannot be read
    EXPECT_EQ(w.summary.EmbeddedDate, "2008:05:30 15:56:01");

    Tiff date = CameraTiff(ByteOrder::Big);
    (*date.exif)[0] = RawEntry(tag::DateTimeOriginal, kTypeAscii, 20, 0xFFFFFFF0);
    date.ifd0[0] = RawEntry(tag::Make, kTypeAscii, 20, 0x7FFFFFFF);
    w = WalkBytes(Jpeg({ExifApp1(date.build())}));
    EXPECT_EQ(w.result, 4);
    EXPECT_EQ(w.summary.Maker, "");
    EXPECT_EQ(w.summary.Model, "Canon EOS 40D");
    EXPECT_EQ(w.summary.EmbeddedDate, "");
    EXPECT_EQ(w.summary.PixelWidth, 3888);
}

TEST(ExifReaderBounds, OffsetsPastTheEndEndTheWalkWithoutReadingThere) {
    Tiff farExif = CameraTiff(ByteOrder::Little);
    farExif.exif.reset();
    farExif.ifd0.push_back(Long(tag::ExifIfdPointer, 0xFFFFFFFF));
    EXPECT_EQ(WalkBytes(Jpeg({ExifApp1(farExif.build())})).result, 0);

    // An IFD0 that claims 65535 entries in a small file.
    Bytes file = Jpeg({ExifApp1(CameraTiff(ByteOrder::Little).build())});
    file[12 + 8] = 0xFF;
    file[12 + 9] = 0xFF;
    EXPECT_EQ(WalkBytes(file).result, 0);

    // An APP0 length that points past the end.
    Bytes app0 = Jpeg({Jfif(), ExifApp1(CameraTiff(ByteOrder::Little).build())});
    app0[4] = 0xFF;
    app0[5] = 0xF0;
    EXPECT_EQ(WalkBytes(app0).result, 0);
}

TEST(ExifReaderBounds, EveryCutOfARealPhotoIsReadWithoutFault) {
    const Bytes photo = Photo("Canon_40D.jpg");
    const Walked whole = WalkBytes(photo);
    ASSERT_GT(whole.result, 0);
    for (size_t cut = 0; cut < 4096 && cut < photo.size(); ++cut) {
        Walked w = WalkBytes(Bytes(photo.begin(), photo.begin() + static_cast<ptrdiff_t>(cut)));
        EXPECT_TRUE(w.result == 0 || w.result == whole.result) << cut;
    }
}

TEST(ExifReaderBounds, ForgetsThePreviousPhoto) {
    ExifSummary s;
    MemorySource dated(Jpeg({ExifApp1(CameraTiff(ByteOrder::Little).build())}));
    ByteReader r1(dated);
    ASSERT_GT(WalkExifSummary(r1, s), 0);
    ASSERT_FALSE(s.EmbeddedDate.empty());

    Tiff undated = CameraTiff(ByteOrder::Little);
    undated.exif->erase(undated.exif->begin());
    undated.ifd0 = {};
    undated.ifd0.push_back(Ascii(tag::Software, "x"));
    MemorySource second(Jpeg({ExifApp1(undated.build())}));
    ByteReader r2(second);
    EXPECT_EQ(WalkExifSummary(r2, s), 3);
    EXPECT_EQ(s.EmbeddedDate, "");
    EXPECT_EQ(s.Maker, "");
    EXPECT_EQ(s.Model, "");
}

ExifInfo InfoOf(const Bytes& file) {
    MemorySource src(file);
    ByteReader r(src);
    ExifInfo info = WalkExifInfo(r);
    EXPECT_FALSE(r.failed());
    return info;
}

TEST(ExifThumbnail, IfdOnesJpegInsideTheSegmentIsFound) {
    const Bytes thumb{0xFF, 0xD8, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xFF, 0xD9};
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        Tiff t = CameraTiff(order);
        t.ifd1 = std::vector<TiffEntry>{Short(0x0103, 6)};
        t.thumbnail = thumb;
        TiffLayout at;
        const Bytes file = Jpeg({Jfif(), ExifApp1(t.build(&at))});
        const ExifInfo info = InfoOf(file);
        EXPECT_EQ(info.entries, 4);
        EXPECT_EQ(info.thumbnailOffset, 2u + 18 + 10 + at.thumbnail);
        ASSERT_EQ(info.thumbnailLength, thumb.size());
        EXPECT_TRUE(std::equal(thumb.begin(), thumb.end(),
                               file.begin() + static_cast<ptrdiff_t>(info.thumbnailOffset)));
    }

    // A thumbnail past the APP1 segment's length, past the end of the file, or of no length.
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd1 = std::vector<TiffEntry>{Short(0x0103, 6)};
    t.thumbnail = thumb;
    Bytes shortSegment = Jpeg({ExifApp1(t.build())});
    const int length = (shortSegment[4] << 8 | shortSegment[5]) - 4; // ends inside the thumbnail
    shortSegment[4] = static_cast<uint8_t>(length >> 8);
    shortSegment[5] = static_cast<uint8_t>(length);
    EXPECT_EQ(InfoOf(shortSegment).thumbnailLength, 0u);
    Tiff far = t;
    far.thumbnail.clear();
    far.ifd1->push_back(Long(tag::JpegThumbnailOffset, 0x100000));
    far.ifd1->push_back(Long(tag::JpegThumbnailLength, 10));
    EXPECT_EQ(InfoOf(Jpeg({ExifApp1(far.build())})).thumbnailLength, 0u);
    Tiff empty = far;
    empty.ifd1 = std::vector<TiffEntry>{Long(tag::JpegThumbnailOffset, 8),
                                        Long(tag::JpegThumbnailLength, 0)};
    EXPECT_EQ(InfoOf(Jpeg({ExifApp1(empty.build())})).thumbnailLength, 0u);
    // No Exif data by the head rules: no thumbnail either.
    EXPECT_EQ(InfoOf(Jpeg({App2Icc(), ExifApp1(t.build())})).thumbnailLength, 0u);
}

TEST(ExifOrientation, AShortFromOneToEightInIfd0) {
    for (ByteOrder order : {ByteOrder::Little, ByteOrder::Big}) {
        Tiff t = CameraTiff(order);
        t.ifd0.push_back(Short(tag::Orientation, 6));
        EXPECT_EQ(InfoOf(Jpeg({ExifApp1(t.build())})).orientation, 6);
    }
    const auto orientationOf = [](const TiffEntry& e) {
        Tiff t = CameraTiff(ByteOrder::Big);
        t.ifd0.push_back(e);
        return InfoOf(Jpeg({ExifApp1(t.build())})).orientation;
    };
    EXPECT_EQ(orientationOf(Short(tag::Orientation, 8)), 8);
    EXPECT_EQ(orientationOf(Short(tag::Orientation, 9)), 0);
    EXPECT_EQ(orientationOf(Short(tag::Orientation, 0)), 0);
    EXPECT_EQ(orientationOf(Long(tag::Orientation, 3)), 0); // not a SHORT
    EXPECT_EQ(orientationOf(Short(0x0113, 3)), 0);
    EXPECT_EQ(InfoOf(Jpeg({ExifApp1(CameraTiff(ByteOrder::Big).build())})).orientation, 0);
    // In IFD1 it is the thumbnail's, not the photo's.
    Tiff t = CameraTiff(ByteOrder::Little);
    t.ifd1 = std::vector<TiffEntry>{Short(tag::Orientation, 3)};
    EXPECT_EQ(InfoOf(Jpeg({ExifApp1(t.build())})).orientation, 0);
}

// A JPEG head built from raw bytes after FF D8.
Bytes Head(std::initializer_list<uint8_t> after) {
    Bytes out(after.size() + 2);
    out[0] = 0xFF;
    out[1] = 0xD8;
    std::copy(after.begin(), after.end(), out.begin() + 2);
    return out;
}

std::optional<FrameSize> FrameOf(const Bytes& file) {
    MemorySource src(file);
    ByteReader r(src);
    return ReadFrameSize(r);
}

TEST(JpegFrame, SizeOfTheFirstFrameHeader) {
    // APP0 (length 4), fill bytes, a restart marker, then a progressive frame 640 x 480.
    const Bytes progressive =
        Head({0xFF, 0xE0, 0x00, 0x04, 0xAA, 0xBB, 0xFF, 0xFF, 0xFF, 0xD0, 0xFF,
              0xC2, 0x00, 0x0B, 0x08, 0x01, 0xE0, 0x02, 0x80, 0x01, 0x01, 0x11,
              0x00, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x10, 0x00, 0x10});
    auto size = FrameOf(progressive);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 640);
    EXPECT_EQ(size->height, 480);
    // Every cut of it before the frame's size: nothing.
    for (size_t cut = 0; cut < 21; ++cut)
        EXPECT_FALSE(
            FrameOf(Bytes(progressive.begin(), progressive.begin() + static_cast<ptrdiff_t>(cut))))
            << cut;
    // Huffman (C4), arithmetic (CC) and JPG (C8) tables are no frames.
    auto skipTables = FrameOf(
        Head({0xFF, 0xC4, 0x00, 0x07, 0x01, 0x02, 0x03, 0x04, 0x05, 0xFF, 0xCC, 0x00, 0x02,
              0xFF, 0xC8, 0x00, 0x02, 0xFF, 0xCF, 0x00, 0x08, 0x08, 0x00, 0x02, 0x00, 0x03}));
    ASSERT_TRUE(skipTables.has_value());
    EXPECT_EQ(skipTables->width, 3);
    EXPECT_EQ(skipTables->height, 2);

    // A scan or the end of the image first, a length below 2, a byte other than FF where a
    // marker belongs, a frame header too short, a file that is no JPEG.
    EXPECT_FALSE(FrameOf(Head({0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 1, 0, 1})));
    EXPECT_FALSE(FrameOf(Head({0xFF, 0xD9, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 1, 0, 1})));
    EXPECT_FALSE(FrameOf(Head({0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 1, 0, 1})));
    EXPECT_FALSE(FrameOf(Head({0xFF, 0xE1, 0x00, 0x03, 0x00, 0x00, 0xFF, 0xC0, 0x00, 0x0B, 8})));
    EXPECT_FALSE(FrameOf(Head({0xFF, 0xC0, 0x00, 0x05, 8, 0, 1, 0, 1})));
    EXPECT_FALSE(FrameOf(Head({0xFF, 0xE1, 0xFF, 0xF0, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 1, 0, 1})));
    EXPECT_FALSE(FrameOf(Bytes{0xFF, 0xD9, 0xFF, 0xC0, 0x00, 0x0B, 8, 0, 1, 0, 1}));
}

TEST(JpegFrame, ReadOnlyWhenExifGivesNoPixelSize) {
    // A baseline frame of 48 x 32, one component.
    const Segment frame{0xFFC0, {0x08, 0x00, 0x20, 0x00, 0x30, 0x01, 0x01, 0x11, 0x00}};
    const auto withFrame = [&frame](const Tiff& t) {
        return Jpeg({Jfif(), ExifApp1(t.build()), frame});
    };
    ExifInfo sized = InfoOf(withFrame(CameraTiff(ByteOrder::Little)));
    EXPECT_EQ(sized.summary.PixelWidth, 3888);
    EXPECT_EQ(sized.frameWidth, 0);
    EXPECT_EQ(sized.frameHeight, 0);

    Tiff unsized = CameraTiff(ByteOrder::Little);
    unsized.exif->pop_back(); // no PixelYDimension
    ExifInfo info = InfoOf(withFrame(unsized));
    EXPECT_EQ(info.summary.PixelWidth, 3888);
    EXPECT_EQ(info.summary.PixelHeight, 0);
    EXPECT_EQ(info.frameWidth, 48);
    EXPECT_EQ(info.frameHeight, 32);

    // Without any Exif data too.
    info = InfoOf(Jpeg({Jfif(), App2Icc(), frame}));
    EXPECT_EQ(info.entries, 0);
    EXPECT_EQ(info.frameWidth, 48);
    EXPECT_EQ(info.frameHeight, 32);
}

TEST(ReadExifInfo, ReadsAFileAndItsTimeEvenWithoutExif) {
    TempDir dir;
    const FileInstant at{1165413802, 5};
    SetTimes(dir.put("with.jpg", Jpeg({Jfif(), ExifApp1(CameraTiff(ByteOrder::Big).build())})),
             {at, at, at});
    SetTimes(dir.put("without.JPG", Jpeg({Jfif()})), {at, at, at});

    auto with = ReadExifInfo(dir.folder(), "with.jpg");
    ASSERT_TRUE(with.ok());
    EXPECT_EQ(with->entries, 4);
    EXPECT_EQ(with->summary.EmbeddedDate, "2008:05:30 15:56:01");
    EXPECT_EQ(with->summary.Maker, "Canon");
    EXPECT_EQ(with->modifiedUnix, at.seconds);

    auto without = ReadExifInfo(dir.folder(), "without.JPG");
    ASSERT_TRUE(without.ok());
    EXPECT_EQ(without->entries, 0);
    EXPECT_EQ(without->summary.EmbeddedDate, "");
    EXPECT_EQ(without->modifiedUnix, at.seconds);
}

} // namespace
} // namespace tokimori
