// The main window's thumbnail while photos are decoded off the window's thread: the embedded
// Exif thumbnail at once and turned like its photo, only the newest selection's picture, and
// nothing left running or open once the window is gone.

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>
#include <atomic>

#include "MainWindowUnderTest.h"
#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "photo/PictureLoader.h"
#include "photo/ThumbnailLoader.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

// How different two pictures look: the mean difference of their channels (0 to 255), both
// squeezed to 32 × 32.
double Distance(const QImage& a, const QImage& b) {
    auto small = [](const QImage& i) {
        return i.convertToFormat(QImage::Format_RGB32)
            .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QImage x = small(a), y = small(b);
    double sum = 0;
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return sum / (32 * 32 * 3);
}

QImage Solid(const QColor& colour, QSize size = QSize(600, 400)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The eight ways a stored picture can be turned and mirrored.
QList<QImage> AllTurns(const QImage& stored) {
    QList<QImage> out;
    for (bool mirror : {false, true})
        for (int degrees : {0, 90, 180, 270})
            out << stored.mirrored(mirror, false).transformed(QTransform().rotate(degrees));
    return out;
}

// Gives photo an Exif thumbnail (IFD1) made of picture. Its colour profile (APP2) goes: Exif
// data is read only where it comes first.
bool AddExifThumbnail(const QString& photo, const QImage& picture) {
    const QString thumb = photo + ".thumb";
    if (!picture.save(thumb, "JPEG", 90)) return false;
    QProcess p;
    p.start("exiftool",
            {"-q", "-overwrite_original", "-ICC_Profile:all=", "-ThumbnailImage<=" + thumb, photo});
    const bool done = p.waitForFinished(60000) && p.exitCode() == 0;
    QFile::remove(thumb);
    return done;
}

// Every picture the thumbnail paints.
class Painted : public QObject {
  public:
    explicit Painted(QLabel* label) : label_(label) { label->installEventFilter(this); }
    QList<QImage> pictures;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == label_ && e->type() == QEvent::Paint && !label_->pixmap().isNull())
            pictures << label_->pixmap().toImage();
        return false;
    }

  private:
    QLabel* label_;
};

// Holds the decoding thread at a point until opened (for limitMs at most).
struct Gate {
    std::atomic<bool> reached{false};
    std::atomic<bool> open{false};
    qint64 limitMs = 10000;
    void pass() {
        reached = true;
        QElapsedTimer t;
        t.start();
        while (!open && t.elapsed() < limitMs)
            QThread::msleep(2);
    }
};

// Removes the decoding seam when a test ends, however it ends.
struct SeamInPlace {
    explicit SeamInPlace(ThumbnailLoader::Seam seam) { ThumbnailLoader::setSeam(std::move(seam)); }
    ~SeamInPlace() { ThumbnailLoader::setSeam({}); }
};

struct Window : MainWindowUnderTest {
    QLabel* thumb() { return get<QLabel>("Image2"); }
    bool fitted(const QSize& natural) {
        return FitsIn(thumb()->geometry(), get<QLabel>("PicBack")->geometry(), natural);
    }
};

// The files this process holds open.
QStringList OpenFiles() {
    QStringList out;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files))
        out << fd.symLinkTarget();
    return out;
}

// The calling thread's id, and whether the thread of an id is still there.
long ThreadId() {
    return long(syscall(SYS_gettid));
}
bool ThreadRuns(long id) {
    return QFileInfo::exists(QString("/proc/self/task/%1").arg(id));
}

} // namespace

class ThumbnailTest : public QObject {
    Q_OBJECT

