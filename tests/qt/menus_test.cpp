// The file menu's commands on copies of the test photos: shifting dates, file times from the
// shooting date, undo from the window and the log folder, with every message answered by a
// recorder and every dialog driven as a user would.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <map>

#include "MainWindowUnderTest.h"
#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "app/FrmShift.h"
#include "app/FrmUndo.h"
#include "base/PositionedFile.h"
#include "exif/ByteReader.h"
#include "exif/DateCopies.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"
#include "run/DateKinds.h"
#include "view/Commands.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

struct Window : MainWindowUnderTest {
    QStringList opened; // folders shown in the file manager
    Window() {
        w.setFolderOpener([this](const QString& f) {
            opened << f;
            return true;
        });
    }
    void trigger(const char* action) { get<QAction>(action)->trigger(); }
};

template <class T> T* Child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(name);
    if (!c) qWarning("no %s", name);
    return c;
}

// The date texts of a photo as the Exif engine finds them, by tag.
std::map<uint16_t, std::string> DateTexts(const QString& path) {
    std::map<uint16_t, std::string> out;
    auto file = PositionedFile::open(path.toStdString(), PositionedFile::Mode::Read);
    if (!file) return out;
    ByteReader r(file.value());
    for (const DateSlot& s : FindDateSlots(r))
        out[s.tag] = r.text(s.offset, 19).value_or("");
    return out;
}

QDateTime FromDateText(const std::string& text) {
    return QDateTime::fromString(QString::fromStdString(text), "yyyy:MM:dd HH:mm:ss");
}

// Every date text of the copy is the original's moved by seconds, and no other byte changed.
void ExpectShifted(const QString& original, const QString& copy, int64_t seconds) {
    QString why;
    QVERIFY2(OnlyDateTextsChanged(ReadBytes(original), ReadBytes(copy), 19, &why),
             qPrintable(copy + ": " + why));
    const auto before = DateTexts(original);
    const auto after = DateTexts(copy);
    QVERIFY(!before.empty());
    QCOMPARE(after.size(), before.size());
    for (const auto& [tag, text] : before)
        QCOMPARE(after.at(tag), ShiftDateText(text, seconds).value());
    const std::string shot = after.count(0x9003) ? after.at(0x9003) : after.at(0x0132);
    QCOMPARE(Modified(copy), FromDateText(shot));
}

// Chooses row in the undo dialog and undoes it.
void UndoRunAt(FrmUndo* d, int row) {
    auto* runs = Child<QTreeWidget>(d, "lst_Runs");
    runs->setCurrentItem(runs->topLevelItem(row));
    QTest::mouseClick(Child<QPushButton>(d, "cmdUndo"), Qt::LeftButton);
}

// The runs the undo dialog lists: when, kind, count and folder of each row.
QList<QStringList> Rows(FrmUndo* d) {
    QList<QStringList> rows;
    auto* runs = Child<QTreeWidget>(d, "lst_Runs");
    for (int i = 0; i < runs->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = runs->topLevelItem(i);
        rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)};
    }
    return rows;
}

// The current photo as the shift dialog gets it: read, with this shooting date.
FrmShift::Photo Current(const char* name, const char* shot) {
    FrmShift::Photo p;
    p.name = name;
    p.read = true;
    p.fields.dateTimeOriginal = shot;
    return p;
}

const QString kNoTargets = "変換対象のファイルが存在しませんでした。";

} // namespace

class MenusTest : public QObject {
    Q_OBJECT

  private slots:
    void theFileMenuHoldsTheNewCommandsBeforeExit() {
        FrmMain w;
        auto* file = w.findChild<QMenu*>("mnuFile");
        QStringList names, captions;
        for (QAction* a : file->actions()) {
            names << (a->isSeparator() ? QString("-") : a->objectName());
            captions << a->text();
        }
        QCOMPARE(names, (QStringList{"mnuShift", "mnuFileTime", "mnuUndo", "mnuLogFolder", "-",
                                     "mnuAllCopies", "mnuAllKinds", "-", "mnuEnd"}));
        QCOMPARE(captions, (QStringList{"日時をずらす(&S)...",
                                        "ファイル日付を撮影日時に合わせる(&F)", "元に戻す(&U)...",
                                        "ログフォルダを開く(&L)", "", "XMP・IPTCの日付も合わせる",
                                        "写真と動画をすべて表示", "", "終了(&X)"}));
        QVERIFY(w.findChild<QAction*>("mnuAllCopies")->isCheckable());
        QVERIFY(w.findChild<QAction*>("mnuAllKinds")->isCheckable());
    }

