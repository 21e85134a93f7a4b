// The reader and the writer over every test photo: no file is left open on any way out.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"

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

TEST(EveryPhoto, ReaderAndWriterCloseTheFileOnEveryWayOut) {
    TempDir dir;
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
    for (const std::string& name : names) {
        auto read = ReadExifInfo(dir.folder(), name);
        withExif += read.ok() && read->entries > 0;
        (void)WriteExifDate(dir.folder(), name, "2006:12:24", "");
        (void)WriteExifDate(dir.folder(), name, "2006:12:24 10:00:00", "2008:05:30");
        (void)WriteExifDate(dir.folder(), name, "bad", "");
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_GT(withExif, 30);
}
#endif

} // namespace
} // namespace tokimori
