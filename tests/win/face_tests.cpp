// The Windows face in its own process: the main window made and driven with window messages as a
// person's clicks and keys send them, its message boxes answered through the message service's
// seam, the photos checked with the engine. Run under Wine on Xvfb with openbox.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include <windows.h>

#include <commctrl.h>

#include "../core/TestFiles.h"
#include "base/Paths.h"
#include "exif/DateCopies.h"
#include "exif/ExifReader.h"
#include "filetime/FileDate.h"
#include "view/Settings.h"
#include "win/FrmMain.h"
#include "win/FrmShift.h"
#include "win/Messages.h"
#include "win/Modal.h"
#include "win/Settings.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

using namespace test;

// Message boxes, recorded and answered (OK unless told otherwise).
struct Messages {
    std::vector<MessageRequest> shown;
    std::deque<bool> answers;
    Messages() {
        SetMessageResponder([this](const MessageRequest& m) {
            shown.push_back(m);
            if (answers.empty()) return true;
            const bool a = answers.front();
            answers.pop_front();
            return a;
        });
    }
    ~Messages() { SetMessageResponder({}); }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const MessageRequest& m : shown)
            out.push_back(m.text);
        return out;
    }
};

void ClearSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
}

// Copies of camera photos in a folder of their own, with a log folder beside it; the settings
// name the folder, so that the window opens there.
struct Photos {
    TempDir dir, logs;
    std::vector<std::string> names{"a.jpg", "b.jpg", "c.jpg"};
    Photos() {
        const char* cameras[] = {"Canon_40D.jpg", "Nikon_D70.jpg", "Sony_HDR-HC3.jpg"};
        for (size_t i = 0; i < names.size(); ++i)
            dir.put(names[i], Photo(cameras[i]));
        ClearSettings();
        EXPECT_TRUE(SetReg(kFolderKey, dir.path().string()).ok());
    }
    std::string path(size_t i) const { return JoinPath(dir.path().string(), names[i]); }
    std::string shootingDate(size_t i) const {
        auto read = ReadExifInfo(dir.path().string() + "\\", names[i]);
        return read ? read->summary.EmbeddedDate : std::string("(unreadable)");
    }
    LocalDateTime fileTime(size_t i) const {
        return LocalFromUnix(ReadFileTimes(path(i))->modified.seconds);
    }
};

