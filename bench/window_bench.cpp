// Prints figures for the main window: selecting a 24-megapixel photo (Exif read and thumbnail)
// against a full-size decode of the same file, browsing twenty of them with the arrow keys, and
// folder-mode runs over many copies of a camera photo. Run from bench/run.sh; it makes its
// photos in a temporary folder.

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageReader>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "photo/FrmViewer.h"
#include "photo/ThumbnailLoader.h"
#include "ui/MessageService.h"
#include "ui/Texts.h"

using namespace tokimori;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// CPU time of the whole process, every thread, in milliseconds.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The load of the machine, as uptime prints it.
QString Load() {
    QFile f("/proc/loadavg");
    if (!f.open(QIODevice::ReadOnly)) return "?";
    return QString::fromLatin1(f.readAll()).section(' ', 0, 2);
}

bool Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    if (p.exitCode() != 0)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
    return p.exitCode() == 0;
}

// A 24-megapixel JPEG with a camera's Exif data; grain makes it as heavy to decode as a
// camera's 20 MB photo, none makes it light.
QString MakeBigPhoto(const QString& folder, const QString& camera, double grain) {
    const QString big = folder + QString("/big-%1.jpg").arg(grain);
    if (!Run("convert", {camera, "-resize", "6000x4000!", "-attenuate", QString::number(grain),
                         "+noise", "Gaussian", "-quality", "92", big}))
        return {};
    if (!Run("exiftool", {"-q", "-overwrite_original", "-TagsFromFile", camera, "-all:all", big}))
        return {};
    return big;
}

void SelectionFigures(const QString& photos, double grain) {
    QTemporaryDir dir;
    const QString big = MakeBigPhoto(dir.path(), photos + "/Canon_40D.jpg", grain);
    if (big.isEmpty()) return;
    const QSize size = QImageReader(big).size();
    std::printf("24-megapixel photo: %dx%d, %.1f MB\n", size.width(), size.height(),
                QFileInfo(big).size() / 1e6);

    // Two copies, selected in turn: a photo shown just before is not decoded again.
    QFile::copy(big, dir.filePath("copy.jpg"));
    FrmMain w;
    w.show();
    w.findChild<FolderList*>("Dir1")->setPath(S(dir.path()));
    FileList* files = w.findChild<FileList*>("File1");
    w.waitForThumbnail();
    std::vector<double> select, full;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        files->setCurrentRow(1 - files->currentRow()); // runs File1_Click
        w.waitForThumbnail();
        select.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        QImageReader reader(big);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        QImage thumb = image.scaled(193, 161, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        full.push_back(t.nsecsElapsed() / 1e6);
    }
    // Opening the photo viewer on it: read, decode for the screen, fit, show.
    std::vector<double> viewer;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        FrmViewer v(S(big), &w);
        v.loadPhoto();
        v.show();
        QCoreApplication::processEvents();
        viewer.push_back(t.nsecsElapsed() / 1e6);
        v.close();
    }
    std::printf("opening the photo viewer: %.1f ms (target: well under a second)\n",
                Median(viewer));
    const double s = Median(select), f = Median(full);
    std::printf("selecting it (Exif read, scaled decode until shown): %.1f ms\n", s);
    std::printf("full-size decode + scale of the same file: %.1f ms\n", f);
    std::printf("ratio: %.2f (target: at most 0.50)\n", s / f);
}

// Adds an Exif thumbnail (IFD1) of 160 × 107, as a camera embeds one, to photo.
bool AddExifThumbnail(const QString& photo) {
    const QString thumb = photo + ".thumb.jpg";
    if (!Run("convert", {photo, "-thumbnail", "160x120", "-quality", "85", thumb})) return false;
    const bool added =
        Run("exiftool", {"-q", "-overwrite_original", "-ThumbnailImage<=" + thumb, photo});
    QFile::remove(thumb);
    return added;
}

// Notes when the thumbnail paints a picture it has not painted before.
class PaintWatch : public QObject {
  public:
    explicit PaintWatch(QLabel* label) : label_(label) { label->installEventFilter(this); }
    // From now on: the time to the first new picture painted, and to the last one.
    void arm() {
        clock_.start();
        first_ = last_ = -1;
    }
    double first() const { return first_; }
    double last() const { return last_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != label_ || e->type() != QEvent::Paint || label_->pixmap().isNull())
            return false;
        const qint64 key = label_->pixmap().cacheKey();
        if (key == shown_) return false;
        shown_ = key;
        if (!clock_.isValid()) return false;
        last_ = clock_.nsecsElapsed() / 1e6;
        if (first_ < 0) first_ = last_;
        return false;
    }

  private:
    QLabel* label_;
    QElapsedTimer clock_;
    qint64 shown_ = 0;
    double first_ = -1, last_ = -1;
};