    // The item offers the other photos and movies beside the JPEGs, and a run does them alike.
    void theAllKindsItemListsPhotosAndMoviesAndARunDoesThem() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"},
                         {"../formats/IMG_5195.HEIC", "b.heic"},
                         {"../formats/QuickTime.mov", "c.mov"},
                         {"../formats/README.md", "d.md"}});
        MessageRecorder messages;
        {
            Window win;
            win.open(dir.path());
            QCOMPARE(win.files()->listCount(), 1);
            win.trigger("mnuAllKinds");
            QCOMPARE(win.files()->listCount(), 3);
            win.folderMode();
            win.pick(QDate(2020, 1, 2), QTime(3, 4, 5));
            win.run();
        }
        // Each keeps its own time of day: a photo's DateTime, a movie's creation time (UTC)
        // in local time, on the new day.
        for (const char* name : {"a.jpg", "b.heic", "c.mov"}) {
            std::vector<PhotoDate> dates;
            auto info = ReadExifInfo(S(dir.path()) + "/", name, &dates);
            QVERIFY(info && !dates.empty());
            const QDate day =
                info->movieCreated
                    ? QDateTime::fromSecsSinceEpoch(*info->movieCreated).date()
                    : QDate::fromString(U(dates.front().text.substr(0, 10)), "yyyy:MM:dd");
            QVERIFY2(day == QDate(2020, 1, 2), name);
        }
    }

    void shiftPreviewAndAmounts() {
        FrmShift d(nullptr, Current("a.jpg", "2008:02:28 23:30:00"), 1, 3, true);
        QVERIFY(Child<QRadioButton>(&d, "OptFolder")->isChecked());
        auto* ok = Child<QPushButton>(&d, "cmdOK");
        QVERIFY(!ok->isEnabled()); // no offset yet
        Child<QSpinBox>(&d, "txt_Days")->setValue(1);
        Child<QSpinBox>(&d, "txt_Minutes")->setValue(30);
        QVERIFY(ok->isEnabled());
        // Into the leap day, then back across the month.
        QCOMPARE(d.previewText(), QString("a.jpg\n2008:02:28 23:30:00 → 2008:03:01 00:00:00"));
        QTest::mouseClick(Child<QRadioButton>(&d, "OptMinus"), Qt::LeftButton);
        QCOMPARE(d.seconds(), -(86400 + 1800));
        QCOMPARE(d.previewText(), QString("a.jpg\n2008:02:28 23:30:00 → 2008:02:27 23:00:00"));
        Child<QSpinBox>(&d, "txt_Days")->setValue(3652059);
        QCOMPARE(d.previewText(), QString("a.jpg\n2008:02:28 23:30:00 をずらすと 1 年から 9999 "
                                          "年の範囲を外れます。"));
        QCOMPARE(U(ShiftAmountText(-(86400 * 2 + 3 * 3600 + 4))), QString("2日3時間4秒"));
        QCOMPARE(U(ShiftAmountText(5 * 60)), QString("5分"));

        FrmShift bad(nullptr, Current("b.jpg", "2008:13:01 00:00:00"), 1, 1, false);
        QVERIFY(Child<QRadioButton>(&bad, "OptSelected")->isChecked());
        QCOMPARE(bad.previewText(), QString("b.jpg\n2008:13:01 00:00:00 は正しい日時ではないため、"
                                            "ずらせません。"));
        FrmShift none(nullptr, Current("c.jpg", ""), 1, 1, false);
        QCOMPARE(none.previewText(), QString("c.jpg\n撮影日時がありません。"));
        FrmShift nothing(nullptr, {}, 0, 0, false);
        QCOMPARE(nothing.previewText(), QString("写真が選択されていません。"));
    }

    void shiftOfTheSelectionIsUndoneExactly() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"},
                         {"Nikon_D70.jpg", "b.jpg"},
                         {"Sony_HDR-HC3.jpg", "c.jpg"}});
        const QDateTime was(QDate(2010, 1, 2), QTime(3, 4, 5));
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            SetModified(dir.filePath(name), was);
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.files()->selectEntry(2); // a and c, c current
        const int64_t by = 86400 + 2 * 3600 + 3 * 60 + 4;
        QString preview;
        WhenModal<FrmShift>([&](FrmShift* d) {
            QVERIFY(Child<QRadioButton>(d, "OptSelected")->isChecked());
            Child<QSpinBox>(d, "txt_Days")->setValue(1);
            Child<QSpinBox>(d, "txt_Hours")->setValue(2);
            Child<QSpinBox>(d, "txt_Minutes")->setValue(3);
            Child<QSpinBox>(d, "txt_Seconds")->setValue(4);
            preview = d->previewText();
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        // Across midnight and into the next day.
        QCOMPARE(preview, QString("c.jpg\n2007:06:15 04:42:32 → 2007:06:16 06:45:36"));
        QCOMPARE(messages.texts(),
                 (QStringList{"選択した写真 2 件の撮影日時とファイル日付を 1日2時間3分4秒 "
                              "進めます。\r\nよろしいですか？",
                              "対象のファイル、 2件を処理が完了しました。"}));
        QCOMPARE(messages.shown[0].buttons, MessageButtons::OkCancel);
        ExpectShifted(PhotosDir() + "/Canon_40D.jpg", dir.filePath("a.jpg"), by);
        ExpectShifted(PhotosDir() + "/Sony_HDR-HC3.jpg", dir.filePath("c.jpg"), by);
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
        QCOMPARE(Modified(dir.filePath("b.jpg")), was);
        win.files()->setCurrentRow(2, QItemSelectionModel::ClearAndSelect); // c alone
        QVERIFY(win.w.exifInfoText().contains("2007:06:16 06:45:36"));

        // Undone from the undo dialog: every byte and the times as before.
        messages.shown.clear();
        QList<QStringList> rows;
        WhenModal<FrmUndo>([&](FrmUndo* d) {
            rows = Rows(d);
            UndoRunAt(d, 0);
            d->close();
        });
        win.trigger("mnuUndo");
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].mid(1),
                 (QStringList{"日時ずらし", "2", QDir::toNativeSeparators(dir.path())}));
        QVERIFY(rows[0][0].startsWith(QDate::currentDate().toString("yyyy/MM/dd ")));
        QCOMPARE(messages.texts().size(), 2);
        QCOMPARE(messages.texts()[0], rows[0][0] +
                                          " の「日時ずらし」で変更した写真 2 件を元に"
                                          "戻します。\r\nフォルダ: " +
                                          QDir::toNativeSeparators(dir.path()) +
                                          "\r\nよろしいですか？");
        QCOMPARE(messages.texts()[1],
                 QString("元に戻した写真: 2 件\r\n既に元の状態だった写真: 0 件"));
        QCOMPARE(messages.shown[1].icon, MessageIcon::Information);
        for (const auto& [copy, original] :
             {std::pair{"a.jpg", "Canon_40D.jpg"}, std::pair{"c.jpg", "Sony_HDR-HC3.jpg"}}) {
            QCOMPARE(ReadBytes(dir.filePath(copy)), ReadBytes(PhotosDir() + "/" + original));
            QCOMPARE(Modified(dir.filePath(copy)), was);
        }
        // The panel shows the photo as it is again, without being asked.
        QVERIFY(win.w.exifInfoText().contains("2007:06:15 04:42:32"));
    }

    // With the item checked, the run button and a shift change the XMP copies too; without it
    // they stay, and the panel's tooltip names the copy that no longer says the shooting date.
    void theCopiesItemTakesTheXmpDatesAlong() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Nikon_D70.jpg", "a.jpg"}});
        const QString photo = dir.filePath("a.jpg");
        auto xmpOriginal = [&] {
            std::vector<PhotoDate> dates;
            (void)ReadExifInfo(S(dir.path()) + "/", "a.jpg", &dates);
            for (const PhotoDate& d : dates)
                if (d.where == "XMP-exif:DateTimeOriginal") return d.text.substr(0, 19);
            return std::string();
        };
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        auto* info = win.get<QWidget>("txt_Exif_Info");
        QCOMPARE(info->toolTip(), QString());
        win.trigger("mnuAllCopies");
        win.pick(QDate(2020, 1, 2), QTime(3, 4, 5));
        win.run();
        QCOMPARE(xmpOriginal(), "2020-01-02T03:04:05");
        WhenModal<FrmShift>([&](FrmShift* d) {
            Child<QSpinBox>(d, "txt_Hours")->setValue(1);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QCOMPARE(xmpOriginal(), "2020-01-02T04:04:05");
        QCOMPARE(info->toolTip(), QString());
        win.trigger("mnuAllCopies");
        win.pick(QDate(2021, 1, 2), QTime(3, 4, 5));
        win.run();
        QCOMPARE(xmpOriginal(), "2020-01-02T04:04:05");
        QVERIFY2(info->toolTip().startsWith("XMP・IPTC の撮影日時が Exif の撮影日時（2021:01:02 "
                                            "03:04:05）と異なります:\nXMP-exif:DateTimeOriginal "
                                            "2020-01-02T04:04:05"),
                 qPrintable(info->toolTip()));
    }

    void theClockPhotoMovesItsCameraAlone() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        MessageRecorder messages;
        Window win;
        win.open(dir.path()); // a.jpg is the current photo: the reference
        win.folderMode();
        QString photo, offset;
        bool amountOff = false;
        WhenModal<FrmShift>([&](FrmShift* d) {
            auto* reference = Child<QGroupBox>(d, "FraReference");
            QVERIFY(reference->isEnabled() && !reference->isChecked());
            reference->setChecked(true);
            amountOff = !Child<QGroupBox>(d, "FraAmount")->isEnabled();
            Child<QTimeEdit>(d, "DTPTrueTime")->setTime(QTime(16, 0, 0)); // shot at 15:56:01
            photo = Child<QLabel>(d, "lbl_RefPhoto")->text();
            offset = d->referenceOffsetText();
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QVERIFY(amountOff);
        QCOMPARE(photo,
                 QString("a.jpg\n撮影日時: 2008:05:30 15:56:01\nカメラ: Canon Canon EOS 40D"));
        QCOMPARE(offset, QString("ずらす量: 3分59秒 進める（+0:03:59）"));
        QCOMPARE(messages.texts(),
                 (QStringList{"フォルダ内の写真 2 件のうち、基準写真と同じカメラ（Canon Canon EOS "
                              "40D）の写真の撮影日時とファイル日付を 3分59秒 進めます。\r\n別のカ"
                              "メラの写真は変更しません。\r\nよろしいですか？",
                              "次の写真は基準写真と別のカメラの写真のため、変更しませんでした。"
                              "\r\nb.jpg",
                              "対象のファイル、 1件を処理が完了しました。"}));
        ExpectShifted(PhotosDir() + "/Canon_40D.jpg", dir.filePath("a.jpg"), 239);
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));

        // A photo that names no camera cannot be the reference, and says so.
        FrmShift unnamed(nullptr, Current("c.jpg", "2008:05:30 15:56:01"), 1, 1, false);
        QVERIFY(!Child<QGroupBox>(&unnamed, "FraReference")->isEnabled());
        QVERIFY(Child<QLabel>(&unnamed, "lbl_RefPhoto")->text().endsWith("基準にできません。"));
    }

    void shiftOfTheFolderAsksAndCancelChangesNothing() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"},
                         {"Kodak_CX7530.jpg", "b.jpg"},
                         {"xmp_no_exif.jpg", "n.jpg"}});
        const QDateTime was(QDate(2010, 1, 2), QTime(3, 4, 5));
        for (const char* name : {"a.jpg", "b.jpg", "n.jpg"})
            SetModified(dir.filePath(name), was);
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.folderMode();
        const int64_t by = -(16 * 3600);

        // Cancel in the confirmation keeps the dialog as it was; its Cancel closes it.
        messages.answers = {MessageAnswer::Cancel};
        bool stayed = false;
        WhenModal<FrmShift>([&](FrmShift* d) {
            QVERIFY(Child<QRadioButton>(d, "OptFolder")->isChecked());
            QTest::mouseClick(Child<QRadioButton>(d, "OptMinus"), Qt::LeftButton);
            Child<QSpinBox>(d, "txt_Hours")->setValue(16);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
            stayed = d->isVisible() && d->seconds() == by;
            QTest::mouseClick(Child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QVERIFY(stayed);
        QCOMPARE(messages.texts(),
                 QStringList{"フォルダ内の写真 3 件の撮影日時とファイル日付を 16時間 戻します。"
                             "\r\nよろしいですか？"});
        for (const auto& [copy, original] :
             {std::pair{"a.jpg", "Canon_40D.jpg"}, std::pair{"n.jpg", "xmp_no_exif.jpg"}}) {
            QCOMPARE(ReadBytes(dir.filePath(copy)), ReadBytes(PhotosDir() + "/" + original));
            QCOMPARE(Modified(dir.filePath(copy)), was);
        }
        QVERIFY(QDir(win.logs.path()).entryList(QDir::Files).isEmpty());

        // OK: back across midnight; a photo without Exif has its file time moved.
        messages.shown.clear();
        WhenModal<FrmShift>([&](FrmShift* d) {
            QTest::mouseClick(Child<QRadioButton>(d, "OptMinus"), Qt::LeftButton);
            Child<QSpinBox>(d, "txt_Hours")->setValue(16);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QCOMPARE(messages.texts().last(), QString("対象のファイル、 3件を処理が完了しました。"));
        ExpectShifted(PhotosDir() + "/Canon_40D.jpg", dir.filePath("a.jpg"), by);
        QCOMPARE(DateTexts(dir.filePath("a.jpg")).at(0x9003), std::string("2008:05:29 23:56:01"));
        ExpectShifted(PhotosDir() + "/Kodak_CX7530.jpg", dir.filePath("b.jpg"), by);
        QCOMPARE(ReadBytes(dir.filePath("n.jpg")), ReadBytes(PhotosDir() + "/xmp_no_exif.jpg"));
        QCOMPARE(Modified(dir.filePath("n.jpg")), was.addSecs(by));
        for (int i = 0; i < 3; ++i)
            QVERIFY(win.files()->selectedEntries()[size_t(i)]);

        // A photo gone from the folder since it was listed stops the run before any change.
        messages.shown.clear();
        QVERIFY(QFile::remove(dir.filePath("b.jpg")));
        const QByteArray a = ReadBytes(dir.filePath("a.jpg"));
        WhenModal<FrmShift>([&](FrmShift* d) {
            Child<QSpinBox>(d, "txt_Minutes")->setValue(5);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QCOMPARE(
            messages.texts().last(),
            QString("フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。\r\n\r\n"
                    "再度、「日時をずらす」を行って下さい。"));
        QCOMPARE(ReadBytes(dir.filePath("a.jpg")), a);
        QCOMPARE(win.files()->listCount(), 2);
    }

    void shiftLeavesTextsThatAreNoDatesAndSaysSo() {
        // p: its DateTimeOriginal is no date (month 13); q and r: none of their three texts is
        // one (a camera whose clock was never set), told together once.
        QTemporaryDir dir;
        CopyPhotos(
            dir,
            {{"Canon_40D.jpg", "p.jpg"}, {"Canon_40D.jpg", "q.jpg"}, {"Canon_40D.jpg", "r.jpg"}});
        auto spoil = [&](const QString& name, QList<uint16_t> tags) {
            auto file = PositionedFile::open(dir.filePath(name).toStdString(),
                                             PositionedFile::Mode::ReadWrite);
            QVERIFY(file.ok());
            ByteReader r(file.value());
            const std::string bad = "2008:13:30 15:56:01";
            for (const DateSlot& s : FindDateSlots(r))
                if (tags.contains(s.tag))
                    QVERIFY(
                        r.write(s.offset,
                                std::span(reinterpret_cast<const uint8_t*>(bad.data()), bad.size()))
                            .ok());
        };
        spoil("p.jpg", {0x9003});
        spoil("q.jpg", {0x0132, 0x9003, 0x9004});
        spoil("r.jpg", {0x0132, 0x9003, 0x9004});
        const QByteArray q = ReadBytes(dir.filePath("q.jpg"));
        const QDateTime qTime = Modified(dir.filePath("q.jpg"));
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        WhenModal<FrmShift>([&](FrmShift* d) {
            QTest::mouseClick(Child<QRadioButton>(d, "OptFolder"), Qt::LeftButton);
            Child<QSpinBox>(d, "txt_Minutes")->setValue(10);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QCOMPARE(messages.texts().mid(1),
                 (QStringList{"次の写真の日付は正しい日時でないか、ずらすと範囲を外れるため、"
                              "変更しませんでした。\r\nq.jpg\r\nr.jpg",
                              "次の写真の日付のうち、正しい日時でないもの（ずらすと範囲を外れるもの"
                              "を含む）はそのままにしました。\r\np.jpg",
                              "対象のファイル、 1件を処理が完了しました。"}));
        const auto p = DateTexts(dir.filePath("p.jpg"));
        QCOMPARE(p.at(0x9003), std::string("2008:13:30 15:56:01"));
        QCOMPARE(p.at(0x0132), std::string("2008:07:31 10:48:11"));
        QCOMPARE(p.at(0x9004), std::string("2008:05:30 16:06:01"));
        // Without a shooting date that is one, the file takes the moved DateTime.
        QCOMPARE(Modified(dir.filePath("p.jpg")), QDateTime(QDate(2008, 7, 31), QTime(10, 48, 11)));
        QCOMPARE(ReadBytes(dir.filePath("q.jpg")), q);
        QCOMPARE(Modified(dir.filePath("q.jpg")), qTime);
    }

    void fileTimeFollowsTheShootingDateAndIsUndone() {
        QTemporaryDir dir;
        CopyPhotos(
            dir,
            {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}, {"xmp_no_exif.jpg", "n.jpg"}});
        const QDateTime was(QDate(2010, 1, 2), QTime(3, 4, 5));
        for (const char* name : {"a.jpg", "b.jpg", "n.jpg"})
            SetModified(dir.filePath(name), was);
        MessageRecorder messages;
        Window win;
        win.open(dir.path());

        // The selected photo; Cancel changes nothing.
        messages.answers = {MessageAnswer::Cancel};
        win.trigger("mnuFileTime");
        QCOMPARE(messages.texts(), QStringList{"選択した写真 1 件のファイル日付を撮影日時に"
                                               "合わせます。\r\nよろしいですか？"});
        QCOMPARE(messages.shown[0].buttons, MessageButtons::OkCancel);
        QCOMPARE(Modified(dir.filePath("a.jpg")), was);
        messages.shown.clear();
        win.trigger("mnuFileTime");
        QCOMPARE(messages.texts().last(), QString("対象のファイル、 1件を処理が完了しました。"));
        QCOMPARE(Modified(dir.filePath("a.jpg")), QDateTime(QDate(2008, 5, 30), QTime(15, 56, 1)));
        QCOMPARE(Modified(dir.filePath("b.jpg")), was);

        // The folder: the photo without a shooting date is named once, at the end.
        messages.shown.clear();
        SetModified(dir.filePath("a.jpg"), was);
        win.folderMode();
        win.trigger("mnuFileTime");
        QCOMPARE(messages.texts(),
                 (QStringList{"フォルダ内の写真 3 件のファイル日付を撮影日時に合わせます。\r\n"
                              "よろしいですか？",
                              "次の写真には正しい撮影日時（埋込日付）が無いため、ファイル日付を"
                              "変更しませんでした。\r\nn.jpg",
                              "対象のファイル、 2件を処理が完了しました。"}));
        QCOMPARE(Modified(dir.filePath("a.jpg")), QDateTime(QDate(2008, 5, 30), QTime(15, 56, 1)));
        QCOMPARE(Modified(dir.filePath("b.jpg")), QDateTime(QDate(2008, 3, 15), QTime(9, 52, 1)));
        QCOMPARE(Modified(dir.filePath("n.jpg")), was);
        for (const auto& [copy, original] :
             {std::pair{"a.jpg", "Canon_40D.jpg"}, std::pair{"b.jpg", "Nikon_D70.jpg"},
              std::pair{"n.jpg", "xmp_no_exif.jpg"}})
            QCOMPARE(ReadBytes(dir.filePath(copy)), ReadBytes(PhotosDir() + "/" + original));

        // Both runs undone, newest first; a had its old time again before the second run, so
        // the first finds it as before.
        messages.shown.clear();
        QList<QStringList> rows;
        QList<QStringList> after;
        WhenModal<FrmUndo>([&](FrmUndo* d) {
            rows = Rows(d);
            UndoRunAt(d, 0);
            UndoRunAt(d, 1);
            after = Rows(d);
            d->close();
        });
        win.trigger("mnuUndo");
        QCOMPARE(rows.size(), 2);
        // Both are marked undone in the list.
        QCOMPARE(after[0][1], QString("ファイル日付（元に戻し済み）"));
        QCOMPARE(after[1][1], QString("ファイル日付（元に戻し済み）"));
        const QString folder = QDir::toNativeSeparators(dir.path());
        QCOMPARE(rows[0].mid(1), (QStringList{"ファイル日付", "2", folder}));
        QCOMPARE(rows[1].mid(1), (QStringList{"ファイル日付", "1", folder}));
        QCOMPARE(messages.texts().size(), 4);
        QCOMPARE(messages.texts()[1],
                 QString("元に戻した写真: 2 件\r\n既に元の状態だった写真: 0 件"));
        QCOMPARE(messages.texts()[3],
                 QString("元に戻した写真: 0 件\r\n既に元の状態だった写真: 1 件"));
        for (const char* name : {"a.jpg", "b.jpg", "n.jpg"})
            QCOMPARE(Modified(dir.filePath(name)), was);
    }

    void undoListsRunsNewestFirstAndRefusesAPhotoChangedSince() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        const QDateTime was(QDate(2010, 1, 2), QTime(3, 4, 5));
        for (const char* name : {"a.jpg", "b.jpg"})
            SetModified(dir.filePath(name), was);
        MessageRecorder messages;
        Window win;

        // Nothing to undo yet; a user's own file of a journal-like name is no run.
        QFile own(win.logs.filePath("Date20000101-notes.journal"));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.close();
        bool emptySaid = false;
        WhenModal<FrmUndo>([&](FrmUndo* d) {
            emptySaid = Child<QLabel>(d, "lbl_Empty")->isVisible() &&
                        !Child<QTreeWidget>(d, "lst_Runs")->isVisible() &&
                        !Child<QPushButton>(d, "cmdUndo")->isEnabled();
            d->close();
        });
        win.trigger("mnuUndo");
        QVERIFY(emptySaid);

        // A damaged journal is listed, and its undo says what could not be read.
        QFile damaged(win.logs.filePath("Date20000101-000000-1.journal"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("TOKIMORI-JOURNAL 2\tkind=set\n");
        damaged.close();
        WhenModal<FrmUndo>([&](FrmUndo* d) {
            QCOMPARE(Rows(d), (QList<QStringList>{{"", "（読み取れません）", "0", ""}}));
            UndoRunAt(d, 0);
            d->close();
        });
        win.trigger("mnuUndo");
        QCOMPARE(messages.texts().last(),
                 QString("元に戻した写真: 0 件\r\n既に元の状態だった写真: 0 件\r\n記録のうち 1 "
                         "行が読み取れないため、その行の写真は戻していません。"));
        QCOMPARE(messages.shown.last().icon, MessageIcon::Exclamation);
        QVERIFY(damaged.remove());

        // A date setting of a, file time of b, then a shift of both.
        win.open(dir.path());
        win.get<QDateEdit>("DTPDate")->setDate(QDate(2006, 12, 24));
        win.get<QTimeEdit>("DTPTime")->setTime(QTime(10, 0, 0));
        QTest::mouseClick(win.get<QPushButton>("CmdExe"), Qt::LeftButton);
        win.files()->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        win.trigger("mnuFileTime");
        WhenModal<FrmShift>([&](FrmShift* d) {
            QTest::mouseClick(Child<QRadioButton>(d, "OptFolder"), Qt::LeftButton);
            Child<QSpinBox>(d, "txt_Hours")->setValue(1);
            QTest::mouseClick(Child<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        });
        win.trigger("mnuShift");
        QCOMPARE(DateTexts(dir.filePath("a.jpg")).at(0x9003), std::string("2006:12:24 11:00:00"));

        // The date setting first: a has been shifted since, so it is refused and named.
        messages.shown.clear();
        QList<QStringList> rows;
        WhenModal<FrmUndo>([&](FrmUndo* d) {
            rows = Rows(d);
            UndoRunAt(d, 2);
            UndoRunAt(d, 0); // the shift
            UndoRunAt(d, 2); // now the date setting goes back too
            UndoRunAt(d, 1);
            d->close();
        });
        win.trigger("mnuUndo");
        QCOMPARE(rows.size(), 3);
        QStringList kinds;
        for (const QStringList& r : rows)
            kinds << r[1] + " " + r[2];
        QCOMPARE(kinds, (QStringList{"日時ずらし 2", "ファイル日付 1", "日付設定 1"}));
        QVERIFY(rows[0][0] >= rows[1][0] && rows[1][0] >= rows[2][0]);
        const QStringList texts = messages.texts();
        QCOMPARE(texts.size(), 8);
        QVERIFY2(texts[1].startsWith("元に戻した写真: 0 件\r\n既に元の状態だった写真: 0 件\r\n"
                                     "戻せなかった写真: 1 件\r\n" +
                                     dir.filePath("a.jpg") + "（実行の後で "),
                 qPrintable(texts[1]));
        QVERIFY(texts[1].endsWith(" が変更されています）\r\n後の実行で変更された写真は、その実行を"
                                  "先に元に戻すと戻せます。"));
        QCOMPARE(messages.shown[1].icon, MessageIcon::Exclamation);
        QCOMPARE(texts[3], QString("元に戻した写真: 2 件\r\n既に元の状態だった写真: 0 件"));
        QCOMPARE(texts[5], QString("元に戻した写真: 1 件\r\n既に元の状態だった写真: 0 件"));
        QCOMPARE(texts[7], QString("元に戻した写真: 1 件\r\n既に元の状態だった写真: 0 件"));
        QCOMPARE(ReadBytes(dir.filePath("a.jpg")), ReadBytes(PhotosDir() + "/Canon_40D.jpg"));
        QCOMPARE(ReadBytes(dir.filePath("b.jpg")), ReadBytes(PhotosDir() + "/Nikon_D70.jpg"));
        for (const char* name : {"a.jpg", "b.jpg"})
            QCOMPARE(Modified(dir.filePath(name)), was);
    }

    void theLogFolderIsMadeAndShown() {
        MessageRecorder messages;
        Window win;
        const QString folder = win.logs.filePath("new/logs");
        win.w.setLogFolder(folder);
        win.trigger("mnuLogFolder");
        QCOMPARE(win.opened, QStringList{folder});
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(messages.shown.isEmpty());

        // A file manager that cannot show it, and a file where the folder should be: told.
        win.w.setFolderOpener([](const QString&) { return false; });
        win.trigger("mnuLogFolder");
        QCOMPARE(messages.texts(), QStringList{"ログフォルダを開けません。\r\n" + folder});
        messages.shown.clear();
        QFile file(win.logs.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        win.w.setLogFolder(file.fileName());
        win.trigger("mnuLogFolder");
        QCOMPARE(messages.texts(),
                 QStringList{"ログフォルダを作成できません。\r\n" + file.fileName()});
    }

    void nothingToRunIsSaid() {
        QTemporaryDir dir;
        MessageRecorder messages;
        Window win;
        win.open(dir.path());
        win.trigger("mnuFileTime");
        QCOMPARE(messages.texts(), QStringList{kNoTargets});
        QVERIFY(QDir(win.logs.path()).entryList(QDir::Files).isEmpty());
    }
};

int main(int argc, char** argv) {
    return RunQtTest<MenusTest>(argc, argv);
}

#include "menus_test.moc"
