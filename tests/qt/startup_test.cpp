// Start-up, shut-down, browsing keys and the window layout, with the settings in a temporary
// per-user folder and every message answered by a recorder.

#include <QAction>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QtTest>

#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "base/Version.h"
#include "ui/Twips.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

template <class T> T* Get(FrmMain& w, const char* name) {
    return w.findChild<T*>(name);
}

QString StatusText(FrmMain& w) {
    return Get<QLabel>(w, "stbPanel1")->text();
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        QSettings s = Store();
        s.clear();
    }

    void firstRunOpensThePicturesFolderElseHome() {
        MessageRecorder messages;
        const QString home = QDir::homePath();
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(w.windowTitle(), QString("Tokimori ") + kVersion);
            QCOMPARE(w.frameGeometry().topLeft(), QPoint(7, 7));
            QCOMPARE(w.frameGeometry().size(), QSize(849, 504));
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), home); // no Pictures folder yet
            QCOMPARE(StatusText(w), U(Get<FolderList>(w, "Dir1")->path()));
            QCOMPARE(Get<QDateEdit>(w, "DTPDate")->date(), QDate::currentDate());
            QCOMPARE(Get<QDateEdit>(w, "DTPumeDate")->date(), QDate::currentDate());
            w.close();
        }
        Store().clear();
        QVERIFY(QDir(home).mkpath("Pictures"));
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), home + "/Pictures");
            w.close();
        }
        // The desktop's own name for the folder (XDG user folders).
        Store().clear();
        QVERIFY(QDir(home).mkpath("写真"));
        QFile dirs(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs");
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_PICTURES_DIR=\"$HOME/写真\"\n");
        dirs.close();
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), home + "/写真");
            QCOMPARE(U(Get<DriveList>(w, "Drive1")->drive()), QString("/"));
            w.close();
        }
        dirs.remove();
        QDir(home).rmdir("写真");
        QDir(home).rmdir("Pictures");
        QVERIFY(messages.shown.isEmpty());
    }

    void reopensWhereItWasAndSavesOnClose() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        Store("DefPath", dir.path());
        Store("WTOP", "1215");
        Store("WLEFT", "-2400");
        Store("WWidth", "15000");
        Store("WHeight", "9000");
        Store("AllCopies", " true ");
        Store("AllKinds", "True");
        QFile::copy(PhotosDir() + "/../formats/QuickTime.mov", dir.filePath("c.mov"));
        MessageRecorder messages;
        QRect outer;
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(w.frameGeometry().topLeft(), QPoint(-160, 81));
            QCOMPARE(w.frameGeometry().size(), QSize(1000, 600));
            QCOMPARE(U(Get<FileList>(w, "File1")->currentFileName()), QString("a.jpg"));
            QVERIFY(w.exifInfoText().contains("Canon EOS 40D"));
            QAction* copies = w.findChild<QAction*>("mnuAllCopies");
            QVERIFY(copies->isChecked());
            copies->trigger();
            QVERIFY(w.findChild<QAction*>("mnuAllKinds")->isChecked());
            QCOMPARE(Get<FileList>(w, "File1")->listCount(), 3);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.move(30, 40);
            w.resize(900, 550);
            outer = w.frameGeometry();
            w.close();
        }
        // The outer frame, in twips.
        QCOMPARE(Stored("WTOP"), QString::number(outer.top() * 15));
        QCOMPARE(Stored("WLEFT"), QString::number(outer.left() * 15));
        QCOMPARE(Stored("WWidth"), QString::number(outer.width() * 15));
        QCOMPARE(Stored("WHeight"), QString::number(outer.height() * 15));
        QCOMPARE(outer.topLeft(), QPoint(30, 40));
        QCOMPARE(Stored("DefPath"), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(Stored("AllCopies"), QString("False"));
        QCOMPARE(Stored("AllKinds"), QString("True"));
        QVERIFY(messages.shown.isEmpty());
    }

    void aDeletedLastFolderOpensTheRootQuietly() {
        QString gone;
        {
            QTemporaryDir dir;
            gone = dir.path();
        }
        Store("DefPath", gone);
        MessageRecorder messages;
        FrmMain w;
        QVERIFY(w.Form_Load());
        QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), QDir::toNativeSeparators(QDir::rootPath()));
        QVERIFY(messages.shown.isEmpty());
    }

    void aVolumeThatIsGoneIsReportedOnce() {
        const QString card = "/media/tokimori-removed-card/DCIM/100CANON";
        Store("DefPath", card);
        MessageRecorder messages;
        FrmMain w;
        QVERIFY(w.Form_Load());
        QCOMPARE(messages.texts(),
                 QStringList{"前回､「" + card +
                             "」で終了しましたがドライブが存在しないか参照不可となっている為、\r\n"
                             "インストールドライブを初期値として開きます。"});
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(U(Get<DriveList>(w, "Drive1")->drive()), QString("/"));
    }

    void aStoredWidthThatIsNotANumberStopsStartUp() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}});
        Store("WTOP", "1215");
        Store("WWidth", "abc");
        Store("DefPath", dir.path());
        MessageRecorder messages;
        FrmMain w;
        QVERIFY(w.Form_Load());
        QCOMPARE(messages.texts(), QStringList{"13"});
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(w.frameGeometry().top(), 81);                      // applied before the failure
        QCOMPARE(w.windowTitle(), QString("Tokimori ") + kVersion); // applied before the failure
        QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), QString()); // not reached
    }

    void storedNumbersNoWindowCanTakeAreRunTimeErrors() {
        // nan, inf and 1e30 once reached an int conversion (undefined behaviour).
        const std::pair<const char*, const char*> cases[] = {
            {"nan", "13"}, {"inf", "13"}, {"-inf", "13"}, {"1e30", "6"}, {"-3e9", "6"}};
        for (const auto& [stored, number] : cases) {
            QTemporaryDir dir;
            Store("WHeight", stored);
            Store("DefPath", dir.path());
            MessageRecorder messages;
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(messages.texts(), QStringList{number});
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), QString()); // not reached
        }
    }

    void aSecondCopyIsRefusedAndStoresNothing() {
        MessageRecorder messages;
        FrmMain first;
        QVERIFY(first.Form_Load());
        {
            FrmMain second;
            QVERIFY(!second.Form_Load());
            QCOMPARE(messages.texts(), QStringList{"すでに起動しています。"});
            QCOMPARE(messages.shown[0].icon, MessageIcon::Information);
            second.close();
        }
        QCOMPARE(Stored("WTOP"), QString());
    }

    void aLockLeftByACrashedCopyIsTakenOver() {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (folder.isEmpty()) folder = QDir::tempPath();
        QFile stale(folder + "/tokimori.lock");
        QVERIFY(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stale.write("2147483646\ntokimori\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        MessageRecorder messages;
        FrmMain w;
        QVERIFY(w.Form_Load());
        QVERIFY(messages.shown.isEmpty());
    }

    void shutDownClosesHiddenWindowsFirst() {
        MessageRecorder messages;
        auto* w = new FrmMain;
        QVERIFY(w->Form_Load());
        w->show();
        QPointer<QWidget> hidden = new QWidget;
        hidden->setAttribute(Qt::WA_DeleteOnClose);
        hidden->hide();
        w->close();
        QTRY_VERIFY(hidden.isNull());
        QVERIFY(!Stored("WWidth").isEmpty());
        delete w;
    }

    void browsingKeys() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        QDir(dir.path()).mkdir("sub");
        MessageRecorder messages;
        FrmMain w;
        w.show();
        auto* dirs = Get<FolderList>(w, "Dir1");
        auto* files = Get<FileList>(w, "File1");
        dirs->setPath(S(dir.path()));
        QCOMPARE(StatusText(w), QDir::toNativeSeparators(dir.path()));

        QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(files->selectedItems().size(), 1);
        QTest::keyClick(files, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(files->selectedItems().size(), 2);

        // A photo added from outside appears after F5, with entry 0 selected.
        QFile::copy(PhotosDir() + "/Sony_HDR-HC3.jpg", dir.filePath("c.jpg"));
        QTest::keyClick(files, Qt::Key_F5);
        QCOMPARE(files->listCount(), 3);
        QCOMPARE(files->currentRow(), 0);

        // Enter opens the highlighted folder; a single click only highlights.
        const int subRow = dirs->count() - 1;
        QCOMPARE(U(dirs->entryPath(subRow)), QDir::toNativeSeparators(dir.filePath("sub")));
        dirs->setCurrentRow(subRow);
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.path()));
        QTest::keyClick(dirs, Qt::Key_Return);
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.filePath("sub")));
        QCOMPARE(files->listCount(), 0);
        QCOMPARE(w.exifInfoText(), QString());
        QCOMPARE(StatusText(w), U(dirs->path()));

        // A folder removed after the list showed it: reported, the list stays where it was.
        QTest::keyClick(files, Qt::Key_Backspace);
        QDir(dir.path()).mkdir("gone");
        dirs->refresh();
        const int goneRow = dirs->count() - 2; // "gone", "sub"
        QCOMPARE(U(dirs->entryPath(goneRow)), QDir::toNativeSeparators(dir.filePath("gone")));
        QDir(dir.path()).rmdir("gone");
        w.Dir1_Open(goneRow);
        QCOMPARE(messages.texts(), QStringList{"フォルダを読み込めません。\r\n" +
                                               QDir::toNativeSeparators(dir.filePath("gone"))});
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.path()));
        dirs->setPath(S(dir.filePath("sub")));

        // Backspace goes up, and stays at the root.
        QTest::keyClick(files, Qt::Key_Backspace);
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.path()));
        dirs->setPath(S(QDir::rootPath()));
        QTest::keyClick(dirs, Qt::Key_Backspace);
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(StatusText(w), U(dirs->path()));
    }

    void aDriveThatCannotBeReadIsReportedAndUndone() {
        QTemporaryDir dir;
        MessageRecorder messages;
        FrmMain w;
        auto* drives = Get<DriveList>(w, "Drive1");
        auto* dirs = Get<FolderList>(w, "Dir1");
        dirs->setPath(S(dir.path()));
        drives->setDrive(S(dir.path()));
        QCOMPARE(U(drives->drive()), QString("/"));
        // The user chooses a listed card that was pulled out meanwhile.
        drives->addItem("/media/tokimori-removed-card", "/media/tokimori-removed-card");
        drives->setCurrentIndex(drives->count() - 1);
        emit drives->activated(drives->count() - 1);
        QCOMPARE(messages.texts(), QStringList{"エラー"});
        QCOMPARE(messages.shown[0].icon, MessageIcon::None);
        QCOMPARE(U(drives->drive()), QString("/"));
        // The folder list stays where it was on that drive.
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.path()));
    }

    void layoutFollowsTheSteps() {
        MessageRecorder messages;
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize deco = w.frameGeometry().size() - w.size();
        for (const QSize size : {QSize(849, 504) - deco, QSize(1400, 900)}) {
            w.resize(size);
            QTRY_COMPARE(w.size(), size);
            const int SW = w.centralWidget()->width() * 15, SH = w.centralWidget()->height() * 15;
            const int frame2W = SW - 3730, frame2H = SH - 1020, file1L = frame2W - 5895,
                      file1H = frame2H - 200;
            const QMap<QString, QRect> expected{
                {"frm_MainBack", {-45, 450, SW + 100, SH + 100}},
                {"Frame2", {45, 180, frame2W, frame2H}},
                {"FraSet", {frame2W + 60, 180, 3705, SH - 1020}},
                {"File1", {file1L, 135, 2895, file1H}},
                {"txt_Exif_Info", {frame2W - 2970, 405, 2895, file1H - 270}},
                {"lbl_File_Info", {frame2W - 2970, 180, 1545, 240}},
                {"lbl_Back_Image0", {frame2W - 2970, 135, 2895, 270}},
                {"Drive1", {45, 135, file1L - 90, 300}},
                {"Dir1", {45, 450, file1L - 90, 2820}},
                {"PicBack", {45, 3330, file1L - 90, file1H - 3190}},
                {"CmdExe", {180, 2880, 3330, 540}}};
            for (auto it = expected.begin(); it != expected.end(); ++it) {
                QWidget* c = w.findChild<QWidget*>(it.key());
                QVERIFY(c);
                const QRect t = it.value();
                QCOMPARE(w.twipsRect(it.key()), t);
                QCOMPARE(c->geometry(), QRect(TwipsToPixels(t.x()), TwipsToPixels(t.y()),
                                              TwipsToPixels(t.width()), TwipsToPixels(t.height())));
            }
            // The file list stays right of the left column.
            QVERIFY(w.twipsRect("File1").left() > w.twipsRect("Dir1").right());
        }
        // Smaller than the minimum outer size: height is corrected first, then width.
        w.resize(600, 300);
        QTRY_COMPARE(w.frameGeometry().size(), QSize(849, 504));
        w.resize(900, 300);
        QTRY_COMPARE(w.frameGeometry().size(), QSize(900, 504) + QSize(deco.width(), 0));
    }
};

int main(int argc, char** argv) {
    return RunQtTest<StartupTest>(argc, argv);
}

#include "startup_test.moc"
