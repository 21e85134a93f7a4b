// The reader and the writer over every test photo: no file is left open on any way out, and
// what the engine finds agrees with exiftool.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "TestFiles.h"
#include "exif/ExifReader.h"
#include "exif/ExifWalker.h"
#include "exif/ExifWriter.h"
#include "exif/JpegFrame.h"
#include "run/RunLoop.h"

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

#ifndef _WIN32
int OpenDescriptors() {
    int n = 0;
    for (auto& e : fs::directory_iterator("/proc/self/fd"))
        (void)e, ++n;
    return n;
}

TEST(EveryPhoto, ReaderAndRunsCloseEveryFileOnEveryWayOut) {
    TempDir dir, logs;
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(PhotosDir())) {
        fs::copy_file(e.path(), dir.path() / e.path().filename());
        names.push_back(e.path().filename().string());
    }
    fs::create_directory(dir.path() / "folder.jpg");
    names.insert(names.end(), {"folder.jpg", "missing.jpg"});
    ASSERT_GT(names.size(), 40u);

    const int before = OpenDescriptors();
    int withExif = 0;
    RunRequest request;
    request.logFolder = logs.path().string();
    for (const std::string& name : names) {
        auto read = ReadExifInfo(dir.folder(), name);
        withExif += read.ok() && read->entries > 0;
        request.targets.push_back(dir.folder() + name);
    }
    // Each photo's own time of day, then only the texts of one day: runs that change some
    // photos, fail on others and leave the rest, with their journals and logs.
    SetDatesOptions keepTime;
    keepTime.date = {2006, 12, 24, 0, 0, 0};
    keepTime.keepTime = true;
    SetDatesOptions oneDay = keepTime;
    oneDay.keepTime = false;
    oneDay.matchDate = true;
    oneDay.matchDay = {2006, 12, 24, 0, 0, 0};
    size_t changed = 0;
    for (const SetDatesOptions& o : {keepTime, oneDay})
        changed += RunPhotos(*MakeSetDates(o), request, {}, {}).changed;
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_GT(withExif, 30);
    EXPECT_GT(changed, 60u);
}

// What exiftool says of every test photo: its file name, then the fields asked for ("-" where
// a tag is absent).
std::map<std::string, std::vector<std::string>> Exiftool(const std::string& fields) {
    const std::string command = "exiftool -q -q -f -n -p '$FileName|" + fields + "' '" +
                                PhotosDir().string() + "' 2>/dev/null";
    std::map<std::string, std::vector<std::string>> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    pclose(pipe);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> parts;
        std::istringstream fieldsOf(line);
        for (std::string part; std::getline(fieldsOf, part, '|');)
            parts.push_back(part);
        if (parts.size() < 2) continue;
        const std::string name = parts.front();
        parts.erase(parts.begin());
        out[name] = parts;
    }
    return out;
}

bool HaveExiftool() {
    return std::system("exiftool -ver >/dev/null 2>&1") == 0;
}

// The photo's Exif walk as the engine sees it.
struct Seen {
    Bytes bytes;
    bool exif = false;
    ExifInfo info;
    std::vector<DateSlot> slots;
};

Seen See(const std::string& name) {
    Seen s;
    s.bytes = Photo(name);
    MemorySource src(s.bytes);
    ByteReader r(src);
    s.exif = WalkExif(r, {}).exif;
    s.info = WalkExifInfo(r);
    s.slots = FindDateSlots(r);
    EXPECT_FALSE(r.failed()) << name;
    return s;
}

TEST(EveryPhotoAgainstExiftool, FrameSizeIsTheImageSize) {
    if (!HaveExiftool()) GTEST_SKIP() << "no exiftool";
    const auto facts = Exiftool("$File:ImageWidth|$File:ImageHeight");
    ASSERT_GT(facts.size(), 40u);
    for (const auto& [name, f] : facts) {
        ASSERT_EQ(f.size(), 2u) << name;
        const Bytes bytes = Photo(name);
        MemorySource src(bytes);
        ByteReader r(src);
        auto size = ReadFrameSize(r);
        ASSERT_TRUE(size.has_value()) << name;
        EXPECT_EQ(std::to_string(size->width), f[0]) << name;
        EXPECT_EQ(std::to_string(size->height), f[1]) << name;
    }
}

