#include "win/ThumbnailPane.h"

#include <chrono>
#include <utility>

#include <commctrl.h>

#include "view/Fit.h"
#include "view/PhotoTexts.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

constexpr UINT_PTR kSubclassId = 0x544d; // the pane's painting of its two controls

std::mutex gSeamMutex;
ThumbnailPane::Seam gSeam;

ThumbnailPane::Seam CurrentSeam() {
    std::lock_guard lock(gSeamMutex);
    return gSeam;
}

// w's rectangle in the client coordinates of parent.
Rect PlaceIn(HWND w, HWND parent) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void AddStyle(HWND w, LONG_PTR style) {
    SetWindowLongPtrW(w, GWL_STYLE, GetWindowLongPtrW(w, GWL_STYLE) | style);
}

} // namespace

ThumbnailPane::ThumbnailPane(HWND image, HWND frame, HWND notify)
    : image_(image), frame_(frame), notify_(notify) {
    // The picture lies over the frame, which does not paint over it.
    AddStyle(image_, WS_CLIPSIBLINGS);
    AddStyle(frame_, WS_CLIPSIBLINGS);
    SetWindowPos(image_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowSubclass(image_, &ThumbnailPane::ImageProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(frame_, &ThumbnailPane::FrameProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    hideImage();
}

ThumbnailPane::~ThumbnailPane() {
    cancel();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    if (IsWindow(image_)) RemoveWindowSubclass(image_, &ThumbnailPane::ImageProc, kSubclassId);
    if (IsWindow(frame_)) RemoveWindowSubclass(frame_, &ThumbnailPane::FrameProc, kSubclassId);
}

void ThumbnailPane::setSeam(Seam seam) {
    std::lock_guard lock(gSeamMutex);
    gSeam = std::move(seam);
}

bool ThumbnailPane::fit(const std::string& path, const ExifInfo* exif) {
    hideImage();
    SetWindowTextW(frame_, L"");
    const Rect frame = PlaceIn(frame_, GetParent(image_));
    // One open of the photo's head: its size decides the fit, the fit the size it is decoded at.
    const PictureHead head = ReadPictureHead(path, exif, true);
    std::string error = head.error;
    if (error.empty() && head.natural.empty())
        error = PictureFailureWords(PictureFailure::ZeroSize);
    place_ = error.empty() ? FitPicture(frame, head.natural.width, head.natural.height) : Rect{};
    if (!error.empty() || place_.empty()) {
        cancel();
        if (!error.empty()) note(error); // said in the thumbnail's place: browsing goes on
        return error.empty();
    }
    MoveWindow(image_, place_.left, place_.top, place_.width, place_.height, FALSE);
    const Key key{path, {place_.width, place_.height}, head.fileSize, head.modified};
    auto preview = [&] {
        return DecodeExifThumbnail(head.thumbnail, head.orientation, head.natural);
    };
    // The same photo at the same size: the decode under way serves, or the picture just shown.
    if (job_.ticket != 0 && job_.key == key) {
        if (Bitmap p = preview()) show(std::move(p), false, key);
        return true;
    }
    bool busy;
    {
        std::lock_guard lock(mutex_);
        busy = handed_.has_value() || decoding_;
    }
    cancel();
    if (shownDecoded_ && shownKey_ == key) {
        show(std::move(shown_), true, key);
        return true;
    }
    shown_.reset();
    shownDecoded_ = false;
    if (Bitmap p = preview()) show(std::move(p), false, key);
    job_ = {++tickets_, key, std::make_shared<std::atomic<bool>>(false)};
    start(busy); // the decoder lags behind the fits: it waits for them to pause
    return true;
}

void ThumbnailPane::clear() {
    cancel();
    shown_.reset();
    shownDecoded_ = false;
    hideImage();
    SetWindowTextW(frame_, L"");
}

void ThumbnailPane::note(const std::string& why) {
    SetWindowTextW(frame_, W(UnreadablePhotoNote(why)).c_str());
}

bool ThumbnailPane::showsPicture() const {
    return shown_ && (GetWindowLongPtrW(image_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ThumbnailPane::cancel() {
    if (job_.cancelled) job_.cancelled->store(true);
    job_ = {};
}

void ThumbnailPane::start(bool calm) {
    Job handed = job_;
    handed.calm = calm;
    {
        std::lock_guard lock(mutex_);
        handed_ = std::move(handed); // one handed over before and not begun is cancelled: it goes
        hurry_ = false;
        if (!worker_.joinable()) worker_ = std::thread(&ThumbnailPane::work, this);
    }
    wake_.notify_all();
}

void ThumbnailPane::work() {
    ComScope com;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || handed_; });
        if (stopping_) return;
        Job job = std::move(*handed_);
        handed_.reset();
        // Fits coming faster than decodes: the newest one once they pause.
        while (job.calm && !hurry_ &&
               wake_.wait_for(lock, std::chrono::milliseconds(kCalmMs),
                              [this] { return stopping_ || hurry_ || handed_; })) {
            if (stopping_) return;
            if (handed_) {
                job = std::move(*handed_);
                handed_.reset();
            }
        }
        decoding_ = true;
        lock.unlock();
        const Seam seam = CurrentSeam();
        if (seam.before) seam.before(job.key.path);
        Result result;
        result.ticket = job.ticket;
        if (!job.cancelled->load())
            result.picture =
                DecodePicture(job.key.path, job.key.target, &result.error, job.cancelled.get());
        const bool gaveUp = job.cancelled->load();
        if (seam.after) seam.after(job.key.path, gaveUp);
        lock.lock();
        result_ = std::move(result); // decoded() passes on only the current fit's
        decoding_ = false;
        finished_.notify_all();
        PostMessageW(notify_, kThumbnailDecoded, 0, 0);
    }
}

void ThumbnailPane::decoded() {
    Result result;
    {
        std::lock_guard lock(mutex_);
        result = std::exchange(result_, Result{});
    }
    if (result.ticket == 0 || result.ticket != job_.ticket) return; // superseded
    const Key key = job_.key;
    job_ = {};
    if (result.picture) return show(std::move(result.picture), true, key);
    shown_.reset();
    shownDecoded_ = false;
    hideImage();
    if (!result.error.empty()) note(result.error);
}

bool ThumbnailPane::wait(int timeoutMs) {
    if (job_.ticket == 0) return true;
    {
        std::unique_lock lock(mutex_);
        hurry_ = true;
        wake_.notify_all();
        if (!finished_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return !handed_ && !decoding_; }))
            return false;
    }
    decoded();
    return job_.ticket == 0;
}

void ThumbnailPane::show(Bitmap picture, bool decoded, const Key& key) {
    shown_ = std::move(picture);
    shownDecoded_ = decoded;
    if (decoded) shownKey_ = key;
    if (place_.empty() || !shown_) return;
    MoveWindow(image_, place_.left, place_.top, place_.width, place_.height, FALSE);
    InvalidateRect(image_, nullptr, FALSE);
    ShowWindow(image_, SW_SHOWNA);
}

void ThumbnailPane::hideImage() {
    ShowWindow(image_, SW_HIDE);
}

LRESULT CALLBACK ThumbnailPane::ImageProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR self) {
    auto* pane = reinterpret_cast<ThumbnailPane*>(self);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r;
        GetClientRect(w, &r);
        if (pane->shown_)
            DrawBitmap(dc, pane->shown_, r);
        else
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNTEXT));
        EndPaint(w, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, &ThumbnailPane::ImageProc, kSubclassId);
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

LRESULT CALLBACK ThumbnailPane::FrameProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_SETTEXT: {
        // Kept, and painted below (a static control would paint it in its own colours).
        const LRESULT done = DefWindowProcW(w, msg, wp, lp);
        InvalidateRect(w, nullptr, FALSE);
        return done;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r;
        GetClientRect(w, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNTEXT));
        const std::wstring text = W(TextOf(w));
        if (!text.empty()) {
            // The note, light on the dark frame, in its middle.
            HFONT font = reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
            HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
            SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
            SetBkMode(dc, TRANSPARENT);
            InflateRect(&r, -6, -6);
            RECT measured = r;
            const UINT flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
            DrawTextW(dc, text.c_str(), -1, &measured, flags | DT_CALCRECT);
            const int height = measured.bottom - measured.top;
            if (height < r.bottom - r.top) r.top += (r.bottom - r.top - height) / 2;
            DrawTextW(dc, text.c_str(), -1, &r, flags);
            SelectObject(dc, old);
        }
        EndPaint(w, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(w, &ThumbnailPane::FrameProc, kSubclassId);
        break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

} // namespace tokimori
