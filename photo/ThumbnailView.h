#pragma once
// The main window's thumbnail: the photo fitted into its dark frame by the fitting rule, its
// embedded Exif thumbnail at once and the photo itself once it is decoded off the window's
// thread; a note in the frame's place when it cannot be shown.

#include <QLabel>
#include <QObject>
#include <memory>
#include <string>

#include "exif/ExifReader.h"

namespace tokimori {

class ThumbnailLoader;

class ThumbnailView : public QObject {
    Q_OBJECT
  public:
    // image shows the picture over frame.
    ThumbnailView(QLabel* image, QLabel* frame);
    ~ThumbnailView() override;

    // Fits the photo at path into the frame (exif: what its head was read to hold, for the
    // embedded thumbnail). False when its head already shows it cannot be shown; a decode that
    // fails later says so in the frame as well.
    bool fit(const std::string& path, const ExifInfo* exif = nullptr);
    // Removes the picture (and a note) and gives up the decode under way.
    void clear();
    // Says in the frame why a photo cannot be shown.
    void note(const QString& why);
    // Waits until the picture the last fit asked for is shown; false after timeoutMs.
    bool wait(int timeoutMs);

  private:
    void show(const QImage& picture);
    void decoded(const QImage& picture, const QString& error);

    QLabel* image_;
    QLabel* frame_;
    std::unique_ptr<ThumbnailLoader> loader_;
    QRect place_; // where the picture goes
};

} // namespace tokimori
