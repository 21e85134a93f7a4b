// The daily log: names, lines, and which old logs a new day removes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "TestFiles.h"
#include "base/AppendFile.h"
#include "base/Faults.h"
#include "base/Paths.h"
#include "base/SystemError.h"
#include "run/OperationLog.h"

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

const LocalDateTime kToday{2006, 12, 6, 14, 3, 22};

struct Recorder {
    std::vector<MessageRequest> shown;
    MessageSink sink() {
        return [this](const MessageRequest& m) { shown.push_back(m); };
    }
};

std::vector<std::string> Names(const TempDir& dir) {
    std::vector<std::string> out;
    for (auto& e : fs::directory_iterator(dir.path()))
        out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

void PutLogs(const TempDir& dir, std::initializer_list<const char*> dates) {
    for (const char* d : dates)
        dir.put(std::string("Date") + d + ".log", Bytes{'x'});
}

TEST(LogNames, NameDateAndPattern) {
    EXPECT_EQ(LogNameFor(kToday), "Date20061206.log");
    EXPECT_EQ(LogDateOf("Date20061206.log"), "20061206");
    for (const char* log : {"Date20061206.log", "DATE20061206.LOG", "Date20040229.log"})
        EXPECT_TRUE(IsLogName(log)) << log;
    // Only a real calendar date makes a log: a user's own files are never taken for one.
    for (const char* other : {"DATEabcdefgh.LOG", "Date1999plan.log", "Date20050229.log",
                              "Date20061306.log", "Date20061200.log", "Date2006120.log",
                              "Date200612061.log", "Xate20061206.log", "Date20061206.txt"})
        EXPECT_FALSE(IsLogName(other)) << other;
}

TEST(LogFileName, ANewDayRemovesTheOldestLogsUntilTwoRemainTodaysRemovesNothing) {
    std::vector<std::string> fifteen;
    for (int d = 1; d <= 15; ++d)
        fifteen.push_back("200611" + std::string(d < 10 ? "0" : "") + std::to_string(d));
    struct Case {
        std::vector<std::string> logs; // the dates of the logs there
        std::vector<std::string> left; // what stays, today's log made
    };
    const Case cases[] = {
        {{}, {"Date20061206.log", "keep.jpg"}},
        {{"20061201", "20061203", "20061202"},
         {"Date20061202.log", "Date20061203.log", "Date20061206.log", "keep.jpg"}},
        {{"20061130", "20061105", "20061201", "20061204", "20061020"},
         {"Date20061201.log", "Date20061204.log", "Date20061206.log", "keep.jpg"}},
        {fifteen, {"Date20061114.log", "Date20061115.log", "Date20061206.log", "keep.jpg"}},
        {{"20061201", "20061202", "20061203", "20061204", "20061206"},
         {"Date20061201.log", "Date20061202.log", "Date20061203.log", "Date20061204.log",
          "Date20061206.log", "keep.jpg"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.put("keep.jpg", Bytes{1});
        for (const std::string& d : c.logs)
            dir.put("Date" + d + ".log", Bytes{'x'});
        Recorder r;
        auto path = LogFileName(dir.path().string(), kToday, r.sink());
        ASSERT_TRUE(path.ok());
        EXPECT_EQ(path.value(), JoinPath(dir.path().string(), "Date20061206.log"));
        if (!fs::exists(path.value())) WriteAll(path.value(), {});
        EXPECT_EQ(Names(dir), c.left) << c.logs.size() << " logs";
        EXPECT_TRUE(r.shown.empty());
    }
}

#ifndef _WIN32 // (Windows' file names ignore letter case, and it has no immutable files)
TEST(LogFileName, EqualDatesRemoveTheFirstListed) {
    TempDir dir;
    PutLogs(dir, {"20061201", "20061205"});
    dir.put("DATE20061201.LOG", Bytes{'y'});
    if (Names(dir).size() != 3) GTEST_SKIP() << "file names ignore letter case here";
    std::string firstListed;
    for (auto& e : fs::directory_iterator(dir.path())) {
        const std::string n = e.path().filename().string();
        if (LogDateOf(n) == "20061201") {
            firstListed = n;
            break;
        }
    }
    Recorder r;
    ASSERT_TRUE(LogFileName(dir.path().string(), kToday, r.sink()).ok());
    const auto left = Names(dir);
    EXPECT_EQ(left.size(), 2u);
    EXPECT_EQ(std::count(left.begin(), left.end(), firstListed), 0);
}

TEST(LogFileName, AnOldLogThatCannotBeRemovedIsAnError) {
    TempDir dir;
    PutLogs(dir, {"20061201", "20061202", "20061203"});
    Immutable locked(dir.path());
    if (!locked) GTEST_SKIP() << "no chattr here";
    Recorder r;
    auto path = LogFileName(dir.path().string(), kToday, r.sink());
    ASSERT_FALSE(path.ok());
    EXPECT_EQ(path.error().number, 70);
}
#endif

TEST(LogFileName, OnlyTheProgramsOwnFilesAreRemoved) {
    TempDir dir;
    PutLogs(dir, {"20061201", "20061202", "20061203"});
    // A user's files that look like logs or journals, a folder and a link named like logs.
    dir.put("Date1999plan.log", Bytes{'u'});
    dir.put("DateTodoList.log", Bytes{'u'});
    dir.put("Date20061201-notes.journal", Bytes{'u'});
    dir.put("Date20061201.journal", Bytes{'u'});
    fs::create_directory(dir.path() / "Date20061130.log");
    dir.put("Date20061130.log/inside", Bytes{1});
    dir.put("Date20061201-101010-42.journal", Bytes{'x'});
    dir.put("Date20061201-101010-42-2.journal", Bytes{'x'});
    dir.put("Date20061202-101010-42.journal", Bytes{'x'});
#ifndef _WIN32
    fs::create_symlink(dir.path() / "Date20061202.log", dir.path() / "Date20061129.log");
#endif
    Recorder r;
    ASSERT_TRUE(LogFileName(dir.path().string(), kToday, r.sink()).ok());
    const auto left = Names(dir);
    auto has = [&](const char* n) { return std::count(left.begin(), left.end(), n) == 1; };
    // The oldest real log went; journals are the undo and stay.
    EXPECT_FALSE(has("Date20061201.log"));
    for (const char* kept :
         {"Date20061202.log", "Date20061203.log", "Date1999plan.log", "DateTodoList.log",
          "Date20061201-101010-42.journal", "Date20061201-101010-42-2.journal",
          "Date20061201-notes.journal", "Date20061201.journal", "Date20061130.log",
          "Date20061202-101010-42.journal"})
        EXPECT_TRUE(has(kept)) << kept;
#ifndef _WIN32
    EXPECT_TRUE(has("Date20061129.log"));
#endif
    EXPECT_TRUE(fs::exists(dir.path() / "Date20061130.log" / "inside"));
}

TEST(LogFileName, AFolderUnderTodaysNameIsAnError) {
    TempDir dir;
    fs::create_directory(dir.path() / "Date20061206.log");
    Recorder r;
    auto path = LogFileName(dir.path().string(), kToday, r.sink());
    ASSERT_FALSE(path.ok());
    EXPECT_EQ(path.error().number, 75);
}

TEST(LogLine, Format) {
    EXPECT_EQ(FormatLogLine(kToday, "ExifData", " [パス-C:\\Photo\\P0001.JPG]"),
              "2006/12/06-14:03:22 ExifData> [パス-C:\\Photo\\P0001.JPG]\r\n");
    EXPECT_EQ(FormatLogLine({2006, 1, 2, 3, 4, 5}, "K", ""), "2006/01/02-03:04:05 K>\r\n");
}

TEST(LogFailureMessage, TellsTheErrorInTheWindowsWords) {
    const MessageRequest m = LogFailureMessage(MakeError(61));
    EXPECT_EQ(m.title, "ログ出力エラー");
    EXPECT_EQ(m.icon, MessageIcon::Critical);
    EXPECT_EQ(m.text.rfind("ログ出力時にエラーが発生しました。\n(61) ", 0), 0u);
}

TEST(AppendFile, AFailureNeverTakesAwayLinesAnotherRunAppended) {
    // Two runs share the day's log; the one that created it fails: what the other wrote stays.
    auto open = [](const std::string& path) {
        return AppendFile::open(path, AppendFile::Create::OpenOrCreate, FaultSite::LogAppend);
    };
    TempDir dir;
    const std::string path = (dir.path() / "Date20061207.log").string();
    auto a = open(path);
    auto b = open(path);
    ASSERT_TRUE(a.ok() && a->created() && b.ok() && !b->created());
    ASSERT_TRUE(b->append("B1\r\n").ok());
    ASSERT_TRUE(a->append("A1\r\n").ok());
    ASSERT_TRUE(b->append("B2\r\n").ok());
    {
        InjectFault full(FaultSite::LogAppend, 1, Fault::Kind::Short);
        EXPECT_FALSE(a->append("A2 cut by a full disk\r\n").ok());
    }
    const Bytes all = ReadAll(path);
    const std::string text(all.begin(), all.end());
    EXPECT_EQ(text.rfind("B1\r\nA1\r\nB2\r\n", 0), 0u) << text;

    // The run that created a log writes nothing, another one does: the log stays.
    const std::string other = (dir.path() / "Date20061208.log").string();
    auto c = open(other);
    auto d = open(other);
    ASSERT_TRUE(c.ok() && c->created() && d.ok());
    ASSERT_TRUE(d->append("D1\r\n").ok());
    EXPECT_TRUE(c->discardIfEmpty().ok());
    EXPECT_EQ(ReadAll(other), (Bytes{'D', '1', '\r', '\n'}));
}

TEST(LogLine, ControlCharactersInANameStayOnOneLine) {
    EXPECT_EQ(EscapeLogText(" [パス-/p/a\tb\nc\x7f.jpg]"), " [パス-/p/a%09b%0Ac%7F.jpg]");
    EXPECT_EQ(EscapeLogText("C:\\写真\\100%.jpg"), "C:\\写真\\100%.jpg");
}

TEST(LogFileExists, AnswersAndReportsFailures) {
    TempDir dir;
    Recorder r;
    dir.put("a.log", Bytes{1});
    EXPECT_TRUE(LogFileExists((dir.path() / "a.log").string(), r.sink()));
    EXPECT_FALSE(LogFileExists((dir.path() / "b.log").string(), r.sink()));
    EXPECT_TRUE(r.shown.empty());
#ifndef _WIN32
    fs::create_symlink("loop", dir.path() / "loop");
    EXPECT_FALSE(LogFileExists((dir.path() / "loop").string(), r.sink()));
    ASSERT_EQ(r.shown.size(), 1u);
    EXPECT_EQ(r.shown[0].title, "Tokimori");
    EXPECT_NE(r.shown[0].text.find(":"), std::string::npos);
#endif
}

#ifndef _WIN32
TEST(LogFolder, AnInstalledCopyLogsToTheUsersDataFolder) {
    TempDir data;
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    EXPECT_EQ(LogFolder("/usr/bin"), data.path().string() + "/Tokimori");
    EXPECT_TRUE(fs::is_directory(data.path() / "Tokimori"));
    TempDir program;
    EXPECT_EQ(LogFolder(program.path().string()), program.path().string());
    if (old)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
#endif

} // namespace
} // namespace tokimori
