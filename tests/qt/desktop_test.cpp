// The main window as a person meets it on a desktop: bounds that hold over starts and closes,
// no message box from browsing or resizing, folders that cannot be opened, access times left
// alone, Japanese texts, pickers, lists, a second copy. Runs on the offscreen platform and on
// Xvfb with openbox (label wm), where windows have frames and a window manager places them.

#include <QCalendarWidget>
#include <QDateEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolTip>
#include <QtTest>

#include "QtTestSupport.h"
#include "app/BrowseLists.h"
#include "app/FrmMain.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

template <class T> T* Get(QWidget& w, const char* name) {
    return w.findChild<T*>(name);
}

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
        dirs->setPath(dir.path());

        // The full name in the tooltip of a name the list cuts short.
        const int longRow = 0; // digits sort first
        QCOMPARE(files->fileName(longRow), longName);
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
        QCOMPARE(files->currentFileName(), QString("banana.jpg"));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClick(files, Qt::Key_B);
        QCOMPARE(files->currentFileName(), QString("Blue.jpg"));
        QCOMPARE(files->selectedItems().size(), 1);
        QVERIFY(w.exifInfoText().contains("Canon EOS 40D"));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClicks(files, "ch");
        QCOMPARE(files->currentFileName(), QString("cherry.jpg"));

        dirs->setFocus();
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClick(dirs, Qt::Key_B);
        QCOMPARE(dirs->entryPath(dirs->currentRow()),
                 QDir::toNativeSeparators(dir.filePath("beta")));
        QTest::keyClick(dirs, Qt::Key_B); // the same letter again: the next one
        QCOMPARE(dirs->entryPath(dirs->currentRow()),
                 QDir::toNativeSeparators(dir.filePath("Bravo")));
        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClicks(dirs, "ga");
        QCOMPARE(dirs->entryPath(dirs->currentRow()),
                 QDir::toNativeSeparators(dir.filePath("gamma")));
        // Only highlighted: the folder list still shows the same folder.
        QCOMPARE(dirs->path(), QDir::toNativeSeparators(dir.path()));
        QVERIFY(messages.shown.isEmpty());
    }

    void qtsOwnTextsAreJapanese() {
        QTemporaryDir dir;
        CopyPhotos(dir, {{"Canon_40D.jpg", "a.jpg"}});
        FrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Get<FolderList>(w, "Dir1")->setPath(dir.path());
        Get<QCheckBox>(w, "ChkIkkatu")->setChecked(true);
        // The confirmation of a folder run, as a real message box: its buttons read OK and
        // キャンセル; cancelling leaves the photo alone.
        QString cancelText, okText;
        QTimer::singleShot(200, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
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
