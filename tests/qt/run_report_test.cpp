// What the window's run tells a user: failures named with the photo and what the run had already
// changed, file times that could not be set told once, one box per failing photo, the status bar
// up to date under every box, a fixed end state of the panel, and photos shown after a run keep
// the times the run gave them.

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

#include "MainWindowUnderTest.h"
#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "base/Faults.h"
#include "filetime/FileDate.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

using Window = MainWindowUnderTest;

// Records each message with the status bar's count as it stood when the message appeared.
struct Recorder {
    QStringList texts;
    QStringList counts;
    explicit Recorder(Window& win) {
        MessageService::setResponder([this, &win](const Message& m) {
            texts << m.text;
            counts << win.get<QLabel>("stbProgress")->text();
            return MessageAnswer::Ok;
        });
    }
    ~Recorder() { MessageService::setResponder({}); }
};

Fault TimesCannotBeSet(FaultSite site) {
    return site == FaultSite::PhotoTimes ? Fault{Fault::Kind::Fail, 1 /* EPERM */} : Fault{};
}

class RunReportTest : public QObject {
    Q_OBJECT
  private slots:
    void aFailureNamesThePhotoAndWhatTheRunHadChanged() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"},
                         {"Nikon_D70.jpg", "b.jpg"},
                         {"Sony_HDR-HC3.jpg", "c.jpg"}});
        const QString b = dir.filePath("b.jpg");
        Window win;
        const ImmutableFile frozen(b); // until the function ends, before the folder goes
        if (!frozen) QSKIP("no immutable files here");
        win.open(dir.path());
        win.folderMode();
        Recorder seen(win);
        win.run();
        QCOMPARE(
            seen.texts,
            QStringList{"Error\r\n実行時エラー:70:書き込みできません。:\r\n" + b +
                        "\r\nこの実行で既に 1 件の写真を変更しました（ログに記録されています）。"});
        // The count under the box is that of the photo it speaks of, not an older one.
        QCOMPARE(seen.counts, QStringList{"2 / 3"});
        QCOMPARE(ReadBytes(dir.filePath("c.jpg")), ReadBytes(PhotosDir() + "/Sony_HDR-HC3.jpg"));
    }

    void timesThatCannotBeSetAreToldOnceAtTheEnd() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        Window win;
        win.open(dir.path());
        win.folderMode();
        Recorder seen(win);
        SetFaultHook(&TimesCannotBeSet);
        win.run();
        SetFaultHook(nullptr);
        QCOMPARE(seen.texts, (QStringList{"次の写真のファイル日付を設定できませんでした。\r\n"
                                          "a.jpg\r\nb.jpg",
                                          "対象のファイル、 2件を処理が完了しました。"}));
    }

    void aFileThatIsNoPhotoGivesOneBox() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}});
        QFile fake(dir.filePath("b.jpg"));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("this is a text, not a photo\n");
        fake.close();
        Window win;
        win.open(dir.path());
        win.folderMode();
        Recorder seen(win);
        win.run();
        const QStringList aboutFake = seen.texts.filter("b.jpg");
        QCOMPARE(aboutFake,
                 QStringList{"ファイルの日付情報が取得できません\r\nb.jpgの更新に失敗しました"});
        QCOMPARE(seen.counts.first(), QString("2 / 2"));
        // The panel ends on the photo the run could not change, its thumbnail place saying so.
        QCOMPARE(win.panel(), QString("ファイルの日付情報が取得できません"));
    }

    void theFolderRunsEndStateIsTheSameEveryTime() {
        for (int round = 0; round < 3; ++round) {
            QTemporaryDir dir;
            CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
            Window win;
            win.open(dir.path());
            win.folderMode();
            Recorder seen(win);
            win.run();
            // Every entry selected: the panel empty and the thumbnail cleared.
            QCOMPARE(win.files()->selectedEntries(), (std::vector<bool>{true, true}));
            QCOMPARE(win.panel(), QString());
            QVERIFY(win.get<QLabel>("Image2")->pixmap().isNull());
            QCOMPARE(seen.texts, QStringList{"対象のファイル、 2件を処理が完了しました。"});
        }
    }

    void aPhotoShownAfterItsRunKeepsTheTimesTheRunGaveIt() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}});
        const QString a = dir.filePath("a.jpg");
        Window win;
        win.open(dir.path());
        win.get<QDateEdit>("DTPDate")->setDate(QDate(2006, 12, 24));
        win.get<QTimeEdit>("DTPTime")->setTime(QTime(10, 0, 0));
        Recorder seen(win);
        win.run();
        QVERIFY(seen.texts.isEmpty());
        QVERIFY(win.panel().contains("2006:12:24 10:00:00")); // redrawn
        win.w.File1_Click();                                  // and once more
        QVERIFY(win.w.waitForThumbnail());
        const auto times = ReadFileTimes(a.toStdString());
        QVERIFY(times.ok());
        const int64_t when = LocalToUnix({2006, 12, 24, 10, 0, 0}).value();
        QCOMPARE(times->modified.seconds, when);
        QCOMPARE(times->accessed.seconds, when);
        QCOMPARE(times->accessed.nanoseconds, 0);
    }

    void aPhotoWithoutPixelSizeInExifShowsItsFrameSize() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"exif-org_kodak-dc210.jpg", "a.jpg"}});
        Window win;
        win.open(dir.path());
        QCOMPARE(win.panel().split("\r\n").value(1), QString("640×480"));
    }
};

} // namespace

int main(int argc, char** argv) {
    return RunQtTest<RunReportTest>(argc, argv);
}

#include "run_report_test.moc"
