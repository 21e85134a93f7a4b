// Photos decoded with the Windows Imaging Component: upright by their orientation, at the size
// asked for, their embedded thumbnails, and the reasons when they cannot be.

#include <gtest/gtest.h>

#include "FaceTest.h"
#include "win/Picture.h"

namespace tokimori {
namespace {

using namespace test;

TEST(Picture, EveryOrientationComesUprightAtItsNaturalSize) {
    ComScope com;
    for (const char* shape : {"landscape", "portrait"}) {
        const std::string reference = PhotoPath(std::string("orientation_") + shape + "_1.jpg");
        const PictureSize natural = shape[0] == 'l' ? PictureSize{600, 450} : PictureSize{450, 600};
        std::string error;
        const Bitmap upright = DecodePicture(reference, {}, &error);
        ASSERT_EQ(upright.size(), natural) << error;
        for (int orientation : {2, 4, 5, 7, 8}) {
            const std::string path = PhotoPath(std::string("orientation_") + shape + "_" +
                                               std::to_string(orientation) + ".jpg");
            EXPECT_EQ(ReadPictureHead(path).natural, natural) << path;
            const Bitmap turned = DecodePicture(path, {}, &error);
            EXPECT_EQ(turned.size(), natural) << path << error;
            // The photos differ by their captions (about 14); a wrong turn is some 60 apart.
            EXPECT_LT(Distance(turned, upright), 25) << path;
        }
    }
}

TEST(Picture, ADecodeAtTheSizeItIsShownAt) {
    struct Row {
        const char* photo;
        PictureSize natural, target;
    };
    for (const Row& r : {Row{"exif-org_nikon-e950.jpg", {800, 600}, {193, 145}},
                         Row{"hdr_canon_hdr_NO.jpg", {1536, 2048}, {121, 161}},     // turned
                         Row{"Fujifilm_FinePix_E500.jpg", {59, 100}, {95, 161}}}) { // enlarged
        std::string error;
        PictureSize natural;
        const Bitmap b = DecodePicture(PhotoPath(r.photo), r.target, &error, nullptr, &natural);
        EXPECT_EQ(natural, r.natural) << r.photo;
        EXPECT_EQ(b.size(), r.target) << r.photo << error;
        EXPECT_LT(Distance(b, DecodePicture(PhotoPath(r.photo), {}, &error)), 8) << r.photo;
    }
}

TEST(Picture, TheEmbeddedThumbnailTurnedAndCutLikeItsPhoto) {
    struct Row {
        const char* photo;
        PictureSize shown; // upright, its bars cut
    };
    for (const Row& r : {Row{"hdr_canon_hdr_NO.jpg", {120, 160}}, // a quarter turn
                         Row{"tests_45-gps_ifd.jpg", {160, 90}},  // 16:9 padded to 4:3
                         Row{"Canon_40D.jpg", {68, 46}}}) {
        const PictureHead head = ReadPictureHead(PhotoPath(r.photo), nullptr, true);
        ASSERT_FALSE(head.thumbnail.empty()) << r.photo;
        const Bitmap thumb = DecodeExifThumbnail(head.thumbnail, head.orientation, head.natural);
        EXPECT_EQ(thumb.size(), r.shown) << r.photo;
        std::string error;
        EXPECT_LT(Distance(thumb, DecodePicture(PhotoPath(r.photo), r.shown, &error)), 20)
            << r.photo;
    }
    // A photo without one, and bytes that are no picture.
    EXPECT_TRUE(
        ReadPictureHead(PhotoPath("orientation_landscape_1.jpg"), nullptr, true).thumbnail.empty());
    EXPECT_FALSE(DecodeExifThumbnail({'n', 'o'}, 1, {600, 450}));
}

TEST(Picture, WhyAPhotoCannotBeShown) {
    TempDir dir;
    const std::atomic<bool> cancelled{true};
    struct Row {
        std::string path;
        const std::atomic<bool>* cancelled;
        std::string why;
    };
    for (const Row& r :
         {Row{(dir.path() / "gone.jpg").string(), nullptr, "ファイルが見つかりません"},
          Row{WriteText(dir, "text.jpg", "not a photo at all"), nullptr,
              "画像の形式が分かりません"},
          Row{PhotoPath("exif-org_nikon-e950.jpg"), &cancelled, "表示をやめました"}}) {
        std::string error;
        EXPECT_FALSE(DecodePicture(r.path, {80, 60}, &error, r.cancelled)) << r.path;
        EXPECT_EQ(error, r.why) << r.path;
        if (!r.cancelled) {
            EXPECT_EQ(ReadPictureHead(r.path).error, r.why) << r.path;
        }
    }
}

} // namespace
} // namespace tokimori
