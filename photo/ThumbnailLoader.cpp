#include "photo/ThumbnailLoader.h"

#include <QMutexLocker>
#include <utility>

namespace tokimori {

namespace {

QMutex gSeamMutex;
ThumbnailLoader::Seam gSeam;

ThumbnailLoader::Seam CurrentSeam() {
    QMutexLocker lock(&gSeamMutex);
    return gSeam;
}

} // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent) : QObject(parent) {
    pool_.setObjectName("thumbnails");
    pool_.setMaxThreadCount(1);
    calm_.setSingleShot(true);
    connect(&calm_, &QTimer::timeout, this, &ThumbnailLoader::start);
}

ThumbnailLoader::~ThumbnailLoader() {
    cancel();
    pool_.waitForDone();
}

void ThumbnailLoader::setSeam(Seam seam) {
    QMutexLocker lock(&gSeamMutex);
    gSeam = std::move(seam);
}

ThumbnailLoader::Shown
ThumbnailLoader::request(const QString& path, uint64_t thumbnailOffset, uint32_t thumbnailLength,
                         const std::function<QSize(const QSize&)>& targetFor) {
    Shown shown;
    const PictureHead head = ReadPictureHead(path, thumbnailOffset, thumbnailLength);
    shown.natural = head.natural;
    shown.error = head.error;
    const QSize target = head.error.isEmpty() ? targetFor(head.natural) : QSize();
    const Key key{path, target, head.stamp};
    auto preview = [&] { return DecodeExifThumbnail(head.thumbnail, head.turn, head.natural); };
    // The same photo at the same size: the decode under way serves, or the picture just shown.
    if (!target.isEmpty() && current_ != 0 && job_.key == key) {
        shown.preview = preview();
        return shown;
    }
    const bool busy = working_.load() > 0 || calm_.isActive();
    cancel();
    if (target.isEmpty()) return shown;
    if (key == shownKey_ && !shownPicture_.isNull()) {
        shown.picture = shownPicture_;
        return shown;
    }
    shown.preview = preview();
    current_ = ++tickets_;
    job_ = {current_, key, std::make_shared<std::atomic<bool>>(false)};
    if (busy)
        calm_.start(kCalmMs); // the decoder lags behind the requests: wait for them to pause
    else
        start();
    return shown;
}

void ThumbnailLoader::cancel() {
    calm_.stop();
    if (job_.cancelled) job_.cancelled->store(true);
    job_ = {};
    current_ = 0;
}

void ThumbnailLoader::start() {
    if (current_ == 0 || job_.ticket != current_ || job_.started) return;
    job_.started = true;
    ++working_;
    pool_.start([this, job = job_] {
        Result result;
        Decode(job, result);
        {
            // One worker: a superseded decode finishes before the current one begins, and
            // deliver() passes only the current request's result.
            QMutexLocker lock(&mutex_);
            finished_ = std::move(result);
        }
        --working_;
        QMetaObject::invokeMethod(this, &ThumbnailLoader::deliver, Qt::QueuedConnection);
    });
}

void ThumbnailLoader::Decode(const Job& job, Result& out) {
    out.ticket = job.ticket;
    const Seam seam = CurrentSeam();
    if (seam.before) seam.before(job.key.path);
    const QSize target = job.key.target;
    if (!job.cancelled->load())
        out.picture = LoadPictureFor(
            job.key.path, [&](const QSize&) { return target; }, nullptr, &out.error,
            job.cancelled.get());
    const bool gaveUp = job.cancelled->load();
    if (!gaveUp && !out.picture.isNull() && out.picture.size() != target)
        out.picture = out.picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (seam.after) seam.after(job.key.path, gaveUp);
}

void ThumbnailLoader::deliver() {
    Result result;
    {
        QMutexLocker lock(&mutex_);
        result = std::exchange(finished_, Result{});
    }
    if (result.ticket == 0 || result.ticket != current_) return; // superseded
    shownKey_ = job_.key;
    shownPicture_ = result.picture;
    job_ = {};
    current_ = 0;
    emit decoded(result.picture, result.error);
}

bool ThumbnailLoader::wait(int timeoutMs) {
    if (current_ == 0) return true;
    if (calm_.isActive()) {
        calm_.stop();
        start();
    }
    if (!pool_.waitForDone(timeoutMs)) return false;
    deliver();
    return current_ == 0;
}

} // namespace tokimori