// Runs the event loop, sleeping while there is nothing to do, until clock reaches ms (at least
// once, for what is pending).
void WaitUntil(const QElapsedTimer& clock, qint64 ms) {
    QEventLoop loop;
    QTimer::singleShot(int(qMax<qint64>(0, ms - clock.elapsed())), Qt::PreciseTimer, &loop,
                       &QEventLoop::quit);
    loop.exec();
}

// Lets the window finish what a selection started: the decode and the painting.
void Settle(FrmMain& w) {
    QTest::qWait(300);
    w.waitForThumbnail();
    QTest::qWait(50);
}

// Twenty copies of a grainy 24-megapixel photo with an Exif thumbnail: one selection from
// rest, and 19 Down presses 30 ms apart, CPU time until the window is idle again.
void BrowsingFigures(const QString& photos) {
    QTemporaryDir dir;
    const QString big = MakeBigPhoto(dir.path(), photos + "/Canon_40D.jpg", 0.6);
    if (big.isEmpty() || !AddExifThumbnail(big)) return;
    const QString folder = dir.filePath("twenty");
    QDir().mkpath(folder);
    for (int i = 0; i < 20; ++i)
        QFile::copy(big, folder + QString("/P%1.jpg").arg(i, 2, 10, QChar('0')));

    FrmMain w;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) return;
    w.findChild<FolderList*>("Dir1")->setPath(S(folder));
    FileList* files = w.findChild<FileList*>("File1");
    auto* thumb = w.findChild<QLabel*>("Image2");
    PaintWatch watch(thumb);
    files->setFocus();
    Settle(w);
    std::printf("browsing 20 copies of a 24-megapixel photo with an Exif thumbnail "
                "(load %s):\n",
                qPrintable(Load()));

    std::vector<double> oneCpu, oneFirst, oneLast;
    for (int round = 0; round < 5; ++round) {
        const double cpu = CpuMs();
        watch.arm();
        QTest::keyClick(files, Qt::Key_Down);
        Settle(w);
        oneCpu.push_back(CpuMs() - cpu);
        oneFirst.push_back(watch.first());
        oneLast.push_back(watch.last());
    }
    const double one = Median(oneCpu);
    std::printf("  one selection: %.0f ms CPU; first picture after %.1f ms, final one after "
                "%.0f ms (medians of 5)\n",
                one, Median(oneFirst), Median(oneLast));

    // What the worker did: decodes begun, given up, and their CPU time.
    struct Worker {
        std::atomic<int> begun{0}, gaveUp{0};
        std::atomic<double> cpu{0};
    };
    static Worker worker;
    static thread_local double began = 0;
    static constexpr auto threadCpu = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    // The hooks name only what outlives this function; they are removed at its end.
    ThumbnailLoader::setSeam({[](const std::string&) {
                                  ++worker.begun;
                                  began = threadCpu();
                              },
                              [](const std::string&, bool gaveUp) {
                                  if (gaveUp) ++worker.gaveUp;
                                  worker.cpu = worker.cpu + (threadCpu() - began);
                              }});
    std::vector<double> burstCpu, burstLast, firsts;
    double worst = 0;
    for (int round = 0; round < 3; ++round) {
        files->setCurrentRow(0);
        Settle(w);
        worker.begun = worker.gaveUp = 0;
        worker.cpu = 0;
        const double cpu = CpuMs();
        QElapsedTimer clock;
        clock.start();
        double lastPress = 0;
        for (int press = 0; press < 19; ++press) {
            lastPress = clock.nsecsElapsed() / 1e6;
            watch.arm();
            QTest::keyClick(files, Qt::Key_Down);
            // The window at work until the next press; the first picture of this press if it
            // comes before.
            WaitUntil(clock, (press + 1) * 30);
            if (watch.first() >= 0) {
                firsts.push_back(watch.first());
                worst = std::max(worst, watch.first());
            }
        }
        Settle(w);
        burstCpu.push_back(CpuMs() - cpu);
        std::printf(
            "    round %d: %.0f ms CPU; %d decodes begun, %d gave up, %.0f ms CPU in them\n",
            round + 1, burstCpu.back(), worker.begun.load(), worker.gaveUp.load(),
            worker.cpu.load());
        burstLast.push_back(lastPress + watch.last());
        if (files->currentFileName() != "P19.jpg" || thumb->pixmap().isNull())
            std::printf("  the last photo is not shown!\n");
    }
    const double burst = Median(burstCpu);
    std::printf("  19 Down presses 30 ms apart: %.0f ms CPU until idle, %.1fx one selection "
                "(goal: at most 3x); the last photo's final picture %.0f ms after the first "
                "press (medians of 3)\n",
                burst, burst / one, Median(burstLast));
    std::printf("  key press to first picture in those presses: median %.1f ms, worst %.1f ms, "
                "%zu of %d presses painted one (goal: under 20 ms)\n",
                firsts.empty() ? -1.0 : Median(firsts), worst, firsts.size(), 3 * 19);
    ThumbnailLoader::setSeam({});
}

