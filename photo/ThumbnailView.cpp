#include "photo/ThumbnailView.h"

#include <QPixmap>
#include <QtMath>

#include "photo/PictureLoader.h"
#include "photo/ThumbnailLoader.h"
#include "ui/Texts.h"
#include "ui/Twips.h"
#include "view/Fit.h"
#include "view/PhotoTexts.h"

namespace tokimori {

ThumbnailView::ThumbnailView(QLabel* image, QLabel* frame)
    : QObject(image), image_(image), frame_(frame), loader_(std::make_unique<ThumbnailLoader>()) {
    connect(loader_.get(), &ThumbnailLoader::decoded, this, &ThumbnailView::decoded);
}

// A decode under way gives up and is waited for.
ThumbnailView::~ThumbnailView() = default;

bool ThumbnailView::fit(const std::string& path, const ExifInfo* exif) {
    image_->hide();
    frame_->clear();
    const QRect frame = frame_->geometry();
    const qreal dpr = image_->devicePixelRatioF();
    FitRect r;
    // One open of the photo's head: its size decides the fit, the fit the size it is decoded at.
    const ThumbnailLoader::Shown shown =
        loader_->request(path, exif ? exif->thumbnailOffset : 0, exif ? exif->thumbnailLength : 0,
                         [&](const QSize& n) {
                             r = FitPicture(FromQRect(frame), n.width(), n.height());
                             return QSize(qCeil(r.width * dpr), qCeil(r.height * dpr));
                         });
    place_ = ToQRect(r);
    image_->clear();
    if (!place_.isEmpty()) image_->setGeometry(place_);
    if (!shown.error.isEmpty()) {
        // Said in the thumbnail's place, not in a message box: browsing and resizing go on.
        note(shown.error);
        return false;
    }
    // The decoded photo when it is at hand, else the embedded thumbnail until it is.
    const QImage& now = shown.picture.isNull() ? shown.preview : shown.picture;
    if (!now.isNull()) show(now);
    return true;
}

void ThumbnailView::clear() {
    loader_->cancel();
    image_->clear();
    image_->hide();
    image_->setToolTip("");
    frame_->clear();
}

void ThumbnailView::note(const QString& why) {
    frame_->setText(U(UnreadablePhotoNote(S(why))));
}

bool ThumbnailView::wait(int timeoutMs) {
    return loader_->wait(timeoutMs);
}

void ThumbnailView::show(const QImage& picture) {
    if (place_.isEmpty()) return;
    const qreal dpr = image_->devicePixelRatioF();
    const QSize size(qCeil(place_.width() * dpr), qCeil(place_.height() * dpr));
    QPixmap pm =
        QPixmap::fromImage(picture.size() == size ? picture
                                                  : picture.scaled(size, Qt::IgnoreAspectRatio,
                                                                   Qt::SmoothTransformation));
    pm.setDevicePixelRatio(dpr);
    image_->setPixmap(pm);
    image_->setGeometry(place_);
    image_->show();
}

void ThumbnailView::decoded(const QImage& picture, const QString& error) {
    if (!picture.isNull()) return show(picture);
    image_->clear();
    image_->hide();
    if (!error.isEmpty()) note(error);
}

} // namespace tokimori
