// Drive roots, parent folders and the folder presence check.

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "base/Paths.h"

namespace tokimori {
namespace {

using namespace test;
constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

TEST(WindowsPaths, DriveRoot) {
    EXPECT_EQ(GetDriveRoot("C:\\Program Files\\Tool", W), "C:\\");
    EXPECT_EQ(GetDriveRoot("C:\\", W), "C:\\");
    EXPECT_EQ(GetDriveRoot("D:\\", W), "D:\\");
    EXPECT_EQ(GetDriveRoot("D:\\a\\b", W), "D:\\");
    EXPECT_EQ(GetDriveRoot("\\\\server\\share\\dir", W), "\\");
}

TEST(WindowsPaths, ParentPath) {
    EXPECT_EQ(GetParentPath("C:\\Photos\\2006", W), "C:\\Photos");
    EXPECT_EQ(GetParentPath("C:\\Photos", W), "C:\\");
    EXPECT_EQ(GetParentPath("C:\\", W), "C:\\");
    EXPECT_EQ(GetParentPath("\\\\server\\share\\dir", W), "\\\\server\\share");
    EXPECT_EQ(GetParentPath("D:\\a\\", W), "D:\\a");
    EXPECT_EQ(GetParentPath("\\a", W), "");
    std::string p = "D:\\a\\b\\c";
    std::vector<std::string> up;
    for (int i = 0; i < 5; ++i)
        up.push_back(p = GetParentPath(p, W));
    EXPECT_EQ(up, (std::vector<std::string>{"D:\\a\\b", "D:\\a", "D:\\", "D:\\", "D:\\"}));
    // Any two-character head gets the separator back.
    EXPECT_EQ(GetParentPath("ab\\c", W), "ab\\");
    // Longer than a 16-bit counter reaches.
    const std::string deep = "C:\\" + std::string(40000, 'x') + "\\y";
    EXPECT_EQ(GetParentPath(deep, W), deep.substr(0, deep.size() - 2));
}

TEST(PosixPaths, OneRoot) {
    EXPECT_EQ(GetDriveRoot("/home/user/Photos", P), "/");
    EXPECT_EQ(GetDriveRoot("/", P), "/");
    EXPECT_EQ(GetParentPath("/a/b", P), "/a");
    EXPECT_EQ(GetParentPath("/a", P), "/");
    EXPECT_EQ(GetParentPath("/", P), "/");
    EXPECT_EQ(JoinPath("/a", "b.jpg"), std::string("/a") + kSeparator + "b.jpg");
    EXPECT_EQ(JoinPath("/", "b.jpg"), "/b.jpg");
}

TEST(FolderPresence, PresentAbsentAndUnreachable) {
    TempDir dir;
    const std::string base = dir.path().string();
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_directory(dir.path() / "empty");
    dir.put("file.jpg", Bytes{1});

    auto present = CheckFolderPresence(base + "/sub");
    ASSERT_TRUE(present.ok());
    EXPECT_EQ(present.value(), FolderPresence::Present);
    EXPECT_EQ(CheckFolderPresence(base + "/file.jpg").value(), FolderPresence::Present);
    EXPECT_EQ(CheckFolderPresence(base + "/gone").value(), FolderPresence::Absent);
    // A root is present only when it holds an entry.
    EXPECT_EQ(CheckFolderPresence(base + "/empty/").value(), FolderPresence::Absent);
    EXPECT_EQ(CheckFolderPresence(base + "/").value(), FolderPresence::Present);
#ifndef _WIN32
    EXPECT_EQ(CheckFolderPresence("/").value(), FolderPresence::Present);
    // A card that was removed: its mount folder is gone with it.
    for (const char* p :
         {"/media/tokimori-removed-card/DCIM", "/media/nobody/TOKIMORI-CARD/DCIM/100",
          "/run/media/nobody/TOKIMORI-CARD", "/mnt/tokimori-removed"}) {
        auto gone = CheckFolderPresence(p);
        ASSERT_FALSE(gone.ok()) << p;
        EXPECT_EQ(gone.error().number, 52) << p;
    }
#else
    auto noDrive = CheckFolderPresence("Q:\\Photos");
    ASSERT_FALSE(noDrive.ok());
    EXPECT_EQ(noDrive.error().number, 52);
#endif
}

TEST(FolderReadable, FoldersFilesAndMissing) {
    TempDir dir;
    const std::string base = dir.path().string();
    std::filesystem::create_directory(dir.path() / "sub");
    dir.put("file.jpg", Bytes{1});
    EXPECT_TRUE(CheckFolderReadable(base + "/sub").ok());
    EXPECT_TRUE(CheckFolderReadable(base).ok());
    auto file = CheckFolderReadable(base + "/file.jpg");
    ASSERT_FALSE(file.ok());
    EXPECT_EQ(file.error().number, 75);
    auto gone = CheckFolderReadable(base + "/gone");
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().number, 53);
}

TEST(AbsolutePaths, NameTheSameFileAsTheGivenPath) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string base = dir.path().string();
    fs::create_directories(dir.path() / "deep" / "inner");
    dir.put("a.jpg", Bytes{1});
    dir.put("deep/a.jpg", Bytes{2});
    EXPECT_EQ(fs::path(AbsolutePath(base + "/./a.jpg")), dir.path() / "a.jpg");
    EXPECT_EQ(fs::path(AbsolutePath(base + "//deep/./a.jpg")), dir.path() / "deep" / "a.jpg");
    const fs::path was = fs::current_path();
    fs::current_path(dir.path() / "deep");
    EXPECT_EQ(fs::path(AbsolutePath("a.jpg")), dir.path() / "deep" / "a.jpg");
    EXPECT_EQ(fs::path(AbsolutePath("./a.jpg")), dir.path() / "deep" / "a.jpg");
    fs::current_path(was);
#ifndef _WIN32
    // "link/../a.jpg" is deep/a.jpg, not the a.jpg beside the link.
    fs::create_directory_symlink(dir.path() / "deep" / "inner", dir.path() / "link");
    EXPECT_EQ(ReadAll(AbsolutePath(base + "/link/../a.jpg")), Bytes{2});
#endif
}

} // namespace
} // namespace tokimori
