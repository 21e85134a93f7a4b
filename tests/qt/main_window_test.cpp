// The main window on copies of the test photos: the information panel, the thumbnail, and the
// date-setting run in each of its option modes, with every message answered by a recorder.

#include <QCheckBox>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QtTest>

#include "MainWindowUnderTest.h"
#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "base/Paths.h"

#include <filesystem>

using namespace tokimori;
using namespace tokimori::test;

namespace {

const QDate kNewDate(2006, 12, 24);
const QTime kNewTime(10, 0, 0);

struct Window : MainWindowUnderTest {
    QStringList logLines() {
        QFile f(logs.filePath("Date" + QDate::currentDate().toString("yyyyMMdd") + ".log"));
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
        lines.removeAll("");
        return lines;
    }
};

void ExpectOnlyDates(const QString& original, const QString& copy, int limit = 19) {
    QString why;
    QVERIFY2(OnlyDateTextsChanged(ReadBytes(original), ReadBytes(copy), limit, &why),
             qPrintable(copy + ": " + why));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void namesThatAreNoUtf8AreShownBrowsedAndRun() {
#ifdef _WIN32
        QSKIP("Windows names are UTF-16");
#else
        // An old camera card's Shift_JIS names: the photo and a folder.
        QTemporaryDir dir;
        const std::string folder = S(dir.path());
        const std::string photo = JoinPath(folder, "sjis_\x93\xfa\x95t.jpg");
        std::filesystem::copy_file(S(PhotosDir()) + "/Canon_40D.jpg", photo);
        std::filesystem::create_directory(JoinPath(folder, "card_\x93\xfa\x95t"));
        MessageRecorder messages;
        MainWindowUnderTest win;
        win.open(dir.path());
        QCOMPARE(win.files()->shownName(0), QString("sjis_日付.jpg"));
        QVERIFY(win.panel().contains("2008:05:30 15:56:01"));
        auto* dirs = win.get<FolderList>("Dir1");
        QCOMPARE(U(dirs->entryPath(dirs->count() - 1)), U(JoinPath(folder, "card_\x93\xfa\x95t")));
        QVERIFY(dirs->item(dirs->count() - 1)->text().endsWith("card_日付"));
        // A folder-mode run changes it (the list is not stale).
        win.pick(QDate(2006, 12, 24), QTime(10, 0, 0));
        win.folderMode();
        win.run();
        QVERIFY2(messages.texts().join("|").indexOf("更新") < 0,
                 qPrintable(messages.texts().join("|")));
        auto read = ReadExifInfo(folder + "/", "sjis_\x93\xfa\x95t.jpg");
        QVERIFY(read.ok());
        QCOMPARE(read->summary.EmbeddedDate.substr(0, 10), std::string("2006:12:24"));
        QVERIFY(win.panel().contains("2006:12:24"));
        std::filesystem::remove_all(folder); // names Qt's own clean-up cannot read
#endif
    }

    void panelShowsTheFourteenLines() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"},
                         {"PaintTool_sample.jpg", "b.jpg"},
                         {"xmp_no_exif.jpg", "c.jpg"}});
        SetModified(dir.filePath("a.jpg"), QDateTime(QDate(2004, 3, 1), QTime(7, 5, 9)));
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        QCOMPARE(U(win.files()->currentFileName()), QString("a.jpg"));
        QCOMPARE(win.panel(),
                 QString("サイズ(横×縦)\r\n100×68\r\n\r\n埋込日付(撮影日時)\r\n"
                         "2008:05:30 15:56:01\r\n\r\nファイル日付\r\n2004/03/01 07:05:09"
                         "\r\n\r\nメーカー名\r\nCanon\r\n\r\nモデル名\r\nCanon EOS 40D"));
        QCOMPARE(win.get<QPlainTextEdit>("txt_Exif_Info")->toPlainText().split('\n').size(), 14);
        QCOMPARE(win.w.lastRead().embeddedDate, QString("2008:05:30 15:56:01"));
        QCOMPARE(win.w.lastRead().fileDate, QString("2004/03/01 7:05:09"));

        // Without Make and Model, right after a photo that had them: lines 11 and 14 empty.
        win.files()->setCurrentRow(1);
        const QStringList lines = win.panel().split("\r\n");
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[1], QString("88×100"));
        QCOMPARE(lines[10], QString());
        QCOMPARE(lines[13], QString());

        // No Exif by the head rules: one line, and the thumbnail is still shown.
        win.files()->setCurrentRow(2);
        QCOMPARE(win.panel(), QString("ファイルの日付情報が取得できません"));
        QVERIFY(win.w.waitForThumbnail());
        QVERIFY(win.get<QLabel>("Image2")->isVisible());
        QVERIFY(messages.shown.isEmpty());
    }

    void panelSelectionRules() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        auto* thumb = win.get<QLabel>("Image2");
        QVERIFY(win.w.waitForThumbnail());
        QVERIFY(thumb->isVisible());

        // Two selected: empty box, thumbnail cleared.
        win.files()->selectEntry(1);
        QCOMPARE(win.panel(), QString());
        QVERIFY(thumb->pixmap().isNull());
        QVERIFY(!thumb->isVisible());

        // Nothing selected: empty box, thumbnail unchanged.
        win.files()->setCurrentRow(0);
        QVERIFY(win.w.waitForThumbnail());
        QVERIFY(!thumb->pixmap().isNull());
        win.files()->setCurrentRow(-1, QItemSelectionModel::Clear);
        win.w.File1_Click();
        QCOMPARE(win.panel(), QString());
        QVERIFY(win.w.waitForThumbnail());
        QVERIFY(!thumb->pixmap().isNull());

        // The selected file deleted from outside: one message, the list refreshed, panel kept.
        win.files()->setCurrentRow(0);
        const QString before = win.panel();
        QVERIFY(QFile::remove(dir.filePath("a.jpg")));
        win.w.File1_Click();
        QCOMPARE(
            messages.texts(),
            QStringList{"フォルダ内の情報が変更された可能性が有る為、最新の情報へ更新します。"});
        QCOMPARE(win.files()->listCount(), 1);
        QCOMPARE(win.panel(), before);
    }

    void thumbnailIsFittedIntoItsFrame() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_PowerShot_S40.jpg", "landscape.jpg"},
                         {"Fujifilm_FinePix_E500.jpg", "portrait.jpg"},
                         {"orientation_portrait_5.jpg", "turned.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        auto* frame = win.get<QLabel>("PicBack");
        auto* thumb = win.get<QLabel>("Image2");
        const QRect f = frame->geometry();
        auto expect = [&](int w, int h) {
            QVERIFY(FitsIn(thumb->geometry(), f, QSize(w, h)));
            QVERIFY(win.w.waitForThumbnail());
            QVERIFY(FitsIn(thumb->geometry(), f, QSize(w, h)));
            QVERIFY(thumb->isVisible());
        };
        expect(2272, 1704);
        QCOMPARE(thumb->width(), f.width()); // wider than the frame: fills its width
        win.files()->setCurrentRow(1);
        expect(59, 100);
        QCOMPARE(thumb->height(), f.height());
        // Stored 600 × 450 with orientation 5 (turned): shown upright, 450 × 600.
        win.files()->setCurrentRow(2);
        expect(450, 600);
        QVERIFY(messages.shown.isEmpty());
    }

    void runWithoutOptionsChangesTheSelectedPhoto() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        const QDateTime oldB = Modified(dir.filePath("b.jpg"));
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        const QString oldFileDate = win.w.lastRead().fileDate;
        win.pick(kNewDate, kNewTime);
        win.run();
        QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join('|')));
        ExpectOnlyDates(PhotosDir() + "/Canon_40D.jpg", dir.filePath("a.jpg"));
        QCOMPARE(Modified(dir.filePath("a.jpg")), QDateTime(kNewDate, kNewTime));
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
        QCOMPARE(Modified(dir.filePath("b.jpg")), oldB);
        QVERIFY(win.panel().contains("2006:12:24 10:00:00"));
        QVERIFY(!win.w.dateChanged());
        const QStringList log = win.logLines();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].mid(19),
                 " ExifData> [パス-" + QDir::toNativeSeparators(dir.filePath("a.jpg")) +
                     "] [埋込日付-2008:05:30 15:56:01] [ファイル日付-" + oldFileDate + "]");
    }

    void keepTimeChangesOnlyTheDate() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Nikon_D70.jpg", "a.jpg"}});
        SetModified(dir.filePath("a.jpg"), QDateTime(QDate(2011, 5, 6), QTime(7, 5, 9)));
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.pick(kNewDate, kNewTime);
        win.click("ChkHoji");
        QVERIFY(!win.get<QTimeEdit>("DTPTime")->isEnabled());
        win.run();
        QVERIFY(messages.shown.isEmpty());
        ExpectOnlyDates(PhotosDir() + "/Nikon_D70.jpg", dir.filePath("a.jpg"), 10);
        QCOMPARE(Modified(dir.filePath("a.jpg")), QDateTime(kNewDate, QTime(7, 5, 9)));
        QCOMPARE(win.w.lastRead().fileTime, QString("07:05:09"));
        QVERIFY(win.panel().contains("2006:12:24 09:52:01"));
    }

    void folderModeByMouseKeepsTimesAndReportsTheCount() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.pick(kNewDate, kNewTime);
        win.click("ChkIkkatu");
        QVERIFY(win.get<QCheckBox>("ChkHoji")->isChecked());
        QVERIFY(!win.get<QTimeEdit>("DTPTime")->isEnabled());
        win.run();
        QCOMPARE(messages.texts(), QStringList{"対象のファイル、 2件を処理が完了しました。"});
        QCOMPARE(messages.shown[0].title, QString("処理完了"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Information);
        ExpectOnlyDates(PhotosDir() + "/Canon_40D.jpg", dir.filePath("a.jpg"), 10);
        ExpectOnlyDates(PhotosDir() + "/Nikon_D70.jpg", dir.filePath("b.jpg"), 10);
        QCOMPARE(win.files()->selectedItems().size(), 2);
        QCOMPARE(win.logLines().size(), 2);
        QCOMPARE(win.panel(), QString()); // every entry selected
    }

    void folderModeByKeyboardAsksFirst() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.pick(kNewDate, kNewTime);
        auto* box = win.get<QCheckBox>("ChkIkkatu");
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(box->isChecked());
        QVERIFY(!win.get<QCheckBox>("ChkHoji")->isChecked());
        QVERIFY(win.get<QTimeEdit>("DTPTime")->isEnabled());

        messages.answers = {MessageAnswer::Cancel};
        win.run();
        QCOMPARE(messages.texts(),
                 QStringList{"フォルダ内の対象ファイルが全て同じ日付になります。\r\n"
                             "よろしいですか？"});
        QCOMPARE(messages.shown[0].buttons, MessageButtons::OkCancel);
        QCOMPARE(ReadBytes(dir.filePath("a.jpg")), ReadBytes(PhotosDir() + "/Canon_40D.jpg"));
        QVERIFY(win.logLines().isEmpty());

        messages.shown.clear();
        win.run(); // answered OK: every photo gets the full new date and time
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(messages.shown[1].text, QString("対象のファイル、 2件を処理が完了しました。"));
        QCOMPARE(Modified(dir.filePath("b.jpg")), QDateTime(kNewDate, kNewTime));
        ExpectOnlyDates(PhotosDir() + "/Nikon_D70.jpg", dir.filePath("b.jpg"));
    }

    void matchModeChangesOnlyMatchingTexts() {
        QTemporaryDir dir;
        // Canon_40D: DateTime 2008:07:31, DateTimeOriginal and Digitized 2008:05:30.
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        const QDateTime oldB = Modified(dir.filePath("b.jpg"));
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.pick(kNewDate, kNewTime);
        win.click("ChkUme");
        QVERIFY(win.get<QCheckBox>("ChkIkkatu")->isChecked());
        QVERIFY(win.get<QCheckBox>("ChkHoji")->isChecked());
        QVERIFY(win.get<QDateEdit>("DTPumeDate")->isEnabled());
        win.get<QDateEdit>("DTPumeDate")->setDate(QDate(2008, 5, 30));
        win.run();
        // a.jpg changed although its DateTime did not match; the last write left DateChanged
        // false, so the count of one is reported.
        QCOMPARE(messages.texts(), QStringList{"対象のファイル、 1件を処理が完了しました。"});
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
        QCOMPARE(Modified(dir.filePath("b.jpg")), oldB);
        QCOMPARE(Modified(dir.filePath("a.jpg")).date(), kNewDate);
        QCOMPARE(win.logLines().size(), 1);
        const QByteArray a = ReadBytes(dir.filePath("a.jpg"));
        QVERIFY(a.contains("2008:07:31 10:38:11"));
        QVERIFY(a.contains("2006:12:24 15:56:01"));
    }

    void aFileGoneBeforeTheRunStopsItFirst() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.files()->setCurrentRow(1);
        QVERIFY(QFile::remove(dir.filePath("a.jpg")));
        win.run();
        QCOMPARE(
            messages.texts(),
            QStringList{"フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。\r\n\r\n"
                        "再度、「 埋込日付設定実行 」を行って下さい。"});
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
        QCOMPARE(win.files()->listCount(), 1);
        QCOMPARE(win.files()->currentRow(), 0);
    }

    void aPhotoWithoutExifIsReportedAndTheOthersDone() {
        QTemporaryDir dir;
        CopyPhotos(
            dir,
            {{"Canon_40D.jpg", "a.jpg"}, {"xmp_no_exif.jpg", "b.jpg"}, {"Nikon_D70.jpg", "c.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.pick(kNewDate, kNewTime);
        win.click("ChkIkkatu");
        win.run();
        QCOMPARE(messages.texts(),
                 (QStringList{"ファイルの日付情報が取得できません\r\nb.jpgの更新に失敗しました",
                              "対象のファイル、 2件を処理が完了しました。"}));
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/xmp_no_exif.jpg"));
        ExpectOnlyDates(PhotosDir() + "/Nikon_D70.jpg", dir.filePath("c.jpg"), 10);
        QVERIFY(ReadBytes(dir.filePath("c.jpg")) != ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
    }

    void countOfOneIsReportedOnlyWhenTheLastWriteLeftDateChangedFalse() {
        for (const bool changedLast : {false, true}) {
            QTemporaryDir dir;
            CopyPhotos(dir, {{"Canon_40D.jpg", changedLast ? "b.jpg" : "a.jpg"},
                             {"xmp_no_exif.jpg", changedLast ? "a.jpg" : "b.jpg"}});
            MessageRecorder messages;
            Window win;
            win.open(dir.path());
            win.click("ChkIkkatu");
            win.run();
            QCOMPARE(messages.shown.size(), changedLast ? 1 : 2);
            QCOMPARE(messages.texts().contains("対象のファイル、 1件を処理が完了しました。"),
                     !changedLast);
        }
    }

    void nothingToChangeSaysSo() {
        QTemporaryDir dir;
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.run();
        QCOMPARE(messages.texts(), QStringList{"変換対象のファイルが存在しませんでした。"});
    }

    void aLogFolderThatCannotBeUsedStopsTheRunBeforeAnyPhoto() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        // A missing log folder is made and the run goes on.
        {
            MessageRecorder messages;
            Window win;
            win.w.setLogFolder(dir.filePath("made/logs"));
            win.open(dir.path());
            win.pick(kNewDate, kNewTime);
            win.run();
            QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.texts().join('|')));
            QVERIFY(QDir(dir.filePath("made/logs")).exists());
        }
        QFile::remove(dir.filePath("a.jpg"));
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}});
        // A file where the log folder should be: the run stops before the first photo.
        QFile blocker(dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        MessageRecorder messages;
        Window win;
        win.w.setLogFolder(dir.filePath("blocker"));
        win.open(dir.path());
        win.pick(kNewDate, kNewTime);
        win.click("ChkIkkatu");
        win.run();
        QCOMPARE(messages.texts(),
                 QStringList{"Error\r\n実行時エラー:75:パス名が無効です。:\r\nログの書き込み先: " +
                             dir.filePath("blocker")});
        QCOMPARE(messages.shown[0].icon, MessageIcon::Critical);
        QCOMPARE(ReadBytes(dir.filePath("a.jpg")), ReadBytes(PhotosDir() + "/Canon_40D.jpg"));
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
    }
};

int main(int argc, char** argv) {
    return RunQtTest<MainWindowTest>(argc, argv);
}

#include "main_window_test.moc"
