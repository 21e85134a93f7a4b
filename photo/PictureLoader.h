#pragma once
// Decoding a photo for display: upright by its Exif orientation, and no larger than the place
// it is shown in, so that libjpeg can decode at 1/2, 1/4 or 1/8 of the size. Photos are read
// through the program's own file access, which leaves their access time alone where the system
// allows it. Error texts are the program's own short Japanese reasons.

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

namespace tokimori {

struct PictureInfo {
    QSize natural; // upright size in pixels
    QString error; // why it cannot be read; empty when it can
};

// The upright natural size, read from the file's head only.
PictureInfo ReadPictureInfo(const QString& path);

// The picture decoded at about `target` pixels (upright); the full picture when target is
// empty. A null image and an error text when it cannot be decoded.
QImage LoadPicture(const QString& path, const QSize& target, QString* error = nullptr);

// Opens the photo once: its upright natural size goes to targetFor, which answers the size to
// decode at; an empty answer means nothing to decode (a null image without an error).
// natural receives the size.
QImage LoadPictureFor(const QString& path, const std::function<QSize(const QSize&)>& targetFor,
                      QSize* natural, QString* error);

// The message for a photo that cannot be shown: its path and the reason.
QString UnreadablePhotoText(const QString& path, const QString& why);

// The short note shown in place of a photo that cannot be shown, with the reason.
QString UnreadablePhotoNote(const QString& why);

} // namespace tokimori
