// The main window's thumbnail: the photo fitted into its frame, the embedded thumbnail at once
// and the photo decoded off the window's thread, only the newest fit's picture, and a note in
// the frame's place for a photo that cannot be shown.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "FaceTest.h"
#include "win/ThumbnailPane.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

using namespace test;

// A window holding the frame (2895 × 2415 twips at 3, 222) and the image, as the main window
// does, and answering the pane's message.
struct PaneWindow {
    PaneWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TokimoriPaneTest";
        RegisterClassExW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 400, 500, nullptr, nullptr, wc.hInstance, nullptr);
        frame = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 3, 222, 193, 161, window,
                                nullptr, wc.hInstance, nullptr);
        image = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_NOTIFY, 3, 222, 193, 161, window,
                                nullptr, wc.hInstance, nullptr);
        pane = std::make_unique<ThumbnailPane>(image, frame, window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pane.get()));
    }
    ~PaneWindow() {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        pane.reset();
        DestroyWindow(window);
    }
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
        auto* pane = reinterpret_cast<ThumbnailPane*>(GetWindowLongPtrW(w, GWLP_USERDATA));
        if (msg == kThumbnailDecoded && pane) {
            pane->decoded();
            return 0;
        }
        return DefWindowProcW(w, msg, wp, lp);
    }
    HWND window, frame, image;
    std::unique_ptr<ThumbnailPane> pane;
    MessageLog messages;
};

// Holds the decoding thread before each decode until opened.
struct HeldDecodes {
    std::atomic<int> reached{0};
    std::atomic<bool> open{false};
    std::vector<std::pair<std::string, bool>> after; // path, gave up
    std::mutex m;
    HeldDecodes() {
        ThumbnailPane::setSeam({[this](const std::string&) {
                                    ++reached;
                                    for (int i = 0; i < 1000 && !open; ++i)
                                        Sleep(5);
                                },
                                [this](const std::string& path, bool gaveUp) {
                                    std::lock_guard lock(m);
                                    after.emplace_back(path, gaveUp);
                                }});
    }
    ~HeldDecodes() { ThumbnailPane::setSeam({}); }
};

TEST(ThumbnailPane, ALandscapeAndAPortraitPhotoFillTheFrameOneWay) {
    struct Row {
        const char* photo;
        Rect place;        // 193 × 161 pixels at 3, 222
        PictureSize first; // what shows at once: the embedded thumbnail, or nothing
    };
    for (const Row& r : {Row{"exif-org_nikon-e950.jpg", {3, 230, 193, 145}, {160, 120}},
                         Row{"hdr_canon_hdr_NO.jpg", {39, 222, 121, 161}, {120, 160}},
                         Row{"orientation_portrait_8.jpg", {39, 222, 121, 161}, {}}}) {
        PaneWindow w;
        HeldDecodes held;
        ASSERT_TRUE(w.pane->fit(PhotoPath(r.photo)));
        EXPECT_EQ(w.pane->showsPicture(), !r.first.empty()) << r.photo;
        EXPECT_EQ(w.pane->picture().size(), r.first) << r.photo;
        EXPECT_EQ(PlaceOf(w.image), r.place) << r.photo;
        held.open = true;
        ASSERT_TRUE(w.pane->wait(10000));
        EXPECT_TRUE(w.pane->showsPicture());
        EXPECT_EQ(w.pane->picture().size(), (PictureSize{r.place.width, r.place.height}));
        std::string error;
        EXPECT_LT(Distance(w.pane->picture(), DecodePicture(PhotoPath(r.photo), {}, &error)), 8);
        EXPECT_EQ(TextOf(w.frame), "");
    }
}

TEST(ThumbnailPane, OnlyTheNewestFitsPictureIsShown) {
    for (const bool heldAfter : {false, true}) {
        PaneWindow w;
        const std::string older = PhotoPath("exif-org_nikon-e950.jpg");
        const std::string newer = PhotoPath("orientation_portrait_1.jpg");
        HeldDecodes held;
        ASSERT_TRUE(w.pane->fit(older));
        ASSERT_TRUE(RunMessages(5000, [&] { return held.reached > 0; }));
        if (heldAfter) { // the older decode has finished; its picture is on its way
            held.open = true;
            ASSERT_TRUE(RunMessages(5000, [&] {
                std::lock_guard lock(held.m);
                return !held.after.empty();
            }));
        }
        ASSERT_TRUE(w.pane->fit(newer));
        held.open = true;
        ASSERT_TRUE(w.pane->wait(10000));
        RunMessages(100); // whatever else was on its way
        std::string error;
        EXPECT_LT(Distance(w.pane->picture(), DecodePicture(newer, {}, &error)), 8);
        std::lock_guard lock(held.m);
        ASSERT_FALSE(held.after.empty());
        EXPECT_EQ(held.after.front(), std::make_pair(older, !heldAfter));
    }
}

TEST(ThumbnailPane, APhotoThatCannotBeShownIsSaidInTheFrame) {
    TempDir dir;
    PaneWindow w;
    struct Row {
        std::string path, note;
    };
    for (const Row& r : {Row{(dir.path() / "gone.jpg").string(),
                             "写真を表示できません\n(ファイルが見つかりません)"},
                         Row{WriteText(dir, "text.jpg", "not a photo at all"),
                             "写真を表示できません\n(画像の形式が分かりません)"}}) {
        ASSERT_TRUE(w.pane->fit(PhotoPath("Nikon_D70.jpg")));
        EXPECT_FALSE(w.pane->fit(r.path)) << r.path;
        EXPECT_EQ(TextOf(w.frame), r.note);
        EXPECT_FALSE(w.pane->showsPicture());
        EXPECT_TRUE(w.pane->wait(5000));
        RunMessages(100);
        EXPECT_FALSE(w.pane->showsPicture()); // the photo before is not shown after all
    }
    // The next photo takes the note away.
    ASSERT_TRUE(w.pane->fit(PhotoPath("Nikon_D70.jpg")));
    ASSERT_TRUE(w.pane->wait(5000));
    EXPECT_TRUE(w.pane->showsPicture());
    EXPECT_EQ(TextOf(w.frame), "");
    EXPECT_TRUE(w.messages.shown.empty());
}

} // namespace
} // namespace tokimori
