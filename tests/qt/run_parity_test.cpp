// The window's run and `tokimori-cli set` are one run: on the same copies they give the same
// bytes, the same file times and the same log lines.

#include <QCheckBox>
#include <QDateEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

const QStringList kPhotos{"Canon_40D.jpg", "Nikon_D70.jpg", "Sony_HDR-HC3.jpg",
                          "exif-org_olympus-c960.jpg", "xmp_no_exif.jpg"};

// Log lines without their time stamp and with the photos' folder cut out.
QStringList LogLines(const QString& logs, const QString& folder) {
    QFile f(logs + "/Date" + QDate::currentDate().toString("yyyyMMdd") + ".log");
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (QString line : QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts))
        out << line.mid(19).replace(QDir::toNativeSeparators(folder), "<folder>");
    return out;
}

} // namespace

class RunParityTest : public QObject {
    Q_OBJECT

  private slots:
    void windowAndCommandLineAgree_data() {
        QTest::addColumn<bool>("keepTime");
        QTest::addColumn<QString>("onlyDate");
        QTest::newRow("plain") << false << QString();
        QTest::newRow("keep-time") << true << QString();
        QTest::newRow("filter") << true << QString("2008:05:30");
    }

    void windowAndCommandLineAgree() {
        QFETCH(bool, keepTime);
        QFETCH(QString, onlyDate);
        QTemporaryDir a, b, logsA, logsB;
        for (const QString& name : kPhotos) {
            QVERIFY(QFile::copy(PhotosDir() + "/" + name, a.filePath(name)));
            QVERIFY(QFile::copy(PhotosDir() + "/" + name, b.filePath(name)));
            // One time of day for both copies, which a run that keeps it must keep alike.
            const QDateTime own(QDate(2008, 5, 30), QTime(15, 56, 1));
            for (QTemporaryDir* d : {&a, &b}) {
                QFile f(d->filePath(name));
                QVERIFY(f.open(QIODevice::ReadWrite) &&
                        f.setFileTime(own, QFileDevice::FileModificationTime));
            }
        }
        MessageRecorder messages;
        {
            FrmMain w;
            w.setLogFolder(logsA.path());
            w.show();
            w.findChild<FolderList*>("Dir1")->setPath(S(a.path()));
            w.findChild<QDateEdit*>("DTPDate")->setDate(QDate(2006, 12, 24));
            w.findChild<QTimeEdit*>("DTPTime")->setTime(QTime(10, 0, 0));
            w.findChild<QCheckBox*>("ChkIkkatu")->setChecked(true);
            w.findChild<QCheckBox*>("ChkHoji")->setChecked(keepTime);
            if (!onlyDate.isEmpty()) {
                w.findChild<QCheckBox*>("ChkUme")->setChecked(true);
                w.findChild<QDateEdit*>("DTPumeDate")
                    ->setDate(QDate::fromString(onlyDate, "yyyy:MM:dd"));
            }
            w.CmdExe_Click();
        }
        QStringList args{"set", "--date", "2006:12:24", "--log-dir", logsB.path()};
        args << (keepTime ? QStringList{"--keep-time"} : QStringList{"--time", "10:00:00"});
        if (!onlyDate.isEmpty()) args << "--only-date" << onlyDate;
        args << b.path();
        QProcess cli;
        cli.start(TOKIMORI_CLI, args);
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);

        int changed = 0;
        for (const QString& name : kPhotos) {
            const QByteArray bytes = ReadBytes(a.filePath(name));
            QCOMPARE(bytes, ReadBytes(b.filePath(name)));
            if (bytes == ReadBytes(PhotosDir() + "/" + name)) continue; // the copies' own times
            ++changed;
            QCOMPARE(QFileInfo(a.filePath(name)).lastModified(),
                     QFileInfo(b.filePath(name)).lastModified());
        }
        QVERIFY(changed >= 1);
        const QStringList linesA = LogLines(logsA.path(), a.path());
        QVERIFY(!linesA.isEmpty());
        QCOMPARE(linesA, LogLines(logsB.path(), b.path()));
    }
};

int main(int argc, char** argv) {
    return RunQtTest<RunParityTest>(argc, argv);
}

#include "run_parity_test.moc"
