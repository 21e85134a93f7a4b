#pragma once
// The photo viewer: one photo fitted into the window and centred on the dark background,
// refitted whenever the window changes size, or shown at its real size on request. At real size
// the window is no larger than the screen's work area; scroll bars and dragging the photo reach
// the rest of it, and the next change of size fits the photo again. Modal over its owner.

#include <string>

#include <windows.h>

#include "view/Geometry.h"
#include "win/Picture.h"

namespace tokimori {

// Opens the photo at path in the viewer over owner and returns once it is closed; a photo that
// cannot be loaded is told in a message box instead.
void ShowViewer(HWND owner, const std::string& path);

class FrmViewer {
  public:
    // The menu commands' numbers.
    static constexpr UINT mnuClose = 1;
    static constexpr UINT PhotoOriginSize = 2;

    // path: the photo; the caption is its file name. The window is made, not shown.
    FrmViewer(const std::string& path, HWND owner);
    ~FrmViewer();
    FrmViewer(const FrmViewer&) = delete;
    FrmViewer& operator=(const FrmViewer&) = delete;

    // Decodes the photo for fitting and fits it; false (after a message) when it cannot be read.
    bool loadPhoto();
    // Shows the window modally; returns once it is closed.
    void show();
    HWND handle() const { return hwnd_; }
    const std::string& path() const { return path_; }

    // The background's and the photo's places in the client area (at real size: on the
    // scrolled canvas, whose top-left corner is the photo's).
    Rect frameRect() const { return lbl_PicBack; }
    Rect imageRect() const { return Img_Viewer; }
    // Whether the photo is shown at its real size (until the window's size changes).
    bool atRealSize() const { return realSize_; }

    void PhotoOriginSize_Click();
    void mnuClose_Click();

  private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void Form_Resize();
    void fit();
    void layOutRealSize();
    void scrollTo(POINT at);
    void paint();
    void reportUnreadable(const std::string& why);
    SIZE outerSize() const;

    std::string path_;
    HWND owner_;
    HWND hwnd_ = nullptr;
    Rect lbl_PicBack;     // the dark background: the client area (at real size: the canvas)
    Rect Img_Viewer;      // the photo
    Bitmap decoded_;      // the photo, decoded no larger than the screen needs; refits stretch it
    Bitmap full_;         // at real size: the photo at 1:1
    PictureSize natural_; // upright natural size
    bool realSize_ = false;
    bool sizing_ = false;  // the real-size command is setting the window's size
    SIZE realSizeOuter_{}; // the window's outer size at real size
    POINT scrolled_{};     // at real size: the canvas's point at the client area's top-left
    bool failed_ = false;
    bool dragging_ = false;
    POINT dragFrom_{};     // where a drag started, in the client area
    POINT scrolledFrom_{}; // where the canvas was scrolled to then
};

} // namespace tokimori
