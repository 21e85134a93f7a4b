// Prints figures for the main window: selecting a 24-megapixel photo (Exif read and thumbnail)
// against a full-size decode of the same file, and folder-mode runs over many copies of a
// camera photo. Run from bench/run.sh; it makes its photos in a temporary folder.

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QImageReader>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "photo/FrmViewer.h"
#include "ui/MessageService.h"

using namespace tokimori;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

    FrmMain w;
    w.show();
    w.findChild<FolderList*>("Dir1")->setPath(dir.path());
    FileList* files = w.findChild<FileList*>("File1");
    std::vector<double> select, full;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer t;
        t.start();
        w.File1_Click();
        select.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        QImageReader reader(big);
        reader.setAutoTransform(true);
        QImage image = reader.read();
        QImage thumb = image.scaled(193, 161, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        full.push_back(t.nsecsElapsed() / 1e6);
    }
    (void)files;
    // Opening the photo viewer on it: read, decode for the screen, fit, show.
    std::vector<double> viewer;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        FrmViewer v(big, &w);
        v.loadPhoto();
        v.show();
        QCoreApplication::processEvents();
        viewer.push_back(t.nsecsElapsed() / 1e6);
        v.close();
    }
    std::printf("opening the photo viewer: %.1f ms (target: well under a second)\n",
                Median(viewer));
    const double s = Median(select), f = Median(full);
    std::printf("File1_Click (Exif read + scaled decode): %.1f ms\n", s);
    std::printf("full-size decode + scale of the same file: %.1f ms\n", f);
    std::printf("ratio: %.2f (target: at most 0.50)\n", s / f);
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
        w.findChild<FileList*>("File1")->setPath(dir.path());
        listing.push_back(t.nsecsElapsed() / 1e9);
        ls.push_back(TimeProcess("ls", {dir.path()}));
    }
    std::printf(
        "listing %d photos into File1: %.1f ms; ls: %.1f ms; ratio %.2f (target: within 3x)\n",
        copies, Median(listing) * 1e3, Median(ls) * 1e3, Median(listing) / Median(ls));
    w.findChild<FolderList*>("Dir1")->setPath(QDir::rootPath());
    w.findChild<FolderList*>("Dir1")->setPath(dir.path());
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
    for (double grain : {0.6, 0.0})
        SelectionFigures(photos, grain);
    for (int copies : {1000, 10000})
        RunFigures(photos, copies, floor);
    return 0;
}
