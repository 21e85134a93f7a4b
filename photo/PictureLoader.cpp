#include "photo/PictureLoader.h"

#include <QDir>
#include <QIODevice>
#include <QImageIOHandler>
#include <QImageReader>
#include <optional>
#include <span>

#include "base/PositionedFile.h"

namespace tokimori {

namespace {

bool Turns(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

// A photo opened through the program's own file access, which leaves the photo's access time
// alone where the system allows it: showing a photo is not using it.
class PhotoDevice final : public QIODevice {
  public:
    explicit PhotoDevice(PositionedFile file) : file_(std::move(file)) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~PhotoDevice() override {
        QIODevice::close();
        (void)file_.close();
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return qint64(file_.size()); }
    bool seek(qint64 pos) override {
        if (pos < 0 || !QIODevice::seek(pos)) return false;
        at_ = pos;
        return true;
    }
    bool failed() const { return failed_; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = qMin(maxSize, size() - at_);
        if (n <= 0) return 0;
        const Status read = file_.readAt(
            uint64_t(at_), std::span<uint8_t>(reinterpret_cast<uint8_t*>(data), size_t(n)));
        if (!read) {
            failed_ = true;
            setErrorString(QString::fromStdString(read.error().detail));
            return -1;
        }
        at_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    PositionedFile file_;
    qint64 at_ = 0;
    bool failed_ = false;
};

// Why a photo cannot be opened, in the program's words.
QString OpenFailure(const RunError& e) {
    switch (e.number) {
    case err::FileNotFound:
        return "ファイルが見つかりません";
    case err::PermissionDenied:
        return "読み取りが許可されていません";
    default:
        return "ファイルを開けません";
    }
}

// Why a photo cannot be decoded, in the program's words.
// format: what the reader recognised the file as before it tried, empty when nothing.
QString DecodeFailure(const QImageReader& reader, const QByteArray& format,
                      const PhotoDevice& device) {
    if (device.failed()) return "ファイルを読み取れません";
    switch (reader.error()) {
    case QImageReader::FileNotFoundError:
        return "ファイルが見つかりません";
    case QImageReader::DeviceError:
        return "ファイルを読み取れません";
    case QImageReader::UnsupportedFormatError:
        return "画像の形式が分かりません";
    case QImageReader::InvalidDataError:
        return "画像のデータが壊れています";
    case QImageReader::UnknownError:
        break;
    }
    // A known format whose data the decoder gave up on: damaged.
    if (!format.isEmpty()) return "画像のデータが壊れています";
    return "画像を読み込めません";
}

std::optional<PhotoDevice> OpenPhoto(const QString& path, QString* error) {
    auto file = PositionedFile::open(path.toStdString(), PositionedFile::Mode::Read);
    if (!file) {
        if (error) *error = OpenFailure(file.error());
        return std::nullopt;
    }
    return std::optional<PhotoDevice>(std::in_place, std::move(file.value()));
}

} // namespace

PictureInfo ReadPictureInfo(const QString& path) {
    PictureInfo info;
    std::optional<PhotoDevice> device = OpenPhoto(path, &info.error);
    if (!device) return info;
    QImageReader reader(&*device);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    QSize stored = reader.size();
    if (!stored.isValid()) {
        info.error = DecodeFailure(reader, format, *device);
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
    if (natural) *natural = QSize();
    std::optional<PhotoDevice> device = OpenPhoto(path, error);
    if (!device) return QImage();
    QImageReader reader(&*device);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    const QSize stored = reader.size();
    const QSize upright =
        stored.isValid() && Turns(reader.transformation()) ? stored.transposed() : stored;
    if (natural) *natural = upright;
    if (!stored.isValid()) {
        if (error) *error = DecodeFailure(reader, format, *device);
        return QImage();
    }
    if (stored.isEmpty()) {
        if (error) *error = "画像の大きさが 0 です";
        return QImage();
    }
    const QSize target = targetFor(upright);
    if (target.isEmpty()) return QImage(); // nothing to decode
    // The scaled size applies before the rotation; decode no smaller than the target.
    const QSize want = Turns(reader.transformation()) ? target.transposed() : target;
    if (want.width() < stored.width() || want.height() < stored.height())
        reader.setScaledSize(stored.scaled(want, Qt::KeepAspectRatioByExpanding));
    QImage image = reader.read();
    if (image.isNull() && error) *error = DecodeFailure(reader, format, *device);
    return image;
}

QString UnreadablePhotoText(const QString& path, const QString& why) {
    return "写真を表示できません。\r\n" + QDir::toNativeSeparators(path) + "\r\n(" + why + ")";
}

QString UnreadablePhotoNote(const QString& why) {
    return "写真を表示できません\n(" + why + ")";
}

} // namespace tokimori
