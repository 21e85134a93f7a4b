#pragma once
// Reading the pixels of a bitmap in the tests of the Windows face: any bitmap, copied out as
// 32-bit top-down rows.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <windows.h>

namespace tokimori::test {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

class Pixels {
  public:
    explicit Pixels(HBITMAP bitmap) {
        BITMAP info{};
        if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return;
        width_ = info.bmWidth;
        height_ = info.bmHeight;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        bits_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(height_), bits_.data(), &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }
    int width() const { return width_; }
    int height() const { return height_; }
    Rgba at(int x, int y) const {
        const uint32_t v =
            bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
        return {int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF), int(v >> 24)};
    }
    bool is(int x, int y, COLORREF c, int tolerance = 0) const {
        const Rgba p = at(x, y);
        return std::abs(p.r - GetRValue(c)) <= tolerance &&
               std::abs(p.g - GetGValue(c)) <= tolerance &&
               std::abs(p.b - GetBValue(c)) <= tolerance;
    }
    // The smallest rectangle holding every pixel for which pick is true; empty when none is.
    template <typename Pick> RECT bounds(Pick pick) const {
        RECT r{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (pick(at(x, y))) {
                    r.left = std::min(r.left, static_cast<LONG>(x));
                    r.top = std::min(r.top, static_cast<LONG>(y));
                    r.right = std::max(r.right, static_cast<LONG>(x + 1));
                    r.bottom = std::max(r.bottom, static_cast<LONG>(y + 1));
                }
        return r;
    }

  private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> bits_;
};

} // namespace tokimori::test
