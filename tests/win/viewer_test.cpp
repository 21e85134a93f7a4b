// The photo viewer: fitted and refitted as the window's size changes, at real size on request
// (within the screen's work area, scroll bars for the rest) and fitted again after, closed by
// Esc and its menu, modal over its owner; a photo that cannot be loaded is said and not shown.

#include <gtest/gtest.h>

#include "FaceTest.h"
#include "win/FrmViewer.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

using namespace test;

std::string MenuText(HWND w, UINT id) {
    wchar_t text[64] = {};
    GetMenuStringW(GetMenu(w), id, text, 64, MF_BYCOMMAND);
    return N(text);
}

// A window to own the viewer, as the main window does.
HWND Owner() {
    return CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300,
                           200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(Viewer, FitsThePhotoAndRefitsItAtEverySize) {
    MessageLog messages;
    FrmViewer v(PhotoPath("Canon_PowerShot_S40.jpg"), nullptr); // 480 × 360
    EXPECT_EQ(TextOf(v.handle()), "Canon_PowerShot_S40.jpg");
    EXPECT_EQ(MenuText(v.handle(), FrmViewer::mnuClose), "閉じる(&C)");
    EXPECT_EQ(MenuText(v.handle(), FrmViewer::PhotoOriginSize), "写真実寸サイズ(&O)");
    ASSERT_TRUE(v.loadPhoto());
    ShowWindow(v.handle(), SW_SHOW);
    struct Row {
        int width, height;
        Rect image;
    };
    for (const Row& r : {Row{600, 300, {100, 0, 400, 300}},  // wider: height-limited
                         Row{300, 600, {0, 187, 300, 225}},  // taller: width-limited
                         Row{400, 300, {0, 0, 400, 300}}}) { // its own ratio: left 0
        SetClientSize(v.handle(), r.width, r.height);
        ASSERT_EQ(ClientOf(v.handle()), (Rect{0, 0, r.width, r.height}));
        EXPECT_EQ(v.frameRect(), (Rect{0, 0, r.width, r.height}));
        EXPECT_EQ(v.imageRect(), r.image) << r.width << " x " << r.height;
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Viewer, RealSizeStaysOnTheScreenAndTheNextSizeFitsAgain) {
    MessageLog messages;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    struct Row {
        const char* photo;
        int width, height; // natural
    };
    for (const Row& r :
         {Row{"exif-org_nikon-e950.jpg", 800, 600}, Row{"hdr_iphone_hdr_NO.jpg", 3264, 2448}}) {
        FrmViewer v(PhotoPath(r.photo), nullptr);
        ASSERT_TRUE(v.loadPhoto());
        ShowWindow(v.handle(), SW_SHOWMAXIMIZED);
        RunMessages(200);
        v.PhotoOriginSize_Click();
        RunMessages(200);
        EXPECT_TRUE(v.atRealSize()) << r.photo;
        EXPECT_FALSE(IsZoomed(v.handle()));
        // The outer size the photo's, as far as the work area allows; all of it on the screen.
        RECT outer;
        GetWindowRect(v.handle(), &outer);
        EXPECT_EQ(outer.right - outer.left, std::min<LONG>(r.width, work.right - work.left));
        EXPECT_EQ(outer.bottom - outer.top, std::min<LONG>(r.height, work.bottom - work.top));
        EXPECT_TRUE(outer.left >= work.left && outer.top >= work.top && outer.right <= work.right &&
                    outer.bottom <= work.bottom);
        // The photo at 1:1 at the top-left corner, scroll bars for what the window covers.
        EXPECT_EQ(v.imageRect(), (Rect{0, 0, r.width, r.height}));
        const Rect client = ClientOf(v.handle());
        for (const auto& [bar, length, page] :
             {std::tuple{SB_HORZ, r.width, client.width}, {SB_VERT, r.height, client.height}}) {
            SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
            ASSERT_TRUE(GetScrollInfo(v.handle(), bar, &si)) << r.photo;
            EXPECT_EQ(si.nMax, length - 1);
            EXPECT_EQ(static_cast<int>(si.nPage), page);
        }
        // Dragging the photo scrolls it.
        POINT at{300, 300};
        PostMessageW(v.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageW(v.handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x - 100, at.y - 50));
        PostMessageW(v.handle(), WM_LBUTTONUP, 0, MAKELPARAM(at.x - 100, at.y - 50));
        RunMessages(100);
        for (const auto& [bar, length, page, moved] :
             {std::tuple{SB_HORZ, r.width, client.width, 100},
              {SB_VERT, r.height, client.height, 50}}) {
            SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
            GetScrollInfo(v.handle(), bar, &si);
            EXPECT_EQ(si.nPos, std::min(moved, length - page)) << r.photo;
        }
        // The next change of size fits it again, without scroll bars.
        SetClientSize(v.handle(), 400, 400);
        EXPECT_FALSE(v.atRealSize());
        EXPECT_EQ(ClientOf(v.handle()), (Rect{0, 0, 400, 400}));
        EXPECT_EQ(v.imageRect(), (Rect{0, 50, 400, 300}));
        SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
        GetScrollInfo(v.handle(), SB_HORZ, &si);
        EXPECT_EQ(si.nMax, 0);
    }
    // A photo narrower than the menu bar: the window keeps its menu bar on one line.
    FrmViewer small(PhotoPath("Fujifilm_FinePix_E500.jpg"), nullptr); // 59 × 100
    ASSERT_TRUE(small.loadPhoto());
    ShowWindow(small.handle(), SW_SHOW);
    RunMessages(200); // shown, as the window manager has it
    small.PhotoOriginSize_Click();
    RunMessages(200);
    EXPECT_EQ(small.imageRect(), (Rect{0, 0, 59, 100}));
    MENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    ASSERT_TRUE(GetMenuBarInfo(small.handle(), OBJID_MENU, 0, &bar));
    EXPECT_LE(bar.rcBar.bottom - bar.rcBar.top, GetSystemMetrics(SM_CYMENU) + 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Viewer, EscOrCloseEndsTheModalViewer) {
    MessageLog messages;
    HWND owner = Owner();
    for (const bool byMenu : {false, true}) {
        FrmViewer v(PhotoPath("Nikon_D70.jpg"), owner);
        ASSERT_TRUE(v.loadPhoto());
        bool ownerWaits = false, shown = false;
        FromTheLoop([&] {
            ownerWaits = !IsWindowEnabled(owner);
            shown = IsWindowVisible(v.handle());
            if (byMenu)
                PostMessageW(v.handle(), WM_COMMAND, FrmViewer::mnuClose, 0);
            else
                PostMessageW(v.handle(), WM_KEYDOWN, VK_ESCAPE, 0);
        });
        Watchdog dog(v.handle());
        v.show(); // returns once closed
        EXPECT_FALSE(dog.fired());
        EXPECT_TRUE(ownerWaits && shown);
        EXPECT_FALSE(IsWindow(v.handle()));
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    DestroyWindow(owner);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Viewer, APhotoThatCannotBeLoadedIsSaidAndNotShown) {
    TempDir dir;
    MessageLog messages;
    for (const std::string& path :
         {(dir.path() / "gone.jpg").string(), WriteText(dir, "text.jpg", "not a photo at all")}) {
        FrmViewer v(path, nullptr);
        EXPECT_FALSE(v.loadPhoto()) << path;
        EXPECT_FALSE(IsWindowVisible(v.handle()));
    }
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "写真を表示できません。\r\n" +
                                          (dir.path() / "gone.jpg").string() +
                                          "\r\n(ファイルが見つかりません)");
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[1].title, "Tokimori");
}

} // namespace
} // namespace tokimori
