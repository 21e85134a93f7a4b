// Positioned reads and writes on real files, and how failures to open are numbered.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "base/PositionedFile.h"
#include "filetime/FileDate.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tokimori {
namespace {

using namespace test;

TEST(PositionedFile, ReadsAndWritesAtOffsetsWithoutChangingTheSize) {
    TempDir dir;
    const auto path = dir.put("f.jpg", Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    auto f = PositionedFile::open(path.string(), PositionedFile::Mode::ReadWrite);
    ASSERT_TRUE(f.ok());
    EXPECT_EQ(f->size(), 8u);
    uint8_t two[2];
    ASSERT_TRUE(f->readAt(6, two).ok());
    EXPECT_EQ(two[0], 7);
    const uint8_t put[] = {9, 9};
    ASSERT_TRUE(f->writeAt(2, put).ok());
    EXPECT_FALSE(f->readAt(7, two).ok()); // runs past the end
    ASSERT_TRUE(f->close().ok());
    EXPECT_TRUE(f->close().ok());
    EXPECT_EQ(ReadAll(path), (Bytes{1, 2, 9, 9, 5, 6, 7, 8}));
}

TEST(PositionedFile, TimesAreSetAndReadBackExactlyThroughTheHandle) {
    TempDir dir;
    const auto path = dir.put("a.jpg", Bytes{1});
    FileTimes t{{1234567890, 123456700}, {1234567000, 500}, {1234567890, 123456700}};
    auto f = PositionedFile::open(path.string(), PositionedFile::Mode::ReadWrite);
    ASSERT_TRUE(f.ok());
    ASSERT_TRUE(f->setTimes(t).ok());
    ASSERT_TRUE(f->close().ok());
    const FileTimes back = ReadFileTimes(path.string()).value();
    EXPECT_EQ(back.modified, t.modified);
    EXPECT_EQ(back.accessed, t.accessed);
}

TEST(PositionedFile, OpenFailuresCarryTheirNumbers) {
    TempDir dir;
    auto missing = PositionedFile::open(dir.folder() + "none.jpg", PositionedFile::Mode::Read);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number, 53);
    EXPECT_NE(missing.error().detail.find("none.jpg"), std::string::npos);
    auto nowhere = PositionedFile::open(dir.folder() + "nowhere/a.jpg", PositionedFile::Mode::Read);
    ASSERT_FALSE(nowhere.ok());
    EXPECT_EQ(nowhere.error().number, 53);

    auto folder = PositionedFile::open(dir.folder(), PositionedFile::Mode::Read);
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().number, 75);
#ifndef _WIN32
    // A named pipe must be refused, not waited on.
    const std::string fifo = dir.folder() + "pipe.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto pipe = PositionedFile::open(fifo, PositionedFile::Mode::Read);
    ASSERT_FALSE(pipe.ok());
    EXPECT_EQ(pipe.error().number, 75);
#endif
}

} // namespace
} // namespace tokimori