struct Window {
    FrmMain w;
    explicit Window(const Photos& p) {
        w.setLogFolder(p.logs.path().string());
        EXPECT_TRUE(w.Form_Load());
        ShowWindow(w.handle(), SW_SHOW);
    }
    HWND c(const char* name) const { return w.control(name); }
    void pick(const char* picker, const SYSTEMTIME& t) {
        SendMessageW(c(picker), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
    }
    // A click on a box, as the mouse makes it (the options' coupling runs).
    void click(const char* name) { SendMessageW(c(name), BM_CLICK, 0, 0); }
    bool checked(const char* name) { return SendMessageW(c(name), BM_GETCHECK, 0, 0) == 1; }
    void select(int first, int last) {
        SendMessageW(c("File1"), LB_SETSEL, FALSE, -1);
        SendMessageW(c("File1"), LB_SELITEMRANGEEX, first, last);
        SendMessageW(c("File1"), LB_SETCARETINDEX, last, FALSE);
        w.File1_Click();
    }
};

SYSTEMTIME Day(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
    SYSTEMTIME t{};
    t.wYear = WORD(y), t.wMonth = WORD(m), t.wDay = WORD(d);
    t.wHour = WORD(h), t.wMinute = WORD(mi), t.wSecond = WORD(s);
    return t;
}

TEST(MainWindow, OpensOnTheStoredFolderWithTheFirstPhotoShown) {
    Photos p;
    Messages messages;
    Window win(p);
    EXPECT_EQ(TextOf(win.w.handle()), "Tokimori 2.0.0");
    EXPECT_EQ(win.w.folder(), p.dir.path().string());
    ASSERT_EQ(win.w.files().size(), 3u);
    EXPECT_EQ(SendMessageW(win.c("File1"), LB_GETSEL, 0, 0), 1);
    EXPECT_EQ(win.w.exifInfoText().substr(0, 40),
              std::string("サイズ(横×縦)\r\n100×68\r\n\r\n埋込日付(撮").substr(0, 40));
    EXPECT_NE(win.w.exifInfoText().find("2008:05:30 15:56:01"), std::string::npos);
    // The controls stand where the layout puts them (the default client area, 15 twips a pixel).
    RECT r;
    GetWindowRect(win.c("CmdExe"), &r);
    EXPECT_EQ(r.right - r.left, 222);
    EXPECT_EQ(win.w.twipsRect("CmdExe"), (Rect{180, 2880, 3330, 540}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(MainWindow, EveryOptionModeOfARun) {
    struct Case {
        const char* what;
        std::vector<const char*> clicks; // boxes clicked with the mouse, in order
        std::vector<const char*> keyed;  // boxes checked from the keyboard (no coupling)
        int first, last;                 // the selection
        std::vector<bool> answers;
        std::vector<std::string> dates; // each photo's shooting date after the run
        std::vector<std::string> said;  // the messages' texts, their beginnings
    };
    const std::string a = "2008:05:30 15:56:01", b = "2008:03:15 09:52:01";
    const Case cases[] = {
        {"one photo, no option: no message", {}, {}, 0, 0, {}, {"2006:12:24 10:00:00", b}, {}},
        {"keep the time: the date alone",
         {"ChkHoji"},
         {},
         0,
         1,
         {},
         {"2006:12:24 15:56:01", "2006:12:24 09:52:01"},
         {"対象のファイル、 2件"}},
        {"folder mode by the mouse keeps the times and counts",
         {"ChkIkkatu"},
         {},
         0,
         0,
         {},
         {"2006:12:24 15:56:01", "2006:12:24 09:52:01"},
         {"対象のファイル、 3件"}},
        {"folder mode by the keyboard asks first; cancelled, nothing changes",
         {},
         {"ChkIkkatu"},
         0,
         0,
         {false},
         {a, b},
         {"フォルダ内の対象ファイルが全て同じ日付になります。"}},
        {"match mode: only that day's texts",
         {"ChkUme"},
         {},
         0,
         0,
         {},
         {"2006:12:24 15:56:01", b},
         {"対象のファイル、 1件"}},
    };
    for (const Case& c : cases) {
        Photos p;
        Messages messages;
        messages.answers.assign(c.answers.begin(), c.answers.end());
        Window win(p);
        win.pick("DTPDate", Day(2006, 12, 24));
        win.pick("DTPTime", Day(2006, 12, 24, 10, 0, 0));
        win.pick("DTPumeDate", Day(2008, 5, 30));
        for (const char* box : c.clicks)
            win.click(box);
        for (const char* box : c.keyed)
            SendMessageW(win.c(box), BM_SETCHECK, BST_CHECKED, 0);
        win.select(c.first, c.last);
        SendMessageW(win.c("CmdExe"), BM_CLICK, 0, 0);
        for (size_t i = 0; i < c.dates.size(); ++i)
            EXPECT_EQ(p.shootingDate(i), c.dates[i]) << c.what << ": photo " << i;
        ASSERT_EQ(messages.shown.size(), c.said.size()) << c.what;
        for (size_t i = 0; i < c.said.size(); ++i)
            EXPECT_EQ(messages.shown[i].text.substr(0, c.said[i].size()), c.said[i]) << c.what;
        // The panel shows the photo as the run left it; several selected, it is empty.
        if (SendMessageW(win.c("File1"), LB_GETSELCOUNT, 0, 0) == 1) {
            EXPECT_NE(win.w.exifInfoText().find(c.dates[0]), std::string::npos) << c.what;
        } else {
            EXPECT_EQ(win.w.exifInfoText(), "") << c.what;
        }
    }
}

TEST(MainWindow, TheOptionsCoupleOnTheMouseOnly) {
    Photos p;
    Messages messages;
    Window win(p);
    win.click("ChkUme");
    EXPECT_TRUE(win.checked("ChkIkkatu") && win.checked("ChkHoji"));
    EXPECT_FALSE(IsWindowEnabled(win.c("DTPTime")));
    EXPECT_TRUE(IsWindowEnabled(win.c("DTPumeDate")));
    win.click("ChkHoji");
    EXPECT_TRUE(IsWindowEnabled(win.c("DTPTime")));
    win.click("ChkUme");
    EXPECT_FALSE(IsWindowEnabled(win.c("DTPumeDate")));
}

TEST(MainWindow, ThreeStartsAndClosesKeepTheStoredBounds) {
    Photos p;
    std::vector<std::string> bounds;
    for (int run = 0; run < 3; ++run) {
        Messages messages;
        {
            Window win(p);
            win.w.close();
        }
        bounds.push_back(GetReg("WTOP", "") + "," + GetReg("WLEFT", "") + "," +
                         GetReg("WWidth", "") + "," + GetReg("WHeight", ""));
        EXPECT_TRUE(messages.shown.empty());
    }
    EXPECT_EQ(bounds[0], "105,105,12735,7560");
    EXPECT_EQ(bounds[1], bounds[0]);
    EXPECT_EQ(bounds[2], bounds[0]);
    EXPECT_EQ(GetReg(kFolderKey, ""), p.dir.path().string());
}

// The id of the file menu's item of this caption, 0 when there is none.
UINT FileMenuItem(HWND window, const std::string& caption) {
    HMENU file = GetSubMenu(GetMenu(window), 0);
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        wchar_t text[64] = L"";
        GetMenuStringW(file, UINT(i), text, 64, MF_BYPOSITION);
        if (N(text) == caption) return GetMenuItemID(file, i);
    }
    return 0;
}

// The file menu's item, found by its caption and chosen: runs take the XMP copies along, or,
// unchecked, leave them, and the information's tooltip then names the copy that says otherwise.
// Its state is stored at the close and read at the start.
TEST(MainWindow, TheCopiesItemTakesTheXmpDatesAlongAndIsRemembered) {
    Photos p;
    Messages messages;
    EXPECT_TRUE(SetReg(kAllCopiesKey.key, "True").ok());
    auto xmpOriginal = [&] {
        std::vector<PhotoDate> dates;
        (void)ReadExifInfo(p.dir.path().string() + "\\", p.names[1], &dates);
        for (const PhotoDate& d : dates)
            if (d.where == "XMP-exif:DateTimeOriginal") return d.text.substr(0, 19);
        return std::string();
    };
    {
        Window win(p);
        const UINT item = FileMenuItem(win.w.handle(), "XMP・IPTCの日付も合わせる");
        ASSERT_NE(item, 0u);
        EXPECT_TRUE(win.w.allCopies());
        win.select(1, 1);
        EXPECT_EQ(win.w.exifInfoTip(), "");
        win.pick("DTPDate", Day(2020, 1, 2));
        win.pick("DTPTime", Day(2000, 1, 1, 3, 4, 5));
        win.click("CmdExe");
        EXPECT_EQ(xmpOriginal(), "2020-01-02T03:04:05");
        SendMessageW(win.w.handle(), WM_COMMAND, item, 0);
        EXPECT_FALSE(win.w.allCopies());
        win.pick("DTPDate", Day(2021, 1, 2));
        win.click("CmdExe");
        EXPECT_EQ(xmpOriginal(), "2020-01-02T03:04:05");
        EXPECT_EQ(win.w.exifInfoTip().substr(0, 40),
                  std::string("XMP・IPTC の撮影日時が Exif の撮影日時（2021:01:02").substr(0, 40));
        win.w.close();
    }
    EXPECT_EQ(GetReg(kAllCopiesKey.key, ""), "False");
}

// 「写真と動画をすべて表示」, remembered, offers the movie and the HEIC photo beside the JPEGs
// (the information shows the movie's creation time); chosen again, the JPEGs alone.
TEST(MainWindow, TheAllKindsItemListsEveryPhotoAndMovie) {
    Photos p;
    Messages messages;
    p.dir.put("d.heic", Photo("../formats/IMG_5195.HEIC"));
    p.dir.put("e.mov", Photo("../formats/QuickTime.mov"));
    EXPECT_TRUE(SetReg(kAllKindsKey.key, "True").ok());
    {
        Window win(p);
        ASSERT_EQ(win.w.files().size(), 5u);
        win.select(4, 4);
        EXPECT_NE(win.w.exifInfoText().find(FormatDateTime(LocalFromUnix(1123769034), ':', ' ')),
                  std::string::npos)
            << win.w.exifInfoText();
        SendMessageW(win.w.handle(), WM_COMMAND,
                     FileMenuItem(win.w.handle(), "写真と動画をすべて表示"), 0);
        EXPECT_EQ(win.w.files().size(), 3u);
        win.w.close();
    }
    EXPECT_EQ(GetReg(kAllKindsKey.key, ""), "False");
}

// 日時をずらす with 基準写真から: the current photo's true time, entered, gives its camera's
// error; the question names the camera, only its photos move, the others are named at the end.
TEST(MainWindow, TheClockPhotoMovesItsCameraAlone) {
    Photos p;
    Messages messages;
    Window win(p);
    win.click("ChkIkkatu"); // the folder; the Canon photo current
    std::string offset, preview;
    Dialog::whenShown = [&](HWND d) {
        SYSTEMTIME truly = Day(2008, 5, 30, 16, 56, 1); // an hour after its clock's 15:56:01
        for (int picker : {kDtpTrueDate, kDtpTrueTime})
            SendDlgItemMessageW(d, picker, DTM_SETSYSTEMTIME, GDT_VALID,
                                reinterpret_cast<LPARAM>(&truly));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, kChkReference)));
        SendDlgItemMessageW(d, kChkReference, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, kTxtHours)));
        offset = TextOf(GetDlgItem(d, kLblRefOffset));
        preview = TextOf(GetDlgItem(d, kLblPreview));
        const bool ok = IsWindowEnabled(GetDlgItem(d, IDOK));
        EXPECT_TRUE(ok);
        SendDlgItemMessageW(d, ok ? IDOK : IDCANCEL, BM_CLICK, 0, 0);
    };
    SendMessageW(win.w.handle(), WM_COMMAND, FileMenuItem(win.w.handle(), "日時をずらす(&S)..."),
                 0);
    Dialog::whenShown = nullptr;
    EXPECT_NE(offset.find("1時間"), std::string::npos) << offset;
    EXPECT_EQ(preview, "a.jpg\n2008:05:30 15:56:01 → 2008:05:30 16:56:01");
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_NE(messages.texts()[0].find("Canon EOS 40D"), std::string::npos) << messages.texts()[0];
    EXPECT_EQ(messages.texts()[1].substr(0, 30),
              std::string("次の写真は基準写真と別のカメラの写真のため").substr(0, 30));
    EXPECT_EQ(p.shootingDate(0), "2008:05:30 16:56:01");
    EXPECT_EQ(p.shootingDate(1), "2008:03:15 09:52:01");
}

