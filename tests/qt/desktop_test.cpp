// The main window as a person meets it on a desktop: bounds that hold over starts and closes,
// no message box from browsing or resizing, folders that cannot be opened, access times left
// alone, Japanese texts, pickers, lists, a second copy. Runs on the offscreen platform and on
// Xvfb with openbox (label wm), where windows have frames and a window manager places them.

#include <QAction>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimeEdit>
#include <QToolTip>
#include <QtTest>

#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "base/Volumes.h"
#include "controls/DateTimePicker.h"
#include "photo/FrmViewer.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

template <class T> T* Get(QWidget& w, const char* name) {
    return w.findChild<T*>(name);
}

QStringList StoredBounds() {
    return {Stored("WTOP"), Stored("WLEFT"), Stored("WWidth"), Stored("WHeight")};
}

void StoreBounds(int top, int left, int width, int height) {
    Store("WTOP", QString::number(top));
    Store("WLEFT", QString::number(left));
    Store("WWidth", QString::number(width));
    Store("WHeight", QString::number(height));
}

// Shows the window and waits until the window manager has framed and placed it.
bool ShowFramed(QWidget& w) {
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) return false;
    QTest::qWait(OnWindowManager() ? 300 : 20); // the window manager's answer to the placing
    return true;
}

// Whether a person can take hold of the window: 100 pixels of its title bar lie on a screen.
bool TitleBarOnAScreen(const QRect& outer) {
    const QRect title(outer.topLeft(), QSize(outer.width(), 20));
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect seen = s->availableGeometry().intersected(title);
        if (seen.width() >= 100 && seen.height() >= 12) return true;
    }
    return false;
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString Unreadable(const QString& folder) {
    return "フォルダを読み込めません。\r\n" + Native(folder);
}

void SetMode(const QString& path, QFileDevice::Permissions p) {
    QVERIFY(QFile::setPermissions(path, p));
}

// The photo's head (SOI and its APP segments, Exif included) followed by bytes that are no
// image: the information can be read, the picture cannot be decoded.
QByteArray HeadOnly(const QString& photo) {
    const QByteArray bytes = ReadBytes(PhotosDir() + "/" + photo);
    qsizetype at = 2;
    while (at + 4 <= bytes.size() && uchar(bytes[at]) == 0xFF &&
           (uchar(bytes[at + 1]) & 0xF0) == 0xE0)
        at += 2 + (uchar(bytes[at + 2]) << 8 | uchar(bytes[at + 3]));
    return bytes.left(at) + QByteArray("\xFF\xD9 the picture was lost here");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The program's windows that a person can see.
QStringList VisibleWindows() {
    QStringList out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->inherits("QTipLabel")) out << w->objectName();
    return out;
}

