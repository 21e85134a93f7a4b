// The artwork painted with GDI+: each image's size, transparency and its colours at places
// inside its shapes, at the tool bar's size and at the size for high-density screens.

#include <gtest/gtest.h>

#include "Pixels.h"
#include "win/Artwork.h"

namespace tokimori {
namespace {

using test::Pixels;

struct Place {
    Art art;
    int x, y; // on the 32 × 32 grid
    COLORREF color;
    const char* what;
};
constexpr Place kPlaces[] = {
    {Art::Run, 14, 8, RGB(200, 40, 40), "the calendar's red head"},
    {Art::Run, 21, 27, RGB(230, 250, 230), "the clock's face"},
    {Art::Program, 14, 8, RGB(200, 40, 40), "the program icon is the calendar"},
    {Art::Up, 5, 20, RGB(250, 210, 90), "the folder"},
    {Art::Up, 16, 22, RGB(30, 110, 50), "the arrow"},
    {Art::Preview, 6, 9, RGB(130, 190, 240), "the sky"},
    {Art::Preview, 11, 19, RGB(60, 150, 60), "the hill"},
    {Art::Help, 6, 16, RGB(60, 130, 220), "the disc"},
    {Art::Help, 15, 18, RGB(255, 255, 255), "the question mark's stem"},
    {Art::Help, 16, 23, RGB(255, 255, 255), "its dot"},
    {Art::Close, 16, 6, RGB(220, 60, 50), "the red square"},
    {Art::Close, 15, 15, RGB(255, 255, 255), "the cross"},
};

TEST(Artwork, EachImageHasItsColoursAtItsPlacesAndClearCorners) {
    for (const int size : {32, 64}) {
        const int scale = size / 32;
        for (const Place& p : kPlaces) {
            HBITMAP bitmap = ArtBitmap(p.art, size);
            ASSERT_NE(bitmap, nullptr);
            const Pixels px(bitmap);
            ASSERT_EQ(px.width(), size);
            ASSERT_EQ(px.height(), size);
            EXPECT_TRUE(px.is(p.x * scale, p.y * scale, p.color, 2))
                << p.what << " at " << size << ": " << px.at(p.x * scale, p.y * scale).r << ","
                << px.at(p.x * scale, p.y * scale).g << "," << px.at(p.x * scale, p.y * scale).b;
            EXPECT_EQ(px.at(p.x * scale, p.y * scale).a, 255) << p.what;
            EXPECT_EQ(px.at(0, size - 1).a, 0) << p.what << ": the corner is transparent";

            // The icon shows the same picture.
            ICONINFO icon{};
            ASSERT_TRUE(GetIconInfo(ArtIcon(p.art, size), &icon));
            const Pixels ic(icon.hbmColor);
            EXPECT_EQ(ic.width(), size);
            EXPECT_TRUE(ic.is(p.x * scale, p.y * scale, p.color, 2)) << p.what << " (icon)";
            DeleteObject(icon.hbmColor);
            DeleteObject(icon.hbmMask);
        }
    }
    EXPECT_EQ(ArtBitmap(Art::Up), ArtBitmap(Art::Up, 32)) << "painted once and kept";
}

TEST(Artwork, TheSizeForAScreen) {
    struct Row {
        UINT dpi;
        int size;
    };
    for (const Row r : {Row{96, 32}, Row{120, 32}, Row{143, 32}, Row{144, 64}, Row{192, 64}})
        EXPECT_EQ(ArtSize(r.dpi), r.size) << r.dpi;
}

TEST(Artwork, TheToolbarsImageListHoldsItsFourButtonsInOrder) {
    HIMAGELIST list = MakeImageList1();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 4);
    int w = 0, h = 0;
    ImageList_GetIconSize(list, &w, &h);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);

    // Each image drawn over white: its colour where the picture is, white where it is clear.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 32, 32);
    HGDIOBJ old = SelectObject(dc, canvas);
    for (const Place& p : kPlaces) {
        const int index = ToolbarImage(p.art);
        if (index < 0) continue;
        const RECT all{0, 0, 32, 32};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        ASSERT_TRUE(ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT));
        SelectObject(dc, old);
        const Pixels px(canvas);
        EXPECT_TRUE(px.is(p.x, p.y, p.color, 2)) << p.what << " as image " << index;
        EXPECT_TRUE(px.is(0, 31, RGB(255, 255, 255))) << p.what << ": the corner shows white";
        SelectObject(dc, canvas);
    }
    EXPECT_EQ(ToolbarImage(Art::Run), -1);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ImageList_Destroy(list);

    HIMAGELIST large = MakeImageList1(64);
    ImageList_GetIconSize(large, &w, &h);
    EXPECT_EQ(w, 64);
    ImageList_Destroy(large);
}

TEST(Artwork, TheTitleBarRunsFromDarkToLightBlue) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 240, 30);
    HGDIOBJ old = SelectObject(dc, canvas);
    const RECT all{0, 0, 240, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PaintGradientBar(dc, RECT{20, 5, 220, 25}); // a bar inside the canvas
    SelectObject(dc, old);
    const Pixels px(canvas);
    EXPECT_TRUE(px.is(20, 5, RGB(10, 36, 106), 3)) << "the left end";
    EXPECT_TRUE(px.is(219, 24, RGB(166, 202, 240), 3)) << "the right end";
    EXPECT_TRUE(px.is(19, 10, RGB(255, 255, 255))) << "nothing left of the bar";
    EXPECT_TRUE(px.is(220, 10, RGB(255, 255, 255))) << "nothing right of it";
    EXPECT_TRUE(px.is(120, 4, RGB(255, 255, 255))) << "nothing above it";
    EXPECT_TRUE(px.is(120, 25, RGB(255, 255, 255))) << "nothing below it";
    int last = -1;
    for (int x = 20; x < 220; x += 20) {
        EXPECT_GT(px.at(x, 15).b, last) << "lighter to the right, at " << x;
        last = px.at(x, 15).b;
        EXPECT_EQ(px.at(x, 6).b, px.at(x, 23).b) << "the same from top to bottom";
    }
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

} // namespace
} // namespace tokimori
