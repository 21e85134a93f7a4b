// The version dialog: its texts and places, closed by OK, Enter and Esc, modal over its owner
// and centred on it.

#include <gtest/gtest.h>

#include <optional>

#include "FaceTest.h"
#include "base/Version.h"
#include "win/FrmAbout.h"
#include "win/Modal.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

using namespace test;

// Shows the dialog over owner and runs look on it from within its loop.
void WhileShown(HWND owner, const std::function<void(HWND dialog)>& look) {
    Dialog::whenShown = look;
    ShowAbout(owner); // returns once closed
    Dialog::whenShown = nullptr;
}

TEST(About, TheTitleVersionAndDescriptionInTheirPlaces) {
    WhileShown(nullptr, [](HWND d) {
        EXPECT_EQ(TextOf(d), "Tokimoriのﾊﾞｰｼﾞｮﾝ情報");
        EXPECT_EQ(ClientOf(d), (Rect{0, 0, 382, 237})); // 5730 × 3555 twips
        struct Row {
            int id;
            std::string text;
            Rect place; // pixels
        };
        for (const Row& r :
             {Row{about::lblTitle, "Tokimori", {70, 16, 259, 32}},
              Row{about::lblVersion, std::string("ﾊﾞｰｼﾞｮﾝ ") + kVersion, {70, 52, 259, 15}},
              Row{about::lblDescription, "ｱﾌﾟﾘｹｰｼｮﾝの説明", {70, 75, 259, 78}},
              Row{about::cmdOK, "OK", {283, 200, 92, 23}},
              Row{about::picIcon, "", {18, 16, 36, 36}}}) {
            HWND c = GetDlgItem(d, r.id);
            ASSERT_NE(c, nullptr) << r.id;
            EXPECT_EQ(TextOf(c), r.text) << r.id;
            EXPECT_EQ(PlaceOf(c), r.place) << r.id;
        }
        EXPECT_NE(SendDlgItemMessageW(d, about::picIcon, STM_GETICON, 0, 0), 0);
        PostMessageW(d, WM_CLOSE, 0, 0);
    });
}

TEST(About, OkEnterAndEscCloseItAndTheOwnerWaits) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150,
                                 600, 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    RECT o;
    GetWindowRect(owner, &o);
    for (const WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(VK_SPACE)}) {
        bool ownerWaits = false;
        std::optional<Watchdog> dog; // closes it by its close box if the key does not
        WhileShown(owner, [&](HWND d) {
            RECT a;
            GetWindowRect(d, &a);
            // Centred on its owner.
            EXPECT_LE(std::abs((a.left + a.right) - (o.left + o.right)), 1);
            EXPECT_LE(std::abs((a.top + a.bottom) - (o.top + o.bottom)), 1);
            ownerWaits = !IsWindowEnabled(owner);
            dog.emplace(d, 5000);
            // The key as a person presses it, to the focused control (OK: space presses it).
            HWND focus = GetFocus();
            EXPECT_EQ(GetDlgCtrlID(focus), about::cmdOK);
            PostMessageW(focus, WM_KEYDOWN, key, 0);
            PostMessageW(focus, WM_KEYUP, key, 0);
        });
        EXPECT_TRUE(ownerWaits) << key;
        EXPECT_TRUE(IsWindowEnabled(owner));
        ASSERT_TRUE(dog);
        EXPECT_FALSE(dog->fired()) << key;
    }
    DestroyWindow(owner);
}

} // namespace
} // namespace tokimori