const QFileDevice::Permissions kAll =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Clicks a picker's text at the middle of the field that starts at character `at`.
void ClickField(QDateTimeEdit* picker, int at) {
    auto* line = picker->findChild<QLineEdit*>();
    const QFontMetrics fm(line->font());
    const QString text = line->text();
    // The line edit's text starts 2 pixels inside its contents.
    const int x = line->contentsRect().left() + line->textMargins().left() + 2 +
                  fm.horizontalAdvance(text.left(at)) + fm.horizontalAdvance(text.mid(at, 1)) / 2;
    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(x, line->height() / 2));
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { Store().clear(); }

    void threeStartsAndClosesKeepTheBounds() {
        MessageRecorder messages;
        QTemporaryDir dir;
        Store("DefPath", dir.path());
        // Nothing stored: the defaults, kept as the defaults.
        for (int cycle = 0; cycle < 3; ++cycle) {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QVERIFY(ShowFramed(w));
            QTRY_COMPARE(w.frameGeometry(), QRect(7, 7, 849, 504));
            w.close();
            QCOMPARE(StoredBounds(), (QStringList{"105", "105", "12735", "7560"}));
        }
        // Stored bounds come back as they were, frame included.
        StoreBounds(1500, 2250, 15000, 9000);
        for (int cycle = 0; cycle < 3; ++cycle) {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QVERIFY(ShowFramed(w));
            QTRY_COMPARE(w.frameGeometry(), QRect(150, 100, 1000, 600));
            w.close();
            QCOMPARE(StoredBounds(), (QStringList{"1500", "2250", "15000", "9000"}));
        }
        QVERIFY(messages.shown.isEmpty());
    }

    void aSizeTooSmallBothWaysIsCorrectedBothWays() {
        MessageRecorder messages;
        StoreBounds(1500, 1500, 9000, 4500); // 600 × 300 pixels
        FrmMain w;
        QVERIFY(w.Form_Load());
        QVERIFY(ShowFramed(w));
        QTRY_COMPARE(w.frameGeometry().size(), QSize(849, 504));
        // The settings panel whole inside the window.
        auto* settings = Get<QWidget>(w, "FraSet");
        QVERIFY(settings->mapTo(w.centralWidget(), QPoint(settings->width(), 0)).x() <=
                w.centralWidget()->width());
        // The window manager keeps a drag at or above the minimum outer size.
        const QSize room = w.screen()->availableGeometry().size();
        QCOMPARE(w.minimumSize() + (w.frameGeometry().size() - w.size()),
                 QSize(849, 504).boundedTo(room));
        w.close();
        QCOMPARE(StoredBounds(), (QStringList{"1500", "1500", "12735", "7560"}));
    }

    void aMaximisedCloseReopensOnScreenAtLeastAtTheMinimumSize() {
        MessageRecorder messages;
        StoreBounds(1500, 2250, 13500, 8250); // 150, 100; 900 × 550 pixels
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QVERIFY(ShowFramed(w));
            QTRY_COMPARE(w.frameGeometry(), QRect(150, 100, 900, 550));
            w.showMaximized();
            QTRY_VERIFY(w.isMaximized());
            QTRY_VERIFY(w.frameGeometry() != QRect(150, 100, 900, 550));
            w.close();
        }
        QCOMPARE(StoredBounds(), (QStringList{"1500", "2250", "13500", "8250"}));
        if (OnWindowManager() && QProcess::execute("xdotool", {"version"}) == 0) {
            // Maximised by the window manager (a double-click on the title bar), which may
            // report the new rectangle before the new state.
            FrmMain w;
            QVERIFY(w.Form_Load());
            QVERIFY(ShowFramed(w));
            QTRY_COMPARE(w.frameGeometry(), QRect(150, 100, 900, 550));
            const QPoint title = w.frameGeometry().topLeft() +
                                 QPoint(w.frameGeometry().width() / 2,
                                        (w.geometry().y() - w.frameGeometry().y()) / 2);
            QProcess::execute("xdotool",
                              {"mousemove", QString::number(title.x()), QString::number(title.y()),
                               "click", "--repeat", "2", "--delay", "80", "1"});
            QTRY_VERIFY(w.isMaximized());
            QTest::qWait(200);
            w.close();
            QCOMPARE(StoredBounds(), (QStringList{"1500", "2250", "13500", "8250"}));
        }
        // Reopened: normal, on a screen, at least at the minimum size.
        FrmMain w;
        QVERIFY(w.Form_Load());
        QVERIFY(ShowFramed(w));
        QVERIFY(!w.isMaximized());
        QTRY_COMPARE(w.frameGeometry(), QRect(150, 100, 900, 550));
        QVERIFY(TitleBarOnAScreen(w.frameGeometry()));
        QVERIFY(messages.shown.isEmpty());
    }

    void anOffScreenPositionOpensOnAScreen() {
        MessageRecorder messages;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        // A monitor right of this one, since unplugged; one above; far left and below.
        const QList<QPoint> places{{screen.right() + 200, 100}, {100, -2000}, {-5000, 9000}};
        for (const QPoint p : places) {
            StoreBounds(p.y() * 15, p.x() * 15, 13500, 8250);
            FrmMain w;
            QVERIFY(w.Form_Load());
            QVERIFY(ShowFramed(w));
            QTRY_VERIFY2(
                TitleBarOnAScreen(w.frameGeometry()),
                qPrintable(QString("%1,%2").arg(w.frameGeometry().x()).arg(w.frameGeometry().y())));
            QCOMPARE(w.frameGeometry().size(), QSize(900, 550));
            // All of it on the screen, where it fits.
            const QRect f = w.frameGeometry();
            if (f.width() <= screen.width() && f.height() <= screen.height())
                QVERIFY2(screen.contains(f), qPrintable(QString("%1,%2 %3x%4")
                                                            .arg(f.x())
                                                            .arg(f.y())
                                                            .arg(f.width())
                                                            .arg(f.height())));
            w.close();
        }
        // A window partly off the screen's edge, its title bar still in reach, stays where it was.
        StoreBounds(1500, -3000, 13500, 8250);
        FrmMain w;
        QVERIFY(w.Form_Load());
        QVERIFY(ShowFramed(w));
        // (The offscreen platform draws a 2-pixel frame of its own that it leaves out of moves.)
        const QPoint at = w.frameGeometry().topLeft();
        QVERIFY2((at - QPoint(-200, 100)).manhattanLength() <= (OnWindowManager() ? 0 : 4),
                 qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        QVERIFY(messages.shown.isEmpty());
    }

    void foldersThatCannotBeReadAtStartUp() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("locked");
        QFile file(dir.filePath("notafolder"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString home = QDir::homePath();
        MessageRecorder messages;
        // A file where the last folder was: named, and the window opens on the home folder.
        Store("DefPath", dir.filePath("notafolder"));
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("notafolder"))});
            QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), Native(home));
            QCOMPARE(U(Get<DriveList>(w, "Drive1")->drive()), QString("/"));
            w.close();
        }
        NoPermissionOverride asUser;
        if (!asUser.active()) QSKIP("this process passes over file permissions");
        SetMode(dir.filePath("locked"), {});
        messages.shown.clear();
        Store("DefPath", dir.filePath("locked"));
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("locked"))});
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), Native(home));
            QVERIFY(Get<QLabel>(w, "stbPanel1")->text() == Native(home));
            w.close();
        }
        // Nor the home folder: the root.
        messages.shown.clear();
        Store("DefPath", dir.filePath("locked"));
        qputenv("HOME", dir.filePath("locked").toUtf8());
        {
            FrmMain w;
            QVERIFY(w.Form_Load());
            qputenv("HOME", home.toUtf8());
            QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("locked"))});
            QCOMPARE(U(Get<FolderList>(w, "Dir1")->path()), QString("/"));
            w.close();
        }
        qputenv("HOME", home.toUtf8());
        SetMode(dir.filePath("locked"), kAll);
    }

    void foldersThatCannotBeReadWhileBrowsing() {
        QTemporaryDir dir;
        const QDir d(dir.path());
        for (const char* sub : {"a_locked", "b_listonly", "c_ok/inner", "d_passonly/child"})
            QVERIFY(d.mkpath(sub));
        CopyPhotos(dir, {{"Canon_40D.jpg", "b_listonly/x.jpg"}, {"Nikon_D70.jpg", "c_ok/y.jpg"}});
        MessageRecorder messages;
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* drives = Get<DriveList>(w, "Drive1");
        auto* dirs = Get<FolderList>(w, "Dir1");
        auto* files = Get<FileList>(w, "File1");
        auto rowOf = [&](const QString& folder) {
            for (int i = 0; i < dirs->count(); ++i)
                if (U(dirs->entryPath(i)) == Native(folder)) return i;
            return -1;
        };
        NoPermissionOverride asUser;
        if (!asUser.active()) QSKIP("this process passes over file permissions");
        SetMode(dir.filePath("a_locked"), {});
        SetMode(dir.filePath("b_listonly"), QFileDevice::ReadOwner);
        SetMode(dir.filePath("d_passonly"), QFileDevice::ExeOwner);
        QVERIFY(dirs->setPath(S(dir.path())));

        // Enter on a folder that cannot be read, and on one that can be listed but not looked
        // into: named, and the lists stay where they were.
        for (const char* name : {"a_locked", "b_listonly"}) {
            messages.shown.clear();
            dirs->setCurrentRow(rowOf(dir.filePath(name)));
            QTest::keyClick(dirs, Qt::Key_Return);
            QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath(name))});
            QCOMPARE(U(dirs->path()), Native(dir.path()));
            QCOMPARE(U(files->path()), Native(dir.path()));
        }
        // A double-click likewise.
        messages.shown.clear();
        const QRect r = dirs->visualItemRect(dirs->item(rowOf(dir.filePath("a_locked"))));
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("a_locked"))});
        QCOMPARE(U(dirs->path()), Native(dir.path()));

        // Backspace and 上へ where the folder above cannot be read: named, the list stays.
        QVERIFY(dirs->setPath(S(dir.filePath("d_passonly/child"))));
        messages.shown.clear();
        QTest::keyClick(dirs, Qt::Key_Backspace);
        QTest::keyClick(files, Qt::Key_Backspace);
        w.findChild<QAction*>("Toolbar_UP")->trigger();
        QCOMPARE(messages.texts(), QStringList(3, Unreadable(dir.filePath("d_passonly"))));
        QCOMPARE(U(dirs->path()), Native(dir.filePath("d_passonly/child")));

        // F5 after the folder shown became unreadable: named, and the lists move up to the
        // nearest folder that can be read.
        QVERIFY(dirs->setPath(S(dir.filePath("c_ok/inner"))));
        SetMode(dir.filePath("c_ok/inner"), {});
        messages.shown.clear();
        QTest::keyClick(files, Qt::Key_F5);
        QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("c_ok/inner"))});
        QCOMPARE(U(dirs->path()), Native(dir.filePath("c_ok")));
        QCOMPARE(U(files->currentFileName()), QString("y.jpg"));
        SetMode(dir.filePath("c_ok/inner"), kAll);
        QVERIFY(dirs->setPath(S(dir.filePath("c_ok/inner"))));
        QVERIFY(d.rmdir("c_ok/inner"));
        messages.shown.clear();
        QTest::keyClick(dirs, Qt::Key_F5);
        QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("c_ok/inner"))});
        QCOMPARE(U(dirs->path()), Native(dir.filePath("c_ok")));

        // A volume whose folder cannot be read, chosen in the drive list: named, and the drive
        // list goes back to the volume of the folder shown.
        messages.shown.clear();
        drives->addItem(dir.filePath("a_locked"), Native(dir.filePath("a_locked")));
        emit drives->activated(drives->count() - 1);
        QCOMPARE(messages.texts(), QStringList{Unreadable(dir.filePath("a_locked"))});
        QCOMPARE(U(drives->drive()), QString("/"));
        QCOMPARE(drives->currentData().toString(), QString("/"));
        QCOMPARE(U(dirs->path()), Native(dir.filePath("c_ok")));

        SetMode(dir.filePath("a_locked"), kAll);
        SetMode(dir.filePath("b_listonly"), kAll);
        SetMode(dir.filePath("d_passonly"), kAll);
    }

    void anUndecodablePhotoIsSaidInTheThumbnailsPlace() {
        QTemporaryDir dir;
        Write(dir.filePath("a.jpg"), HeadOnly("Canon_40D.jpg"));
        CopyPhotos(dir, {{"Nikon_D70.jpg", "b.jpg"}});
        Write(dir.filePath("c.jpg"), "not a photo at all");
        Store("DefPath", dir.path());
        MessageRecorder messages;
        FrmMain w;
        QVERIFY(w.Form_Load());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* files = Get<FileList>(w, "File1");
        auto* frame = Get<QLabel>(w, "PicBack");
        auto* thumb = Get<QLabel>(w, "Image2");
        // Start-up with the damaged photo selected: its information as usual, the reason in
        // the thumbnail's place, no message box.
        QCOMPARE(U(files->currentFileName()), QString("a.jpg"));
        QVERIFY(w.exifInfoText().contains("Canon EOS 40D"));
        const QString damaged("写真を表示できません\n(画像のデータが壊れています)");
        QVERIFY(w.waitForThumbnail());
        QCOMPARE(frame->text(), damaged);
        QVERIFY(!thumb->isVisible());
        QVERIFY(messages.shown.isEmpty());
        QCOMPARE(VisibleWindows(), QStringList{"FrmMain"});
        // Resizing, step by step.
        for (int step = 1; step <= 5; ++step) {
            w.resize(w.size() + QSize(20, 15));
            QTest::qWait(20);
        }
        QVERIFY(w.waitForThumbnail());
        QTRY_COMPARE(frame->text(), damaged);
        QVERIFY(messages.shown.isEmpty());
        // Browsing on with the arrow keys, past it and back.
        files->setFocus();
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(U(files->currentFileName()), QString("b.jpg"));
        QVERIFY(w.waitForThumbnail());
        QVERIFY(thumb->isVisible());
        QCOMPARE(frame->text(), QString());
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(U(files->currentFileName()), QString("c.jpg"));
        QCOMPARE(w.exifInfoText(), QString("ファイルの日付情報が取得できません"));
        QCOMPARE(frame->text(), QString("写真を表示できません\n(画像の形式が分かりません)"));
        QTest::keyClick(files, Qt::Key_Up);
        QTest::keyClick(files, Qt::Key_Up);
        QCOMPARE(U(files->currentFileName()), QString("a.jpg"));
        // Nothing to show large either.
        w.File1_DblClick();
        QVERIFY(messages.shown.isEmpty());
        QCOMPARE(VisibleWindows(), QStringList{"FrmMain"});

        // A photo that cannot be read at all.
        NoPermissionOverride asUser;
        if (!asUser.active()) return;
        SetMode(dir.filePath("b.jpg"), {});
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(U(files->currentFileName()), QString("b.jpg"));
        QCOMPARE(frame->text(), QString("写真を表示できません\n(読み取りが許可されていません)"));
        QCOMPARE(w.exifInfoText(), QString());
        QVERIFY(messages.shown.isEmpty());
        SetMode(dir.filePath("b.jpg"), kAll);
    }

    void aPhotoShownKeepsItsAccessTime() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "probe.jpg"}});
        const QDateTime old(QDate(2006, 12, 24), QTime(10, 0, 0));
        auto age = [&](const QString& path) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
            QVERIFY(f.setFileTime(old, QFileDevice::FileAccessTime));
        };
        auto accessed = [](const QString& path) {
            return QFileInfo(path).fileTime(QFileDevice::FileAccessTime);
        };
        // Only where a plain read moves the access time can this test see anything.
        age(dir.filePath("probe.jpg"));
        QCOMPARE(accessed(dir.filePath("probe.jpg")), old);
        ReadBytes(dir.filePath("probe.jpg"));
        if (accessed(dir.filePath("probe.jpg")) == old)
            QSKIP("this file system does not record reads (noatime)");

        const QString photo = dir.filePath("a.jpg");
        age(photo);
        MessageRecorder messages;
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Get<FolderList>(w, "Dir1")->setPath(S(dir.path()));
        QCOMPARE(U(Get<FileList>(w, "File1")->currentFileName()), QString("a.jpg"));
        QVERIFY(w.waitForThumbnail());
        QVERIFY(Get<QLabel>(w, "Image2")->isVisible());
        w.resize(w.size() + QSize(40, 40)); // the thumbnail again, at its new size
        QTRY_VERIFY(Get<QLabel>(w, "Image2")->isVisible());
        QVERIFY(w.waitForThumbnail());
        QCOMPARE(accessed(photo), old);
        {
            FrmViewer v(S(photo), &w);
            QVERIFY(v.loadPhoto());
            v.show();
            QVERIFY(QTest::qWaitForWindowExposed(&v));
            v.PhotoOriginSize_Click();
            v.close();
        }
        QCOMPARE(accessed(photo), old);
        QCOMPARE(QFileInfo(photo).lastModified(), old);
        QVERIFY(messages.shown.isEmpty());
    }

    void theDriveListOffersDisksCardsSharesAndFuseMounts() {
        struct Mount {
            const char* root;
            const char* device;
            const char* type;
            bool listed;
        };
        const Mount mounts[] = {
            {"/", "/dev/sda1", "ext4", true},
            {"/media/user/CARD", "/dev/sdb1", "vfat", true},
            {"/run/media/user/DISK", "/dev/sdc1", "fuseblk", true},
            {"/mnt/photos", "nas:/export/photos", "nfs4", true},
            {"/mnt/old", "nas:/export/old", "nfs", true},
            {"/home/user/share", "//nas/photos", "cifs", true},
            {"/mnt/smb", "//nas/photos", "smb3", true},
            {"/home/user/remote", "user@host:/photos", "fuse.sshfs", true},
            {"/home/user/cloud", "drive:", "fuse.rclone", true},
            {"/boot/efi", "/dev/sda2", "vfat", false},
            {"/snap/core/1", "/dev/loop0", "squashfs", false},
            {"/media/iso", "/dev/loop3", "iso9660", false},
            {"/run/user/1000/gvfs", "gvfsd-fuse", "fuse.gvfsd-fuse", false},
            {"/run/user/1000/doc", "portal", "fuse.portal", false},
            {"/var/lib/lxcfs", "lxcfs", "fuse.lxcfs", false},
            {"/proc", "proc", "proc", false},
            {"/tmp", "tmpfs", "tmpfs", false},
            {"/dev/shm", "tmpfs", "tmpfs", false},
        };
        for (const Mount& m : mounts)
            QVERIFY2(IsBrowsableMount(m.root, m.device, m.type) == m.listed, m.root);
        // What this machine has mounted is listed by its root, "/" first.
        const std::vector<Volume> volumes = SystemVolumes();
        QVERIFY(!volumes.empty());
        QCOMPARE(volumes[0].root, std::string("/"));
    }

    void theDriveListShowsTheVolumeOfTheFolderShown() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("card/DCIM"));
        MessageRecorder messages;
        FrmMain w;
        auto* drives = Get<DriveList>(w, "Drive1");
        auto* dirs = Get<FolderList>(w, "Dir1");
        // A mounted card, as the drive list lists it.
        const QString card = Native(dir.filePath("card"));
        drives->addItem(card, card);
        QVERIFY(dirs->setPath(S(dir.filePath("card/DCIM"))));
        QCOMPARE(U(drives->drive()), card);
        QCOMPARE(drives->currentData().toString(), card);
        // Backspace out of the card's root: the drive list follows.
        QTest::keyClick(dirs, Qt::Key_Backspace);
        QCOMPARE(U(drives->drive()), card);
        QTest::keyClick(dirs, Qt::Key_Backspace);
        QCOMPARE(U(dirs->path()), Native(dir.path()));
        QCOMPARE(U(drives->drive()), QString("/"));
        QCOMPARE(drives->currentData().toString(), QString("/"));
        // Choosing the card again opens it.
        const int at = drives->findData(card);
        drives->setCurrentIndex(at);
        emit drives->activated(at);
        QCOMPARE(U(dirs->path()), card);
        QVERIFY(messages.shown.isEmpty());
    }

    void aSecondCopyBringsTheRunningOneToTheFront() {
        MessageRecorder messages;
        FrmMain first;
        QVERIFY(first.Form_Load());
        QVERIFY(ShowFramed(first));
        // Another window over it, and in front.
        QWidget cover;
        cover.setObjectName("cover");
        cover.setWindowTitle("cover");
        cover.setGeometry(first.geometry());
        QVERIFY(ShowFramed(cover));
        cover.raise();
        cover.activateWindow();
        QTRY_VERIFY(cover.isActiveWindow());
        const QPoint middle = first.geometry().center();
        // (The offscreen platform keeps no stacking order.)
        if (OnWindowManager()) QTRY_COMPARE(QApplication::topLevelAt(middle), &cover);
        {
            FrmMain second;
            QVERIFY(!second.Form_Load());
            QCOMPARE(messages.texts(), QStringList{"すでに起動しています。"});
            second.close();
        }
        QTRY_VERIFY(first.isActiveWindow());
        if (OnWindowManager()) QTRY_COMPARE(QApplication::topLevelAt(middle), &first);
        // Minimised, it comes back.
        first.showMinimized();
        QTRY_VERIFY(first.isMinimized());
        {
            FrmMain second;
            QVERIFY(!second.Form_Load());
        }
        QTRY_VERIFY(!first.isMinimized());
        QTRY_VERIFY(first.isActiveWindow());
        QCOMPARE(messages.shown.size(), 2);
    }

    void theRealSizeOfALargePhotoStaysOnTheScreen() {
        QTemporaryDir dir;
        QImage big(3000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < big.height(); ++y)
            for (int x = 0; x < big.width(); ++x)
                big.setPixel(x, y, qRgb(x / 12, y / 8, 128));
        const QString path = dir.filePath("big.jpg");
        QVERIFY(big.save(path, "JPEG", 90));
        MessageRecorder messages;
        FrmViewer v(S(path), nullptr);
        QVERIFY(v.loadPhoto());
        QVERIFY(ShowFramed(v));
        v.PhotoOriginSize_Click();
        QVERIFY(v.atRealSize());
        const QRect room = v.screen()->availableGeometry();
        // The window as large as the screen allows, all of it on the screen.
        QTRY_COMPARE(v.frameGeometry().size(), room.size());
        QTRY_VERIFY(room.contains(v.frameGeometry()));
        // The photo at 1:1, scroll bars for the rest.
        auto* image = v.findChild<QLabel*>("Img_Viewer");
        QCOMPARE(v.imageGeometry(), QRect(0, 0, 3000, 2000));
        QCOMPARE(image->pixmap().size(), QSize(3000, 2000));
        auto* scroll = v.findChild<QScrollArea*>("scrollViewer");
        QTRY_VERIFY(scroll->horizontalScrollBar()->isVisible());
        QVERIFY(scroll->verticalScrollBar()->isVisible());
        QCOMPARE(scroll->horizontalScrollBar()->maximum(), 3000 - scroll->viewport()->width());
        QCOMPARE(scroll->verticalScrollBar()->maximum(), 2000 - scroll->viewport()->height());
        // Dragging the photo scrolls it.
        QCOMPARE(image->cursor().shape(), Qt::OpenHandCursor);
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseMove(image, QPoint(200, 250));
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(200, 250));
        QCOMPARE(scroll->horizontalScrollBar()->value(), 100);
        QCOMPARE(scroll->verticalScrollBar()->value(), 50);
        // The next change of size fits the photo into the window again.
        v.resize(500, 400);
        QTRY_VERIFY(!v.atRealSize());
        QTRY_VERIFY(!scroll->horizontalScrollBar()->isVisible());
        QTRY_COMPARE(v.frameRect().width(), 500);
        const QRect f = v.frameRect();
        QCOMPARE(f.size(), scroll->viewport()->size());
        QVERIFY(FitsIn(v.imageGeometry(), f, QSize(3000, 2000)));
        QVERIFY(messages.shown.isEmpty());
    }

    void theCalendarNamesTheYearBeforeTheMonth() {
        DatePicker d;
        d.setDate(QDate(2006, 12, 24));
        QCalendarWidget* calendar = d.calendarWidget();
        calendar->setCurrentPage(2006, 12);
        auto* header = calendar->findChild<QLabel*>("calendarHeader");
        QVERIFY(header);
        QCOMPARE(header->text(), QString("2006年12月"));
        calendar->showNextMonth();
        QCOMPARE(header->text(), QString("2007年1月"));
    }

    void typedDigitsReplaceTheClickedField() {
        MessageRecorder messages;
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* time = Get<QTimeEdit>(w, "DTPTime");
        time->setTime(QTime(10, 20, 30));
        ClickField(time, 0); // the hour
        QCOMPARE(time->currentSection(), QDateTimeEdit::HourSection);
        QTest::keyClicks(time, "9");
        QCOMPARE(time->time(), QTime(9, 20, 30));
        ClickField(time, 3); // the minute
        QTest::keyClicks(time, "45");
        QCOMPARE(time->time(), QTime(9, 45, 30));
        ClickField(time, 0);
        QTest::keyClicks(time, "17");
        QCOMPARE(time->time(), QTime(17, 45, 30));

        auto* date = Get<QDateEdit>(w, "DTPDate");
        date->setDate(QDate(2024, 3, 15));
        ClickField(date, 8); // the day
        QTest::keyClicks(date, "7");
        QCOMPARE(date->date(), QDate(2024, 3, 7));
        ClickField(date, 0); // the year
        QTest::keyClicks(date, "2006");
        QCOMPARE(date->date(), QDate(2006, 3, 7));
    }

    void listEntriesShowTheirFullNameAndTypingJumps() {
        QTemporaryDir dir;
        const QString longName =
            "2006年12月24日_クリスマス_家族で撮った写真_とても長い名前のファイル_0001.jpg";
        CopyPhotos(dir, {{"Canon_40D.jpg", "apple.jpg"},
                         {"Canon_40D.jpg", "banana.jpg"},
                         {"Canon_40D.jpg", "Blue.jpg"},
                         {"Canon_40D.jpg", "cherry.jpg"},
                         {"Canon_40D.jpg", longName}});
        for (const char* sub : {"alpha", "beta", "Bravo", "gamma"})
            QDir(dir.path()).mkdir(sub);
        MessageRecorder messages;
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* dirs = Get<FolderList>(w, "Dir1");
        auto* files = Get<FileList>(w, "File1");
        dirs->setPath(S(dir.path()));

        // The full name in the tooltip of a name the list cuts short.
        const int longRow = 0; // digits sort first
        QCOMPARE(U(files->fileName(longRow)), longName);
        const QRect r = files->visualItemRect(files->item(longRow));
        QVERIFY(files->fontMetrics().horizontalAdvance(longName) > files->viewport()->width());
        QHelpEvent tip(QEvent::ToolTip, r.center(), files->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(files->viewport(), &tip);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), longName);
        QToolTip::hideText();
        const int subRow = dirs->count() - 1; // gamma
        const QRect d = dirs->visualItemRect(dirs->item(subRow));
        QHelpEvent dirTip(QEvent::ToolTip, d.center(), dirs->viewport()->mapToGlobal(d.center()));
        QApplication::sendEvent(dirs->viewport(), &dirTip);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QDir::toNativeSeparators(dir.filePath("gamma")));
        QToolTip::hideText();

        // Typing letters jumps to the next entry that starts with them, in either case.
        files->setFocus();
        QTest::keyClick(files, Qt::Key_B);
        QCOMPARE(U(files->currentFileName()), QString("banana.jpg"));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClick(files, Qt::Key_B);
        QCOMPARE(U(files->currentFileName()), QString("Blue.jpg"));
        QCOMPARE(files->selectedItems().size(), 1);
        QVERIFY(w.exifInfoText().contains("Canon EOS 40D"));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClicks(files, "ch");
        QCOMPARE(U(files->currentFileName()), QString("cherry.jpg"));

        dirs->setFocus();
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClick(dirs, Qt::Key_B);
        QCOMPARE(U(dirs->entryPath(dirs->currentRow())),
                 QDir::toNativeSeparators(dir.filePath("beta")));
        QTest::keyClick(dirs, Qt::Key_B); // the same letter again: the next one
        QCOMPARE(U(dirs->entryPath(dirs->currentRow())),
                 QDir::toNativeSeparators(dir.filePath("Bravo")));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClicks(dirs, "ga");
        QCOMPARE(U(dirs->entryPath(dirs->currentRow())),
                 QDir::toNativeSeparators(dir.filePath("gamma")));
        // Only highlighted: the folder list still shows the same folder.
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.path()));
        QVERIFY(messages.shown.isEmpty());
    }

    void qtsOwnTextsAreJapanese() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}});
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Get<FolderList>(w, "Dir1")->setPath(S(dir.path()));
        Get<QCheckBox>(w, "ChkIkkatu")->setChecked(true);
        // The confirmation of a folder run, as a real message box: its buttons read OK and
        // キャンセル; cancelling leaves the photo alone.
        QString cancelText, okText;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            okText = box->button(QMessageBox::Ok)->text();
            cancelText = box->button(QMessageBox::Cancel)->text();
            box->button(QMessageBox::Cancel)->click();
        });
        QTest::mouseClick(Get<QPushButton>(w, "CmdExe"), Qt::LeftButton);
        QCOMPARE(cancelText, QString("キャンセル"));
        QCOMPARE(okText, QString("OK"));
        QCOMPARE(ReadBytes(dir.filePath("a.jpg")), ReadBytes(PhotosDir() + "/Canon_40D.jpg"));

        // The calendar names months and days in Japanese.
        auto* date = Get<QDateEdit>(w, "DTPDate");
        date->setDate(QDate(2006, 12, 24));
        QCalendarWidget* calendar = date->calendarWidget();
        QCOMPARE(calendar->locale().language(), QLocale::Japanese);
        QCOMPARE(calendar->locale().monthName(12), QString("12月"));
        QCOMPARE(calendar->locale().dayName(7, QLocale::ShortFormat), QString("日"));
    }
};

int main(int argc, char** argv) {
    return RunQtTest<DesktopTest>(argc, argv);
}

#include "desktop_test.moc"