TEST(MainWindow, ASecondCopyIsRefused) {
    Photos p;
    Messages messages;
    Window first(p);
    FrmMain second;
    EXPECT_FALSE(second.Form_Load());
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"すでに起動しています。"});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_TRUE(IsWindow(first.w.handle()));
}

// A message box of a process: its dialog window, or nullptr.
HWND DialogOf(DWORD process) {
    std::pair<DWORD, HWND> seek{process, nullptr};
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<std::pair<DWORD, HWND>*>(data);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            wchar_t cls[16] = L"";
            GetClassNameW(w, cls, 16);
            if (pid == s->first && std::wstring(cls) == L"#32770" && IsWindowVisible(w))
                s->second = w;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seek));
    return seek.second;
}

template <class F> bool WaitFor(F found) {
    for (int i = 0; i < 300; ++i, Sleep(50))
        if (found()) return true;
    return false;
}

bool Start(PROCESS_INFORMATION& pi) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring command = L"\"" + W(TOKIMORI_PROGRAM) + L"\"";
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi) != 0;
}

// A control of another process's window, at any depth, by its text or its id.
HWND ChildOf(HWND parent, const std::string& text, int id = 0) {
    struct Seek {
        std::string text;
        int id;
        HWND found;
    } seek{text, id, nullptr};
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Seek*>(data);
            if (s->id ? GetDlgCtrlID(w) == s->id : TextOf(w) == s->text) s->found = w;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&seek));
    return seek.found;
}

