#pragma once
// The main window's thumbnail: the photo fitted into its dark frame by the fitting rule. Its
// embedded Exif thumbnail (turned like the photo) shows at once; the photo itself is decoded at
// the size it is shown at on one worker thread, which then posts kThumbnailDecoded to the
// notify window, whose handler calls decoded(). A newer fit makes an older decode give up at
// its next step; a result that still comes is passed over. While fits come faster than photos
// decode (an arrow key held down), the next decode waits for a short calm. A photo that cannot
// be shown is said in the frame's place, never in a message box.
//
// The pane paints both controls: image (a static control, over the frame) shows the picture,
// frame (a static control) the dark background, the system's button-text colour, and the note.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <windows.h>

#include "exif/ExifReader.h"
#include "view/Geometry.h"
#include "win/Picture.h"

namespace tokimori {

// Posted to the notify window when a decode has finished: call ThumbnailPane::decoded().
inline constexpr UINT kThumbnailDecoded = WM_APP + 20;

class ThumbnailPane {
  public:
    // How long fits must pause before a decode starts while they come faster than decodes.
    static constexpr int kCalmMs = 100;

    ThumbnailPane(HWND image, HWND frame, HWND notify);
    // The decode under way gives up and its thread is joined: no thread runs and no photo stays
    // open.
    ~ThumbnailPane();
    ThumbnailPane(const ThumbnailPane&) = delete;
    ThumbnailPane& operator=(const ThumbnailPane&) = delete;

    // Fits the photo at path into the frame (exif: what its Exif data was read to hold, for the
    // embedded thumbnail's place). False when its head already shows it cannot be shown (the
    // note is in the frame); a decode that fails later says so in the frame as well.
    bool fit(const std::string& path, const ExifInfo* exif = nullptr);
    // Removes the picture and the note and gives up the decode under way.
    void clear();
    // Says in the frame why a photo cannot be shown (why: the reason's words).
    void note(const std::string& why);
    // Waits until the picture the last fit asked for is shown (the calm skipped); false after
    // timeoutMs.
    bool wait(int timeoutMs);
    // Whether the image control shows a picture (the embedded thumbnail or the photo).
    bool showsPicture() const;
    // The picture shown (tests).
    const Bitmap& picture() const { return shown_; }
    // On kThumbnailDecoded: shows the current fit's finished decode.
    void decoded();

    // A seam for tests: runs on the worker before each decode and after it (with whether the
    // decode gave up).
    struct Seam {
        std::function<void(const std::string& path)> before;
        std::function<void(const std::string& path, bool gaveUp)> after;
    };
    static void setSeam(Seam seam);

  private:
    struct Key {
        std::string path;
        PictureSize target;
        uint64_t fileSize = 0;
        FileInstant modified;
        bool operator==(const Key&) const = default;
    };
    struct Job {
        uint64_t ticket = 0; // 0: none
        Key key;
        std::shared_ptr<std::atomic<bool>> cancelled;
        bool calm = false; // wait for the fits to pause first
    };
    struct Result {
        uint64_t ticket = 0;
        Bitmap picture;
        std::string error;
    };

    void cancel();
    void start(bool calm);
    void work();
    void show(Bitmap picture, bool decoded, const Key& key);
    void hideImage();
    static LRESULT CALLBACK ImageProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR self);
    static LRESULT CALLBACK FrameProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR self);

    HWND image_;
    HWND frame_;
    HWND notify_;
    Rect place_;   // where the picture goes, in the image's parent's coordinates
    Bitmap shown_; // what the image control shows
    bool shownDecoded_ = false;
    Key shownKey_; // what shown_ is when it is a decoded photo
    uint64_t tickets_ = 0;
    Job job_; // the current fit's decode, until it is shown

    std::mutex mutex_;                 // guards what follows
    std::condition_variable wake_;     // the worker has something to do
    std::condition_variable finished_; // the worker has finished a decode
    std::optional<Job> handed_;        // handed over, not yet begun
    bool decoding_ = false;
    bool hurry_ = false; // skip the calm
    bool stopping_ = false;
    Result result_;      // the last decode's, until decoded() takes it
    std::thread worker_; // started with the first decode
};

} // namespace tokimori
