#include "photo/PictureLoader.h"

#include <QDir>
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
    // An empty target here asks for the full picture.
    return LoadPictureFor(
        path, [&](const QSize& n) { return target.isEmpty() ? n : target; }, nullptr, error);
}

QImage LoadPictureFor(const QString& path, const std::function<QSize(const QSize&)>& targetFor,
                      QSize* natural, QString* error) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    const QSize upright =
        stored.isValid() && Turns(reader.transformation()) ? stored.transposed() : stored;
    if (natural) *natural = upright;
    if (!stored.isValid()) {
        if (error) *error = reader.errorString();
        return QImage();
    }
    const QSize target = targetFor(upright);
    if (target.isEmpty()) return QImage(); // nothing to decode
    // The scaled size applies before the rotation; decode no smaller than the target.
    const QSize want = Turns(reader.transformation()) ? target.transposed() : target;
    if (want.width() < stored.width() || want.height() < stored.height())
        reader.setScaledSize(stored.scaled(want, Qt::KeepAspectRatioByExpanding));
    QImage image = reader.read();
    if (image.isNull() && error) *error = reader.errorString();
    return image;
}

QString UnreadablePhotoText(const QString& path, const QString& why) {
    return "写真を表示できません。\r\n" + QDir::toNativeSeparators(path) + "\r\n(" + why + ")";
}

} // namespace tokimori
