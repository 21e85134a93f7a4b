#pragma once
// The main window's thumbnail, decoded off the window's thread. A request answers at once with
// what the photo's head gives: its upright size and its embedded Exif thumbnail, turned like the
// photo. The photo itself is decoded at the size it is shown at on one worker thread and
// reported by decoded(). A newer request makes an older decode give up at its next read of the
// file; a result that still comes is ignored. While requests come faster than photos decode
// (an arrow key pressed again and again), the next decode waits for a short calm.

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "photo/PictureLoader.h"

namespace tokimori {

class ThumbnailLoader : public QObject {
    Q_OBJECT
  public:
    // How long requests must pause before a decode starts while they come faster than decodes.
    static constexpr int kCalmMs = 100;

    explicit ThumbnailLoader(QObject* parent = nullptr);
    // The decode under way gives up and its thread is joined: no thread runs and no photo stays
    // open.
    ~ThumbnailLoader() override;

    struct Shown {
        QImage preview; // the embedded thumbnail, upright; null when there is none
        QImage picture; // the photo decoded at the asked size, when it was so decoded just before
        QString error;  // why the photo cannot be shown; nothing follows then
    };
    // Asks for path. targetFor maps the upright natural size to the size to decode at, in
    // pixels; an empty size asks for nothing. The embedded thumbnail is read from
    // [thumbnailOffset, thumbnailOffset + thumbnailLength) when the length is not 0. Unless the
    // answer holds the picture or an error, or nothing was asked for, decoded() follows.
    Shown request(const std::string& path, uint64_t thumbnailOffset, uint32_t thumbnailLength,
                  const std::function<QSize(const QSize&)>& targetFor);
    // The current request gives up: nothing more is reported for it.
    void cancel();
    // Starts a decode waiting for calm at once, waits for the worker and reports the current
    // request's decode; false when timeoutMs passed first.
    bool wait(int timeoutMs);

    // A seam for tests: runs on the worker before each decode and after it (with whether the
    // decode gave up).
    struct Seam {
        std::function<void(const std::string& path)> before;
        std::function<void(const std::string& path, bool gaveUp)> after;
    };
    static void setSeam(Seam seam);

  signals:
    // The current request's decode at the asked size, or a null picture and why.
    void decoded(const QImage& picture, const QString& error);

  private:
    struct Key {
        std::string path;
        QSize target;
        PhotoStamp stamp;
        bool operator==(const Key&) const = default;
    };
    struct Job {
        uint64_t ticket = 0;
        Key key;
        std::shared_ptr<std::atomic<bool>> cancelled;
        bool started = false;
    };
    struct Result {
        uint64_t ticket = 0;
        QImage picture;
        QString error;
    };

    void start();   // hands the current request to the worker
    void deliver(); // on the window's thread: reports the current request's finished decode
    void work();    // the worker thread
    static void Decode(const Job& job, Result& out);
    bool working(); // a decode is handed over or under way

    QTimer calm_;
    uint64_t tickets_ = 0;
    Job job_;      // the current request's decode (ticket 0: none; decoded() is to come for it)
    Key shownKey_; // what the last reported picture is
    QImage shownPicture_;

    std::mutex mutex_;                 // guards what follows
    std::condition_variable wake_;     // the worker has something to do
    std::condition_variable finished_; // the worker has finished a decode
    std::optional<Job> handed_;        // handed over, not yet begun
    bool decoding_ = false;
    bool stopping_ = false;
    Result result_;      // the last decode's result, until deliver() takes it
    std::thread worker_; // started with the first decode; joined when this object goes
};

} // namespace tokimori
