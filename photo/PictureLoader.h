#pragma once
// Decoding a photo for display: upright by its Exif orientation, and no larger than the place
// it is shown in, so that libjpeg can decode at 1/2, 1/4 or 1/8 of the size. Photos are read
// through the program's own file access, which leaves their access time alone where the system
// allows it. Error texts are the program's own short Japanese reasons.

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

#include "base/RunError.h"

namespace tokimori {

struct PictureInfo {
    QSize natural; // upright size in pixels
    QString error; // why it cannot be read; empty when it can
};

// The upright natural size, read from the file's head only.
PictureInfo ReadPictureInfo(const std::string& path);

// The picture decoded at about `target` pixels (upright); the full picture when target is
// empty. A null image and an error text when it cannot be decoded.
QImage LoadPicture(const std::string& path, const QSize& target, QString* error = nullptr);

// Opens the photo once: its upright natural size goes to targetFor, which answers the size to
// decode at; an empty answer means nothing to decode (a null image without an error).
// natural receives the size. Once *cancelled is true the decode gives up at its next read of
// the file (a null image; the error says so).
QImage LoadPictureFor(const std::string& path, const std::function<QSize(const QSize&)>& targetFor,
                      QSize* natural, QString* error, const std::atomic<bool>* cancelled = nullptr);

// The bytes of a photo as one open found them: the same identity, size, modification time and
// status change time (which no program can set back) are taken as the same picture.
struct PhotoStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int32_t modifiedNanoseconds = 0;
    int64_t changedSeconds = 0;
    int32_t changedNanoseconds = 0;
    bool operator==(const PhotoStamp&) const = default;
};

// What showing a photo needs before its picture is decoded.
struct PictureHead {
    QSize natural;                         // upright size in pixels; may be empty
    QImageIOHandler::Transformations turn; // turns the stored picture upright
    QByteArray thumbnail;                  // the embedded Exif thumbnail's bytes, when asked for
    PhotoStamp stamp;
    QString error; // why it cannot be shown; empty when it can
};

// Opens the photo once and reads its head: the upright size and, when thumbnailLength > 0, the
// thumbnail's bytes at thumbnailOffset (nothing when they do not lie within the file).
PictureHead ReadPictureHead(const std::string& path, uint64_t thumbnailOffset = 0,
                            uint32_t thumbnailLength = 0);

// A picture stored as the photo's orientation says, turned upright.
QImage TurnUpright(const QImage& stored, QImageIOHandler::Transformations turn);

// An embedded thumbnail (JPEG bytes) turned like its photo and cut to the photo's proportions
// (cameras pad a 3:2 picture to 4:3 with black bars). Null when it cannot be decoded or cannot
// be the photo's (a thumbnail of another shape).
QImage DecodeExifThumbnail(const QByteArray& jpeg, QImageIOHandler::Transformations turn,
                           const QSize& natural);

} // namespace tokimori
