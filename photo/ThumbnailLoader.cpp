#include "photo/ThumbnailLoader.h"

#include <QMutex>
#include <QMutexLocker>
#include <chrono>
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
    calm_.setSingleShot(true);
    connect(&calm_, &QTimer::timeout, this, &ThumbnailLoader::start);
}

ThumbnailLoader::~ThumbnailLoader() {
    cancel();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) worker_.join();
}

void ThumbnailLoader::setSeam(Seam seam) {
    QMutexLocker lock(&gSeamMutex);
    gSeam = std::move(seam);
}

bool ThumbnailLoader::working() {
    std::lock_guard lock(mutex_);
    return handed_ || decoding_;
}

ThumbnailLoader::Shown
ThumbnailLoader::request(const std::string& path, uint64_t thumbnailOffset,
                         uint32_t thumbnailLength,
                         const std::function<QSize(const QSize&)>& targetFor) {
    Shown shown;
    const PictureHead head = ReadPictureHead(path, thumbnailOffset, thumbnailLength);
    shown.error = head.error;
    if (shown.error.isEmpty() && head.natural.isEmpty()) shown.error = "画像の大きさが 0 です";
    const QSize target = head.error.isEmpty() ? targetFor(head.natural) : QSize();
    const Key key{path, target, head.stamp};
    auto preview = [&] { return DecodeExifThumbnail(head.thumbnail, head.turn, head.natural); };
    // The same photo at the same size: the decode under way serves, or the picture just shown.
    if (!target.isEmpty() && job_.ticket != 0 && job_.key == key) {
        shown.preview = preview();
        return shown;
    }
    const bool busy = calm_.isActive() || working();
    cancel();
    if (target.isEmpty()) return shown;
    if (key == shownKey_ && !shownPicture_.isNull()) {
        shown.picture = shownPicture_;
        return shown;
    }
    shown.preview = preview();
    job_ = {++tickets_, key, std::make_shared<std::atomic<bool>>(false)};
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
}

void ThumbnailLoader::start() {
    if (job_.ticket == 0 || job_.started) return;
    job_.started = true;
    {
        std::lock_guard lock(mutex_);
        handed_ = job_; // one handed over before and not begun has been cancelled: it goes
        if (!worker_.joinable()) worker_ = std::thread(&ThumbnailLoader::work, this);
    }
    wake_.notify_one();
}

void ThumbnailLoader::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || handed_; });
        if (stopping_) return;
        const Job job = std::move(*handed_);
        handed_.reset();
        decoding_ = true;
        lock.unlock();
        Result result;
        Decode(job, result);
        lock.lock();
        // deliver() passes only the current request's result.
        result_ = std::move(result);
        decoding_ = false;
        finished_.notify_all();
        QMetaObject::invokeMethod(this, &ThumbnailLoader::deliver, Qt::QueuedConnection);
    }
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
        std::lock_guard lock(mutex_);
        result = std::exchange(result_, Result{});
    }
    if (result.ticket == 0 || result.ticket != job_.ticket) return; // superseded
    shownKey_ = job_.key;
    shownPicture_ = result.picture;
    job_ = {};
    emit decoded(result.picture, result.error);
}

bool ThumbnailLoader::wait(int timeoutMs) {
    if (job_.ticket == 0) return true;
    if (calm_.isActive()) {
        calm_.stop();
        start();
    }
    {
        std::unique_lock lock(mutex_);
        if (!finished_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [this] { return !handed_ && !decoding_; }))
            return false;
    }
    deliver();
    return job_.ticket == 0;
}

} // namespace tokimori
