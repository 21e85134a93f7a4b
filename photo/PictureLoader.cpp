#include "photo/PictureLoader.h"

#include <QBuffer>
#include <QDir>
#include <QIODevice>
#include <QImageIOHandler>
#include <QImageReader>
#include <QTransform>
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "base/PositionedFile.h"
#include "ui/Texts.h"
#include "ui/Twips.h"
#include "view/PhotoTexts.h"

namespace tokimori {

namespace {

bool Turns(QImageIOHandler::Transformations t) {
    return t.testFlag(QImageIOHandler::TransformationRotate90);
}

// The threads whose decode has given up: libjpeg, left short of data, warns once about the
// "premature end" it then sees, which is no fault of the photo.
std::mutex gGivingUpMutex;
std::vector<std::thread::id> gGivingUp;
std::atomic<QtMessageHandler> gPreviousHandler{nullptr};

void SetGivingUp(bool on) {
    std::lock_guard lock(gGivingUpMutex);
    const auto self = std::find(gGivingUp.begin(), gGivingUp.end(), std::this_thread::get_id());
    if (on && self == gGivingUp.end()) gGivingUp.push_back(std::this_thread::get_id());
    if (!on && self != gGivingUp.end()) gGivingUp.erase(self);
}

bool GivingUp() {
    std::lock_guard lock(gGivingUpMutex);
    return std::find(gGivingUp.begin(), gGivingUp.end(), std::this_thread::get_id()) !=
           gGivingUp.end();
}

void QuietWhenGivingUp(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && qstrcmp(context.category, "qt.gui.imageio.jpeg") == 0 && GivingUp())
        return;
    if (QtMessageHandler previous = gPreviousHandler.load())
        previous(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

void InstallQuietHandler() {
    static std::once_flag once;
    std::call_once(once, [] { gPreviousHandler = qInstallMessageHandler(QuietWhenGivingUp); });
}

// A photo opened through the program's own file access, which leaves the photo's access time
// alone where the system allows it: showing a photo is not using it. A read after *cancelled
// has become true fails, so that a decode gives up.
class PhotoDevice final : public QIODevice {
  public:
    explicit PhotoDevice(PositionedFile file, const std::atomic<bool>* cancelled = nullptr)
        : file_(std::move(file)), cancelled_(cancelled) {
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
    bool gaveUp() const { return gaveUp_; }
    const PositionedFile& file() const { return file_; }
    // Reads at an offset without moving the device's position.
    bool readAt(uint64_t offset, QByteArray& out) {
        return bool(file_.readAt(offset, std::span<uint8_t>(reinterpret_cast<uint8_t*>(out.data()),
                                                            size_t(out.size()))));
    }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (cancelled_ && cancelled_->load(std::memory_order_relaxed)) {
            if (!gaveUp_) SetGivingUp(true);
            gaveUp_ = failed_ = true;
            return -1;
        }
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
    const std::atomic<bool>* cancelled_;
    qint64 at_ = 0;
    bool failed_ = false;
    bool gaveUp_ = false;
};

// Why a photo cannot be decoded, in the program's words.
// format: what the reader recognised the file as before it tried, empty when nothing.
QString DecodeFailure(const QImageReader& reader, const QByteArray& format,
                      const PhotoDevice& device) {
    auto words = [](PictureFailure why) { return U(PictureFailureWords(why)); };
    if (device.gaveUp()) return words(PictureFailure::GaveUp);
    if (device.failed()) return words(PictureFailure::Unreadable);
    switch (reader.error()) {
    case QImageReader::FileNotFoundError:
        return words(PictureFailure::NotFound);
    case QImageReader::DeviceError:
        return words(PictureFailure::Unreadable);
    case QImageReader::UnsupportedFormatError:
        return words(PictureFailure::UnknownFormat);
    case QImageReader::InvalidDataError:
        return words(PictureFailure::Damaged);
    case QImageReader::UnknownError:
        break;
    }
    // A known format whose data the decoder gave up on: damaged.
    return words(format.isEmpty() ? PictureFailure::CannotLoad : PictureFailure::Damaged);
}

std::optional<PhotoDevice> OpenPhoto(const std::string& path, QString* error,
                                     const std::atomic<bool>* cancelled = nullptr) {
    auto file = PositionedFile::open(path, PositionedFile::Mode::Read);
    if (!file) {
        if (error) *error = U(PhotoReadFailure(file.error()));
        return std::nullopt;
    }
    return std::optional<PhotoDevice>(std::in_place, std::move(file.value()), cancelled);
}

} // namespace

PictureInfo ReadPictureInfo(const std::string& path) {
    PictureHead head = ReadPictureHead(path);
    return {head.natural, head.error};
}

QImage LoadPicture(const std::string& path, const QSize& target, QString* error) {
    // An empty target here asks for the full picture.
    return LoadPictureFor(
        path, [&](const QSize& n) { return target.isEmpty() ? n : target; }, nullptr, error);
}

QImage LoadPictureFor(const std::string& path, const std::function<QSize(const QSize&)>& targetFor,
                      QSize* natural, QString* error, const std::atomic<bool>* cancelled) {
    if (natural) *natural = QSize();
    if (cancelled) InstallQuietHandler();
    // Outlives the reader: its warnings come while it decodes and while it is torn down.
    struct Quiet {
        const std::atomic<bool>* cancelled;
        ~Quiet() {
            if (cancelled) SetGivingUp(false);
        }
    } quiet{cancelled};
    std::optional<PhotoDevice> device = OpenPhoto(path, error, cancelled);
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
        if (error) *error = U(PictureFailureWords(PictureFailure::ZeroSize));
        return QImage();
    }
    const QSize target = targetFor(upright);
    if (target.isEmpty()) return QImage(); // nothing to decode
    // The scaled size applies before the rotation; decode no smaller than the target.
    const QSize want = Turns(reader.transformation()) ? target.transposed() : target;
    if (want.width() < stored.width() || want.height() < stored.height())
        reader.setScaledSize(stored.scaled(want, Qt::KeepAspectRatioByExpanding));
    QImage image = reader.read();
    if (device->gaveUp()) image = QImage(); // what was decoded before is not the picture
    if (image.isNull() && error) *error = DecodeFailure(reader, format, *device);
    return image;
}

PictureHead ReadPictureHead(const std::string& path, uint64_t thumbnailOffset,
                            uint32_t thumbnailLength) {
    PictureHead head;
    std::optional<PhotoDevice> device = OpenPhoto(path, &head.error);
    if (!device) return head;
    const PositionedFile& file = device->file();
    head.stamp.device = file.identity().device;
    head.stamp.inode = file.identity().inode;
    head.stamp.size = file.size();
    if (auto times = file.times()) {
        head.stamp.modifiedSeconds = times->modified.seconds;
        head.stamp.modifiedNanoseconds = times->modified.nanoseconds;
    }
    if (auto changed = file.changed()) {
        head.stamp.changedSeconds = changed->seconds;
        head.stamp.changedNanoseconds = changed->nanoseconds;
    }
    QImageReader reader(&*device);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    const QSize stored = reader.size();
    if (!stored.isValid()) {
        head.error = DecodeFailure(reader, format, *device);
        return head;
    }
    head.turn = reader.transformation();
    head.natural = Turns(head.turn) ? stored.transposed() : stored;
    if (thumbnailLength > 0 && thumbnailLength <= kMaxExifThumbnailBytes &&
        thumbnailOffset <= file.size() && thumbnailLength <= file.size() - thumbnailOffset) {
        head.thumbnail.resize(qsizetype(thumbnailLength));
        if (!device->readAt(thumbnailOffset, head.thumbnail)) head.thumbnail.clear();
    }
    return head;
}

QImage TurnUpright(const QImage& stored, QImageIOHandler::Transformations turn) {
    // Mirrored and flipped first, then turned a quarter clockwise; Rotate270 is all three.
    if (turn == QImageIOHandler::TransformationNone) return stored;
    if (turn == QImageIOHandler::TransformationRotate270)
        return stored.transformed(QTransform().rotate(270));
    QImage out = stored.mirrored(turn.testFlag(QImageIOHandler::TransformationMirror),
                                 turn.testFlag(QImageIOHandler::TransformationFlip));
    if (Turns(turn)) out = out.transformed(QTransform().rotate(90));
    return out;
}

QImage DecodeExifThumbnail(const QByteArray& jpeg, QImageIOHandler::Transformations turn,
                           const QSize& natural) {
    if (jpeg.isEmpty() || natural.isEmpty()) return QImage();
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false); // it is turned as its photo is, below
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > kMaxExifThumbnailSide ||
        size.height() > kMaxExifThumbnailSide)
        return QImage();
    QImage image = reader.read();
    if (image.isNull()) return QImage();
    image = TurnUpright(image, turn);
    const std::optional<Rect> cut =
        ExifThumbnailCut(image.width(), image.height(), natural.width(), natural.height());
    if (!cut) return QImage();
    return image.copy(ToQRect(*cut));
}

} // namespace tokimori