  private slots:
    void aSelectionDuringASlowDecodeShowsOnlyTheNewestPhoto_data() {
        QTest::addColumn<bool>("heldAfter");
        QTest::newRow("held before its decode: it gives up") << false;
        QTest::newRow("held after its decode: its picture is passed over") << true;
    }
    void aSelectionDuringASlowDecodeShowsOnlyTheNewestPhoto() {
        QFETCH(bool, heldAfter);
        QTemporaryDir dir;
        QVERIFY(Solid(Qt::red).save(dir.filePath("a_slow.jpg"), "JPEG", 90));
        QVERIFY(Solid(Qt::blue).save(dir.filePath("b_new.jpg"), "JPEG", 90));
        Gate gate;
        std::atomic<int> slowGaveUp{-1};
        auto slow = [](const std::string& path) { return path.ends_with("a_slow.jpg"); };
        SeamInPlace seam({[&](const std::string& path) {
                              if (slow(path) && !heldAfter) gate.pass();
                          },
                          [&](const std::string& path, bool gaveUp) {
                              if (!slow(path)) return;
                              slowGaveUp = gaveUp;
                              if (heldAfter) gate.pass();
                          }});
        MessageRecorder messages;
        Window win;
        Painted painted(win.thumb());
        win.open(dir.path());
        QCOMPARE(U(win.files()->currentFileName()), QString("a_slow.jpg"));
        QTRY_VERIFY(gate.reached);
        // The slow photo is still being decoded (or its picture is on its way) when the next
        // one is selected.
        win.files()->setFocus();
        QTest::keyClick(win.files(), Qt::Key_Down);
        QCOMPARE(U(win.files()->currentFileName()), QString("b_new.jpg"));
        gate.open = true;
        QTest::qWait(50); // the older decode's end reaches the window before the newer's
        QVERIFY(win.w.waitForThumbnail());
        QTest::qWait(100); // whatever else was on its way, and the painting
        QCOMPARE(slowGaveUp.load(), heldAfter ? 0 : 1);
        QVERIFY(win.thumb()->isVisible());
        QVERIFY(win.fitted(QSize(600, 400)));
        QVERIFY(Distance(win.thumb()->pixmap().toImage(), Solid(Qt::blue)) < 8);
        QVERIFY(!painted.pictures.isEmpty());
        for (const QImage& p : painted.pictures)
            QVERIFY2(Distance(p, Solid(Qt::red)) > 100, "the older photo was shown");
        QVERIFY(messages.shown.isEmpty());
    }