double TimeProcess(const QString& program, const QStringList& args) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    p.waitForFinished(-1);
    return t.nsecsElapsed() / 1e9;
}

void RunFigures(const QString& photos, int copies, const QString& floor) {
    QTemporaryDir dir, logs;
    const QString camera = photos + "/Canon_40D.jpg";
    for (int i = 0; i < copies; ++i)
        QFile::copy(camera, dir.filePath(QString("P%1.JPG").arg(i, 5, 10, QChar('0'))));

    FrmMain w;
    w.setLogFolder(logs.path());
    w.show();
    // Listing the folder into the file list, against ls.
    std::vector<double> listing, ls;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        w.findChild<FileList*>("File1")->setPath(S(dir.path()));
        listing.push_back(t.nsecsElapsed() / 1e9);
        ls.push_back(TimeProcess("ls", {dir.path()}));
    }
    std::printf(
        "listing %d photos into File1: %.1f ms; ls: %.1f ms; ratio %.2f (target: within 3x)\n",
        copies, Median(listing) * 1e3, Median(ls) * 1e3, Median(listing) / Median(ls));
    w.findChild<FolderList*>("Dir1")->setPath(S(QDir::rootPath()));
    w.findChild<FolderList*>("Dir1")->setPath(S(dir.path()));
    w.findChild<QCheckBox*>("ChkIkkatu")->setChecked(true);
    w.findChild<QCheckBox*>("ChkHoji")->setChecked(true);
    w.findChild<QDateEdit*>("DTPDate")->setDate(QDate(2006, 12, 24));
    QElapsedTimer t;
    t.start();
    w.CmdExe_Click();
    const double seconds = t.nsecsElapsed() / 1e9;
    const QByteArray first = [&] {
        QFile f(dir.filePath("P00000.JPG"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    if (!first.contains("2006:12:24")) std::printf("  the first copy was not rewritten!\n");
    std::printf("folder-mode run over %d copies of %s: %.2f s, %.0f files/s\n", copies,
                qPrintable(QFileInfo(camera).fileName()), seconds, copies / seconds);
    if (floor.isEmpty()) return;
    QTemporaryDir again;
    QStringList args{"2006:12:24 10:00:00", "1166950800", again.filePath("floor.log")};
    for (int i = 0; i < copies; ++i) {
        const QString f = again.filePath(QString("P%1.JPG").arg(i, 5, 10, QChar('0')));
        QFile::copy(camera, f);
        args << f;
    }
    const double floorSeconds = TimeProcess(floor, args);
    std::printf("  the floor over the same: %.2f s; window / floor %.2f (target: within 5x)\n",
                floorSeconds, seconds / floorSeconds);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    const QString photos =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString::fromUtf8(TOKIMORI_PHOTOS);
    const QString floor = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    MessageService::setResponder([](const Message& m) {
        std::printf("  message: %s\n", qPrintable(QString(m.text).replace("\r\n", " ")));
        return MessageAnswer::Ok;
    });
    // A third argument names the one part to measure: selection, browsing or runs.
    const QString only = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    auto wanted = [&](const char* part) { return only.isEmpty() || only == part; };
    if (wanted("selection"))
        for (double grain : {0.6, 0.0})
            SelectionFigures(photos, grain);
    if (wanted("browsing")) BrowsingFigures(photos);
    if (wanted("runs"))
        for (int copies : {1000, 10000})
            RunFigures(photos, copies, floor);
    return 0;
}
