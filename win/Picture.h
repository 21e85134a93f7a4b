#pragma once
// Photos decoded with the Windows Imaging Component into 32-bit DIB sections: upright by their
// Exif orientation, and at the size they are shown at, scaled in the decoder where it can.
// Photos are read through the program's own file access (one open a photo), which leaves their
// access time alone. Error texts are the program's own short Japanese reasons.

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "base/FileTimes.h"
#include "exif/ExifReader.h"

namespace tokimori {

// COM on the calling thread while this lives (each thread that decodes makes one).
class ComScope {
  public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    bool initialised_ = false;
};

struct PictureSize {
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PictureSize&) const = default;
};

// A 32-bit top-down DIB section (blue, green, red, unused), owned.
class Bitmap {
  public:
    Bitmap() = default;
    Bitmap(HBITMAP handle, PictureSize size) : handle_(handle), size_(size) {}
    Bitmap(Bitmap&& o) noexcept
        : handle_(std::exchange(o.handle_, nullptr)), size_(std::exchange(o.size_, {})) {}
    Bitmap& operator=(Bitmap&& o) noexcept {
        if (this != &o) {
            reset();
            handle_ = std::exchange(o.handle_, nullptr);
            size_ = std::exchange(o.size_, {});
        }
        return *this;
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() { reset(); }

    HBITMAP handle() const { return handle_; }
    PictureSize size() const { return size_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset();

  private:
    HBITMAP handle_ = nullptr;
    PictureSize size_;
};

// What showing a photo needs before its picture is decoded.
struct PictureHead {
    PictureSize natural;            // upright size in pixels
    int orientation = 1;            // the Exif orientation, 1 to 8
    std::vector<uint8_t> thumbnail; // the embedded Exif thumbnail's bytes, when asked for
    uint64_t fileSize = 0;          // with the modification time: the photo as this open saw it
    FileInstant modified;
    std::string error; // why it cannot be shown; empty when it can
};

// Opens the photo once and reads its head. exif, when given, is what the photo's Exif data was
// read to hold (its orientation and thumbnail's place); else the Exif data is read here. The
// thumbnail's bytes are read when withThumbnail is set and they lie within the file.
PictureHead ReadPictureHead(const std::string& path, const ExifInfo* exif = nullptr,
                            bool withThumbnail = false);

// The photo decoded upright at target pixels (stretched to it when its proportions differ), or
// at its natural size when target is empty. natural, when given, receives the upright natural
// size. Once *cancelled is true the decode gives up at its next step or read of the file. An
// empty bitmap and the reason in error when it cannot be decoded.
Bitmap DecodePicture(const std::string& path, PictureSize target, std::string* error,
                     const std::atomic<bool>* cancelled = nullptr, PictureSize* natural = nullptr);

// An embedded thumbnail (JPEG bytes) decoded, turned by its photo's orientation and cut to the
// photo's upright natural proportions. Empty when it cannot be decoded or is not this photo's.
Bitmap DecodeExifThumbnail(const std::vector<uint8_t>& jpeg, int orientation, PictureSize natural);

// Draws bitmap stretched into the rectangle (smoothly where the system can).
void DrawBitmap(HDC dc, const Bitmap& bitmap, const RECT& into);

} // namespace tokimori