    void theExifThumbnailShowsAtOnceTurnedLikeThePhoto() {
        if (QStandardPaths::findExecutable("exiftool").isEmpty())
            QSKIP("exiftool is not installed");
        QTemporaryDir dir;
        // A camera's photo whose orientation turns it a quarter, with the camera's thumbnail.
        CopyPhotos(dir, {{"hdr_canon_hdr_NO.jpg", "camera_rotate90.jpg"}});
        // The test photos of every orientation, each given a thumbnail of its stored pixels.
        for (const char* shape : {"landscape", "portrait"})
            for (int orientation : {1, 2, 4, 5, 7, 8}) {
                const QString name = QString("orientation_%1_%2.jpg").arg(shape).arg(orientation);
                CopyPhotos(dir, {{name, name}});
                QImageReader stored(dir.filePath(name));
                stored.setAutoTransform(false);
                QVERIFY(AddExifThumbnail(
                    dir.filePath(name),
                    stored.read().scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            }
        Gate decoding; // every decode waits: what is shown is the embedded thumbnail
        SeamInPlace seam({[&](const std::string&) { decoding.pass(); }, {}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        QCOMPARE(win.files()->listCount(), 13);
        for (int row = 0; row < win.files()->listCount(); ++row) {
            win.files()->setCurrentRow(row); // no events run after this: what shows is at once
            const QString name = U(win.files()->currentFileName());
            QImageReader reader(dir.filePath(name));
            reader.setAutoTransform(true);
            const QImage upright = reader.read();
            QVERIFY2(win.thumb()->isVisible(), qPrintable(name));
            QVERIFY2(win.fitted(upright.size()), qPrintable(name));
            const QImage shown = win.thumb()->pixmap().toImage();
            const double distance = Distance(shown, upright);
            QVERIFY2(distance < 12, qPrintable(name + QString(": %1").arg(distance)));
            // Closer to the upright photo than to any turn of it that looks different.
            QImageReader storedReader(dir.filePath(name));
            storedReader.setAutoTransform(false);
            for (const QImage& turned : AllTurns(storedReader.read())) {
                if (Distance(turned, upright) < 15) continue;
                QVERIFY2(Distance(shown, turned) > distance, qPrintable(name));
            }
        }
        decoding.open = true;
        QVERIFY(win.w.waitForThumbnail());
        QVERIFY(win.thumb()->isVisible());
        QVERIFY(messages.shown.isEmpty());
    }

    void embeddedThumbnailsAreCutToThePhotosShape() {
        auto jpeg = [](const QImage& image) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "JPEG", 95);
            return bytes;
        };
        // A 3:2 photo's thumbnail padded to 4:3 with black bars above and below, as cameras
        // make them: the bars are cut away.
        QImage padded = Solid(Qt::black, QSize(160, 120));
        QPainter(&padded).fillRect(0, 7, 160, 106, Qt::green);
        const QImage cut = DecodeExifThumbnail(jpeg(padded), {}, QSize(6000, 4000));
        QCOMPARE(cut.size(), QSize(160, 107));
        QVERIFY(Distance(cut, Solid(Qt::green)) < 12);
        // Turned like the photo: a quarter turn makes it upright 4:6.
        const QImage turned = DecodeExifThumbnail(
            jpeg(padded), QImageIOHandler::TransformationRotate90, QSize(4000, 6000));
        QCOMPARE(turned.size(), QSize(107, 160));
        // A thumbnail of another shape is not this photo's; damaged bytes are none.
        QVERIFY(DecodeExifThumbnail(jpeg(Solid(Qt::green, QSize(90, 160))), {}, QSize(6000, 4000))
                    .isNull());
        QVERIFY(DecodeExifThumbnail("not a picture", {}, QSize(6000, 4000)).isNull());
        QVERIFY(DecodeExifThumbnail(jpeg(padded), {}, QSize()).isNull());
    }

    void aDecodeGivesUpQuietlyWhenCancelled() {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.jpg");
        QVERIFY(Solid(Qt::blue, QSize(1600, 1200)).save(path, "JPEG", 90));
        QTest::failOnWarning(QRegularExpression("."));
        std::atomic<bool> cancelled{false};
        QString error;
        QSize natural;
        // Cancelled once the head has been read: the picture's data is never decoded.
        const QImage image = LoadPictureFor(
            S(path),
            [&](const QSize& n) {
                cancelled = true;
                return n / 4;
            },
            &natural, &error, &cancelled);
        QVERIFY(image.isNull());
        QCOMPARE(natural, QSize(1600, 1200));
        QVERIFY(!error.isEmpty());
        // Not cancelled: decoded as asked.
        cancelled = false;
        const QImage whole = LoadPictureFor(
            S(path), [](const QSize& n) { return n / 4; }, nullptr, &error, &cancelled);
        QCOMPARE(whole.size(), QSize(400, 300));
    }

    void nothingRunsOrStaysOpenOnceTheWindowIsGone() {
        QTemporaryDir dir;
        // A large grainy photo: its decode takes a while.
        QImage grain(4000, 3000, QImage::Format_RGB32);
        QRandomGenerator random(14);
        for (int y = 0; y < grain.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(grain.scanLine(y));
            for (int x = 0; x < grain.width(); ++x)
                line[x] = random.generate() | 0xff000000u;
        }
        const QString photo = dir.filePath("grain.jpg");
        QVERIFY(grain.save(photo, "JPEG", 95));
        const QString canonical = QFileInfo(photo).canonicalFilePath();
        Gate gate;
        // Nobody opens it: the window's closing has long asked the decode to give up when the
        // gate lets it go on.
        gate.limitMs = 2000;
        std::atomic<bool> holding{true}, finished{false}, gaveUp{false};
        std::atomic<long> worker{0};
        SeamInPlace seam({[&](const std::string&) {
                              worker = ThreadId();
                              if (holding) gate.pass();
                          },
                          [&](const std::string&, bool given) {
                              gaveUp = given;
                              finished = true;
                          }});
        {
            // Closed while its decode is held: the decode gives up, its thread is gone.
            auto* win = new Window;
            win->open(dir.path());
            QCOMPARE(U(win->files()->currentFileName()), QString("grain.jpg"));
            QTRY_VERIFY(gate.reached);
            QVERIFY(worker != ThreadId());
            QVERIFY(ThreadRuns(worker));
            delete win;
            QVERIFY(finished);
            QVERIFY(gaveUp);
            QVERIFY(!ThreadRuns(worker));
        }
        {
            // Closed while the photo is being decoded: waited for, the photo closed.
            holding = false;
            finished = false;
            worker = 0;
            auto* win = new Window;
            win->open(dir.path());
            QTRY_VERIFY(worker != 0);
            delete win;
            QVERIFY(finished);
            QVERIFY(!ThreadRuns(worker));
            QVERIFY(!OpenFiles().contains(canonical));
        }
    }
};

int main(int argc, char** argv) {
    return RunQtTest<ThumbnailTest>(argc, argv);
}

#include "thumbnail_test.moc"
