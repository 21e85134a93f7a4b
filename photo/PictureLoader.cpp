#include "photo/PictureLoader.h"

#include <QImageIOHandler>
#include <QImageReader>

namespace tokimori {

namespace {
bool Turns(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}
} // namespace

PictureInfo ReadPictureInfo(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    PictureInfo info;
    QSize stored = reader.size();
    if (!stored.isValid()) {
        info.error = reader.errorString();
        return info;
    }
    info.natural = Turns(reader.transformation()) ? stored.transposed() : stored;
    return info;
}

QImage LoadPicture(const QString& path, const QSize& target, QString* error) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!target.isEmpty() && stored.isValid()) {
        // The scaled size applies before the rotation; decode no smaller than the target.
        QSize want = Turns(reader.transformation()) ? target.transposed() : target;
        if (want.width() < stored.width() || want.height() < stored.height())
            reader.setScaledSize(stored.scaled(want, Qt::KeepAspectRatioByExpanding));
    }
    QImage image = reader.read();
    if (image.isNull() && error) *error = reader.errorString();
    return image;
}

} // namespace tokimori
