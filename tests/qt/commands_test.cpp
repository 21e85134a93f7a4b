// The photo viewer, the About dialog, the menus, the tool bar and help.

#include <QAction>
#include <QMenuBar>
#include <QTextBrowser>
#include <QtTest>

#include "QtTestSupport.h"
#include "about/FrmAbout.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "app/Help.h"
#include "base/Version.h"
#include "photo/FrmViewer.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

// Runs `inspect` on the modal window that the next action opens, then closes it. Returns the
// class name of what was open ("" when nothing was).
class ModalProbe {
  public:
    explicit ModalProbe(std::function<void(QWidget*)> inspect = {}) : inspect_(std::move(inspect)) {
        QTimer::singleShot(300, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                seen = w->metaObject()->className();
                if (inspect_) inspect_(w);
                if (w->isVisible()) w->close();
            }
        });
    }
    QString seen;

  private:
    std::function<void(QWidget*)> inspect_;
};

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void viewerFitsAndRefits() {
        MessageRecorder messages;
        const QString wide = PhotosDir() + "/Canon_PowerShot_S40.jpg"; // 2272 × 1704 (4:3)
        FrmViewer v(S(wide), nullptr);
        QCOMPARE(v.windowTitle(), QString("Canon_PowerShot_S40.jpg"));
        QVERIFY(v.loadPhoto());
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const int menu = v.height() - v.frameRect().height();
        v.resize(600, 300 + menu); // wider frame than 4:3: height-limited, centred horizontally
        QTRY_COMPARE(v.frameRect().size(), QSize(600, 300));
        QCOMPARE(v.imageGeometry(), QRect(100, 0, 400, 300));
        v.resize(300, 600 + menu); // taller frame: width-limited, centred vertically
        QTRY_COMPARE(v.frameRect().size(), QSize(300, 600));
        QCOMPARE(v.imageGeometry(), QRect(0, 187, 300, 225));
        v.resize(400, 300 + menu); // the photo's own ratio: horizontal rule, left 0
        QTRY_COMPARE(v.frameRect().size(), QSize(400, 300));
        QCOMPARE(v.imageGeometry(), QRect(0, 0, 400, 300));
        QVERIFY(messages.shown.isEmpty());
    }

    void viewerEnlargesSmallPhotosAndShowsRealSize() {
        MessageRecorder messages;
        FrmViewer v(S(PhotosDir() + "/Fujifilm_FinePix_E500.jpg"), nullptr); // 59 × 100
        QVERIFY(v.loadPhoto());
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const int menu = v.height() - v.frameRect().height();
        v.resize(400, 300 + menu);
        QTRY_COMPARE(v.frameRect().size(), QSize(400, 300));
        QCOMPARE(v.imageGeometry(), QRect(111, 0, 177, 300)); // 59 × 100 enlarged three-fold

        FrmViewer big(S(PhotosDir() + "/exif-org_nikon-e950.jpg"), nullptr); // 800 × 600
        QVERIFY(big.loadPhoto());
        big.show();
        QVERIFY(QTest::qWaitForWindowExposed(&big));
        big.showMaximized();
        big.PhotoOriginSize_Click();
        QVERIFY(!big.isMaximized());
        QTRY_COMPARE(big.frameGeometry().size(), QSize(800, 600));
        QCOMPARE(big.imageGeometry(), QRect(0, 0, 800, 600));
        // The next change of size fits the photo again.
        big.resize(400, 400);
        QTRY_COMPARE(big.imageGeometry().width(), big.frameRect().width());
    }

    void viewerEscClosesAndAVanishedPhotoIsReported() {
        MessageRecorder messages;
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Nikon_D70.jpg", "a.jpg"}});
        FrmViewer v(S(dir.filePath("a.jpg")), nullptr);
        QVERIFY(v.loadPhoto());
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QFile::remove(dir.filePath("a.jpg"));
        v.resize(v.width() + 40, v.height());
        QTRY_COMPARE(messages.shown.size(), 1);
        QVERIFY(messages.shown[0].text.startsWith("写真を表示できません。"));
        QTest::keyClick(&v, Qt::Key_Escape);
        QVERIFY(!v.isVisible());

        FrmViewer none(S(dir.filePath("a.jpg")), nullptr);
        QVERIFY(!none.loadPhoto());
        QCOMPARE(messages.shown.size(), 2);
    }

    void aboutShowsTitleAndVersion() {
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            FrmAbout about(nullptr);
            about.setAttribute(Qt::WA_DeleteOnClose, false);
            QCOMPARE(about.windowTitle(), QString("Tokimoriのﾊﾞｰｼﾞｮﾝ情報"));
            QCOMPARE(about.findChild<QLabel*>("lblTitle")->text(), QString("Tokimori"));
            QCOMPARE(about.findChild<QLabel*>("lblVersion")->text(),
                     QString("ﾊﾞｰｼﾞｮﾝ ") + kVersion);
            QCOMPARE(about.findChild<QLabel*>("lblDescription")->text(),
                     QString("ｱﾌﾟﾘｹｰｼｮﾝの説明"));
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QTest::keyClick(&about, key);
            QVERIFY(!about.isVisible());
        }
    }

    void commandsReachTheirHandlers() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}, {"Nikon_D70.jpg", "b.jpg"}});
        QDir(dir.path()).mkdir("sub");
        MessageRecorder messages;
        FrmMain w;
        w.show();
        auto* dirs = w.findChild<FolderList*>("Dir1");
        auto* files = w.findChild<FileList*>("File1");
        auto action = [&](const char* name) { return w.findChild<QAction*>(name); };

        // UP: to the parent, and it stays at the root.
        dirs->setPath(S(dir.filePath("sub")));
        action("Toolbar_UP")->trigger();
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(dir.path()));
        dirs->setPath(S(QDir::rootPath()));
        action("Toolbar_UP")->trigger();
        QCOMPARE(U(dirs->path()), QDir::toNativeSeparators(QDir::rootPath()));
        dirs->setPath(S(dir.path()));
        QCOMPARE(U(files->currentFileName()), QString("a.jpg"));

        // The photo viewer from the tool bar, the menu, the list and the thumbnail.
        for (const char* how : {"Toolbar_PhotoBig", "mnuPhotoBig", "list", "thumbnail"}) {
            QString caption;
            ModalProbe probe([&](QWidget* m) { caption = m->windowTitle(); });
            if (QByteArray(how) == "list")
                w.File1_DblClick();
            else if (QByteArray(how) == "thumbnail")
                QTest::mouseDClick(w.findChild<QLabel*>("Image2"), Qt::LeftButton);
            else
                action(how)->trigger();
            QCOMPARE(probe.seen, QString("tokimori::FrmViewer"));
            QCOMPARE(caption, QString("a.jpg"));
        }
        // With two selected the thumbnail is empty: nothing opens.
        files->selectEntry(1);
        {
            ModalProbe probe;
            action("Toolbar_PhotoBig")->trigger();
            QTest::qWait(400);
            QCOMPARE(probe.seen, QString());
        }

        // The thumbnail's tooltip follows the information box on mouse moves.
        auto* thumb = w.findChild<QLabel*>("Image2");
        w.Image2_MouseMove();
        QCOMPARE(thumb->toolTip(), QString());
        files->setCurrentRow(0);
        w.Image2_MouseMove();
        QCOMPARE(thumb->toolTip(), QString("ダブルクリックで写真表示"));

        // About from the menu, modal over the main window.
        {
            ModalProbe probe;
            action("mnuAbout")->trigger();
            QCOMPARE(probe.seen, QString("tokimori::FrmAbout"));
        }

        // Help opens in the program's help window, and shut-down closes it.
        action("Toolbar_Help")->trigger();
        QPointer<QWidget> help = OpenHelpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QVERIFY(
            qobject_cast<QTextBrowser*>(help.data())->toPlainText().contains("時分秒は保持する"));
        QVERIFY(messages.shown.isEmpty());
    }

    void closeFromTheToolBarSavesAndClosesHelp() {
        MessageRecorder messages;
        auto* w = new FrmMain;
        QVERIFY(w->Form_Load());
        w->show();
        w->findChild<QAction*>("mnuHelpHelp")->trigger();
        QPointer<QWidget> help = OpenHelpWindow();
        QVERIFY(help && help->isVisible());
        w->findChild<QAction*>("Toolbar_Close")->trigger();
        QVERIFY(!w->isVisible());
        QTRY_VERIFY(help.isNull() || !help->isVisible());
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Tokimori", "Tokimori");
        QVERIFY(!s.value("Tokimori/WWidth").toString().isEmpty());
        delete w;
    }

    void escClosesTheHelpWindow() {
        OpenHelp(nullptr);
        QPointer<QWidget> help = OpenHelpWindow();
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        help->activateWindow();
        QTRY_VERIFY(help->isActiveWindow());
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(help.isNull() || !help->isVisible());
    }

    void menuCaptions() {
        FrmMain w;
        QStringList captions;
        for (QAction* a : w.menuBar()->actions())
            captions << a->text();
        QCOMPARE(captions, (QStringList{"ファイル(&F)", "画像プレビュー(&P)", "ヘルプ(&H)"}));
        QCOMPARE(w.findChild<QAction*>("mnuEnd")->text(), QString("終了(&X)"));
        QCOMPARE(w.findChild<QAction*>("mnuHelpHelp")->text(), QString("ヘルプ(&H)"));
        QCOMPARE(w.findChild<QAction*>("mnuAbout")->text(), QString("バージョン情報(&A)"));
        QCOMPARE(w.findChild<QAction*>("Toolbar_UP")->toolTip(), QString("上へ"));
        QCOMPARE(w.findChild<QAction*>("Toolbar_PhotoBig")->toolTip(), QString("画像プレビュー"));
        QCOMPARE(w.findChild<QAction*>("Toolbar_Help")->toolTip(), QString("ヘルプ"));
        QCOMPARE(w.findChild<QAction*>("Toolbar_Close")->toolTip(), QString("終了"));
    }
};

int main(int argc, char** argv) {
    return RunQtTest<CommandsTest>(argc, argv);
}

#include "commands_test.moc"