TEST(EveryPhotoAgainstExiftool, DateSlotsAreTheDatesItReports) {
    if (!HaveExiftool()) GTEST_SKIP() << "no exiftool";
    const auto facts = Exiftool("$IFD0:ModifyDate|$ExifIFD:DateTimeOriginal|$ExifIFD:CreateDate|"
                                "$ExifIFD:OffsetTime|$ExifIFD:OffsetTimeOriginal|"
                                "$ExifIFD:OffsetTimeDigitized");
    ASSERT_GT(facts.size(), 40u);
    int slots = 0;
    for (const auto& [name, f] : facts) {
        ASSERT_EQ(f.size(), 6u) << name;
        const Seen seen = See(name);
        std::map<uint16_t, std::string> theirs;
        const uint16_t tags[] = {tag::DateTime,           tag::DateTimeOriginal,
                                 tag::DateTimeDigitized,  tag::OffsetTime,
                                 tag::OffsetTimeOriginal, tag::OffsetTimeDigitized};
        for (size_t i = 0; i < 6; ++i)
            if (f[i] != "-") theirs[tags[i]] = f[i];
        std::map<uint16_t, std::string> ours;
        for (const DateSlot& slot : seen.slots) {
            std::string text(seen.bytes.begin() + static_cast<ptrdiff_t>(slot.offset),
                             seen.bytes.begin() + static_cast<ptrdiff_t>(slot.offset + slot.count));
            text.resize(std::min(text.size(), text.find('\0')));
            while (!text.empty() && text.back() == ' ')
                text.pop_back(); // exiftool leaves out trailing blanks
            ours[slot.tag] = text;
            ++slots;
        }
        // Every photo with Exif data by the head rules keeps all its date texts writable.
        if (seen.exif)
            EXPECT_EQ(ours, theirs) << name;
        else
            EXPECT_TRUE(ours.empty()) << name;
    }
    EXPECT_GE(slots, 88);
}

TEST(EveryPhotoAgainstExiftool, OrientationIsIfd0s) {
    if (!HaveExiftool()) GTEST_SKIP() << "no exiftool";
    const auto facts = Exiftool("$IFD0:Orientation");
    int compared = 0;
    for (const auto& [name, f] : facts) {
        const Seen seen = See(name);
        if (!seen.exif) {
            EXPECT_EQ(seen.info.orientation, 0) << name;
            continue;
        }
        EXPECT_EQ(seen.info.orientation == 0 ? "-" : std::to_string(seen.info.orientation), f[0])
            << name;
        compared += seen.info.orientation != 0 && seen.info.orientation != 1;
    }
    EXPECT_GE(compared, 1); // hdr_canon_hdr_NO.jpg stands on its side
}

TEST(EveryPhotoAgainstExiftool, ThumbnailIsItsThumbnailImage) {
    if (!HaveExiftool()) GTEST_SKIP() << "no exiftool";
    TempDir dir;
    const std::string command = "exiftool -q -q -b -ThumbnailImage -w '" + dir.path().string() +
                                "/%f.%e' '" + PhotosDir().string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    int found = 0;
    for (auto& e : fs::directory_iterator(PhotosDir())) {
        const std::string name = e.path().filename().string();
        const Seen seen = See(name);
        const fs::path theirs = dir.path() / name;
        if (seen.info.thumbnailLength == 0) {
            // exiftool finds thumbnails in Exif blocks the head rules do not reach.
            EXPECT_TRUE(!fs::exists(theirs) || !seen.exif) << name;
            continue;
        }
        ASSERT_TRUE(fs::exists(theirs)) << name;
        const Bytes thumbnail(
            seen.bytes.begin() + static_cast<ptrdiff_t>(seen.info.thumbnailOffset),
            seen.bytes.begin() +
                static_cast<ptrdiff_t>(seen.info.thumbnailOffset + seen.info.thumbnailLength));
        EXPECT_EQ(thumbnail, ReadAll(theirs)) << name;
        ++found;
    }
    EXPECT_GT(found, 25);
}
#endif

} // namespace
} // namespace tokimori
