#include "win/Artwork.h"

#include <iterator>
#include <map>
#include <utility>

// GDI+'s headers need the COM interfaces that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <gdiplus.h>

namespace tokimori {

namespace {

using namespace Gdiplus;

void StartGdiPlus() {
    static const bool started = [] {
        GdiplusStartupInput input;
        ULONG_PTR token = 0;
        // Never shut down: the process ends with it still started.
        return GdiplusStartup(&token, &input, nullptr) == Ok;
    }();
    (void)started;
}

Color Rgb(BYTE r, BYTE g, BYTE b, BYTE a = 255) {
    return Color(a, r, g, b);
}

// A pen as the Qt face's: bevelled corners, and round ends where asked.
struct Stroke : Pen {
    Stroke(const Color& c, REAL width, bool roundCap = false) : Pen(c, width) {
        SetLineJoin(LineJoinBevel);
        if (roundCap) SetLineCap(LineCapRound, LineCapRound, DashCapRound);
    }
};

void RoundedRect(Graphics& g, const Pen& pen, const Brush& brush, RectF r, REAL radius) {
    const REAL d = radius * 2;
    GraphicsPath path;
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
    g.FillPath(&brush, &path);
    g.DrawPath(&pen, &path);
}

void Ellipse(Graphics& g, const Pen* pen, const Brush& brush, PointF c, REAL rx, REAL ry) {
    g.FillEllipse(&brush, c.X - rx, c.Y - ry, 2 * rx, 2 * ry);
    if (pen) g.DrawEllipse(pen, c.X - rx, c.Y - ry, 2 * rx, 2 * ry);
}

void Polygon(Graphics& g, const Brush& brush, std::initializer_list<PointF> points) {
    g.FillPolygon(&brush, points.begin(), static_cast<INT>(points.size()));
}

void PaintCalendar(Graphics& g) {
    // A calendar page with a clock in its corner: a photo's date and time.
    const Stroke page(Rgb(40, 60, 120), 1.2f);
    RoundedRect(g, page, SolidBrush(Rgb(255, 255, 255)), RectF(3, 5, 22, 22), 2);
    const SolidBrush head(Rgb(200, 40, 40));
    g.FillRectangle(&head, RectF(3, 5, 22, 6));
    g.DrawRectangle(&page, RectF(3, 5, 22, 6));
    const Stroke rings(Rgb(60, 60, 60), 1.6f, true);
    g.DrawLine(&rings, PointF(8, 3), PointF(8, 8));
    g.DrawLine(&rings, PointF(20, 3), PointF(20, 8));
    const SolidBrush day(Rgb(60, 80, 140));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            g.FillRectangle(&day, RectF(6 + c * 4.5f, 14 + r * 4.0f, 2.5f, 2.5f));
    const Stroke rim(Rgb(20, 90, 40), 1.4f);
    Ellipse(g, &rim, SolidBrush(Rgb(230, 250, 230)), PointF(24, 24), 7, 7);
    const Stroke hands(Rgb(20, 60, 20), 1.6f, true);
    g.DrawLine(&hands, PointF(24, 24), PointF(24, 19.5f));
    g.DrawLine(&hands, PointF(24, 24), PointF(27.5f, 25.5f));
}

void PaintUp(Graphics& g) {
    const Stroke edge(Rgb(160, 120, 20), 1.2f);
    const SolidBrush folder(Rgb(250, 210, 90));
    RoundedRect(g, edge, folder, RectF(3, 11, 26, 17), 2);
    g.FillRectangle(&folder, RectF(3, 8, 10, 4));
    g.DrawRectangle(&edge, RectF(3, 8, 10, 4));
    Polygon(g, SolidBrush(Rgb(30, 110, 50)),
            {{16, 12}, {23, 19}, {19, 19}, {19, 26}, {13, 26}, {13, 19}, {9, 19}});
}

void PaintPreview(Graphics& g) {
    const Stroke frame(Rgb(60, 60, 60), 1.2f);
    const SolidBrush sky(Rgb(130, 190, 240));
    g.FillRectangle(&sky, RectF(3, 6, 22, 17));
    g.DrawRectangle(&frame, RectF(3, 6, 22, 17));
    Polygon(g, SolidBrush(Rgb(60, 150, 60)),
            {{3.5f, 22.5f}, {11, 13}, {17, 19}, {20, 16}, {24.5f, 22.5f}});
    Ellipse(g, nullptr, SolidBrush(Rgb(250, 220, 60)), PointF(20, 10.5f), 2.2f, 2.2f);
    const Stroke lens(Rgb(50, 50, 50), 2.2f, true);
    Ellipse(g, &lens, SolidBrush(Rgb(255, 255, 255, 150)), PointF(21, 21), 5.5f, 5.5f);
    g.DrawLine(&lens, PointF(25, 25), PointF(29.5f, 29.5f));
}

void PaintHelp(Graphics& g) {
    const Stroke rim(Rgb(20, 70, 150), 1.2f);
    const SolidBrush disc(Rgb(60, 130, 220));
    g.FillEllipse(&disc, RectF(3, 3, 26, 26));
    g.DrawEllipse(&rim, RectF(3, 3, 26, 26));
    // A bold question mark, drawn as strokes so that it needs no font: a hook from the left
    // over the top and down the middle, and its dot.
    Stroke mark(Rgb(255, 255, 255), 3.2f, true);
    mark.SetLineJoin(LineJoinRound);
    GraphicsPath path;
    path.AddArc(RectF(11.5f, 7.5f, 9, 9), 180, 225);
    path.AddLine(PointF(19.2f, 15.2f), PointF(16, 17.6f));
    path.AddLine(PointF(16, 17.6f), PointF(16, 19.4f));
    g.DrawPath(&mark, &path);
    Ellipse(g, nullptr, SolidBrush(Rgb(255, 255, 255)), PointF(16, 23.8f), 2, 2);
}

void PaintClose(Graphics& g) {
    const Stroke edge(Rgb(120, 20, 20), 1.2f);
    RoundedRect(g, edge, SolidBrush(Rgb(220, 60, 50)), RectF(4, 4, 24, 24), 4);
    const Stroke cross(Rgb(255, 255, 255), 3.2f, true);
    g.DrawLine(&cross, PointF(10.5f, 10.5f), PointF(21.5f, 21.5f));
    g.DrawLine(&cross, PointF(21.5f, 10.5f), PointF(10.5f, 21.5f));
}

// Paints art over the whole of g's size × size pixels, drawn on a 32 × 32 grid.
void Paint(Graphics& g, Art art, int size) {
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    // Pixel centres at half coordinates, as the Qt face's painter places them.
    g.SetPixelOffsetMode(PixelOffsetModeHalf);
    g.ScaleTransform(size / 32.0f, size / 32.0f);
    switch (art) {
    case Art::Run:
    case Art::Program:
        PaintCalendar(g);
        break;
    case Art::Up:
        PaintUp(g);
        break;
    case Art::Preview:
        PaintPreview(g);
        break;
    case Art::Help:
        PaintHelp(g);
        break;
    case Art::Close:
        PaintClose(g);
        break;
    }
}

HBITMAP NewBitmap(Art art, int size) {
    StartGdiPlus();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) return nullptr;
    Bitmap canvas(size, size, size * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
    Graphics g(&canvas);
    g.Clear(Color(0, 0, 0, 0));
    Paint(g, art, size);
    g.Flush(FlushIntentionSync);
    return dib;
}

HICON NewIcon(Art art, int size) {
    StartGdiPlus();
    Bitmap canvas(size, size, PixelFormat32bppARGB);
    {
        Graphics g(&canvas);
        g.Clear(Color(0, 0, 0, 0));
        Paint(g, art, size);
    }
    HICON icon = nullptr;
    canvas.GetHICON(&icon);
    return icon;
}

template <typename Handle>
Handle Kept(std::map<std::pair<Art, int>, Handle>& kept, Art art, int size,
            Handle (*make)(Art, int)) {
    const auto key = std::make_pair(art, size);
    const auto it = kept.find(key);
    if (it != kept.end()) return it->second;
    Handle h = make(art, size);
    if (h) kept.emplace(key, h);
    return h;
}

} // namespace

int ArtSize(UINT dpi) {
    return dpi >= 144 ? 64 : 32;
}

HICON ArtIcon(Art art, int size) {
    static std::map<std::pair<Art, int>, HICON> kept;
    return Kept(kept, art, size, &NewIcon);
}

HBITMAP ArtBitmap(Art art, int size) {
    static std::map<std::pair<Art, int>, HBITMAP> kept;
    return Kept(kept, art, size, &NewBitmap);
}

HIMAGELIST MakeImageList1(int size) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK,
                                       static_cast<int>(std::size(kToolbarArt)), 0);
    if (!list) return nullptr;
    for (Art art : kToolbarArt)
        ImageList_AddIcon(list, ArtIcon(art, size));
    return list;
}

int ToolbarImage(Art art) {
    for (size_t i = 0; i < std::size(kToolbarArt); ++i)
        if (kToolbarArt[i] == art) return static_cast<int>(i);
    return -1;
}

void PaintGradientBar(HDC dc, const RECT& r) {
    const INT w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return;
    StartGdiPlus();
    Graphics g(dc);
    // The ends' colours reach the edge pixels exactly; past them the ramp would tile again.
    const INT last = w > 1 ? r.right - 1 : r.right;
    LinearGradientBrush ramp(Point(r.left, 0), Point(last, 0), Rgb(10, 36, 106),
                             Rgb(166, 202, 240));
    ramp.SetWrapMode(WrapModeTileFlipX);
    g.FillRectangle(&ramp, r.left, r.top, w, h);
}

} // namespace tokimori