// The program as a person starts it: a second start says so in a message box (found, read and
// answered as a person would) and ends; the first copy goes on, runs over its folder with the
// mouse's clicks (the count message read and answered in its box), and its close stores its
// folder.
TEST(Program, ASecondStartIsRefusedAndTheFirstGoesOn) {
    Photos p;
    PROCESS_INFORMATION first{}, second{};
    ASSERT_TRUE(Start(first));
    HWND main = nullptr;
    // Shown once its loading is over: only then are its controls all there.
    ASSERT_TRUE(WaitFor([&] {
        main = FindWindowW(kMainWindowClass, nullptr);
        return main && IsWindowVisible(main);
    }));
    ASSERT_TRUE(Start(second));
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = DialogOf(second.dwProcessId)) != nullptr; }));
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), "すでに起動しています。");
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(IsWindow(main));
    // The run button draws its caption itself and holds no window text: it is found by its id.
    HWND folderMode = ChildOf(main, "フォルダ内一括処理"),
         run = ChildOf(main, "", ControlId("CmdExe"));
    ASSERT_TRUE(folderMode && run);
    SendMessageW(folderMode, BM_CLICK, 0, 0);
    PostMessageW(run, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return (box = DialogOf(first.dwProcessId)) != nullptr; }));
    const std::string count = "対象のファイル、 3件";
    EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)).substr(0, count.size()), count);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return DialogOf(first.dwProcessId) == nullptr; }));
    const char* times[] = {" 15:56:01", " 09:52:01"}; // the photos' own, kept in folder mode
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NE(p.shootingDate(i).substr(0, 10), "2008:05:30") << i;
        EXPECT_EQ(p.shootingDate(i).substr(10), times[i]) << i;
    }
    SetReg(kFolderKey, "").ok(); // what the close writes, it writes anew
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(first.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(GetReg(kFolderKey, ""), p.dir.path().string());
    for (HANDLE h : {first.hProcess, first.hThread, second.hProcess, second.hThread})
        CloseHandle(h);
}

} // namespace
} // namespace tokimori
