// The version dialog: its texts and places, closed by OK, Enter and Esc, modal over its owner
// and centred on it.

#include <gtest/gtest.h>

#include "FaceTest.h"
#include "base/Version.h"
#include "win/FrmAbout.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

using namespace test;

TEST(About, TheTitleVersionAndDescriptionInTheirPlaces) {
    FrmAbout about(nullptr);
    EXPECT_EQ(TextOf(about.handle()), "Tokimoriのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(ClientOf(about.handle()), (Rect{0, 0, 382, 237})); // 5730 × 3555 twips
    struct Row {
        const char* name;
        std::string text;
        Rect place; // pixels
    };
    for (const Row& r :
         {Row{"lblTitle", "Tokimori", {70, 16, 259, 32}},
          Row{"lblVersion", std::string("ﾊﾞｰｼﾞｮﾝ ") + kVersion, {70, 52, 259, 15}},
          Row{"lblDescription", "ｱﾌﾟﾘｹｰｼｮﾝの説明", {70, 75, 259, 78}},
          Row{"cmdOK", "OK", {283, 200, 92, 23}}, Row{"picIcon", "", {18, 16, 36, 36}}}) {
        HWND c = about.control(r.name);
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_EQ(TextOf(c), r.text) << r.name;
        EXPECT_EQ(PlaceOf(c), r.place) << r.name;
    }
    EXPECT_NE(SendMessageW(about.control("picIcon"), STM_GETICON, 0, 0), 0);
}

TEST(About, OkEnterAndEscCloseItAndTheOwnerWaits) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150,
                                 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    RECT o;
    GetWindowRect(owner, &o);
    for (const WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(VK_SPACE)}) {
        FrmAbout about(owner);
        RECT a;
        GetWindowRect(about.handle(), &a);
        // Centred on its owner.
        EXPECT_LE(std::abs((a.left + a.right) - (o.left + o.right)), 1);
        EXPECT_LE(std::abs((a.top + a.bottom) - (o.top + o.bottom)), 1);
        bool ownerWaits = false;
        FromTheLoop([&] {
            ownerWaits = !IsWindowEnabled(owner);
            // The key as a person presses it, to the focused control (OK: space presses it).
            HWND focus = GetFocus();
            PostMessageW(focus, WM_KEYDOWN, key, 0);
            PostMessageW(focus, WM_KEYUP, key, 0);
        });
        Watchdog dog(about.handle());
        about.show(); // returns once closed
        EXPECT_FALSE(dog.fired()) << key;
        EXPECT_TRUE(ownerWaits) << key;
        EXPECT_FALSE(IsWindow(about.handle())) << key;
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    DestroyWindow(owner);
}

} // namespace
} // namespace tokimori
