// The custom command button: its layout arithmetic, the face it draws, which writes redraw, and
// the events it raises again.

#include <QFontDatabase>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include "QtTestSupport.h"
#include "app/FrmMain.h"
#include "controls/CommandButtonCT.h"
#include "controls/VirtualKey.h"
#include "ui/Artwork.h"

using namespace tokimori;
using namespace tokimori::test;

namespace {

QPushButton* GraphicalButton(QWidget* parent, QSize size = QSize(222, 36)) {
    auto* b = new QPushButton(" 埋込日付設定実行", parent);
    b->setProperty(CommandButtonCT::kGraphicalStyle, true);
    b->resize(size);
    return b;
}

QImage FaceOf(QPushButton* b) {
    return b->icon().pixmap(b->iconSize()).toImage();
}

} // namespace

class ButtonTest : public QObject {
    Q_OBJECT

  private slots:
    void styleOneDrawsASwatchInTheGivenColour() {
        QWidget host;
        QPushButton* b = GraphicalButton(&host);
        CommandButtonCT c;
        c.Load(b);
        c.setPictureMode(0); // no picture
        c.setStyle(1);
        c.setColor(0x000000FF); // red, as &H000000FF&
        const FaceLayout f = c.lastLayout();
        QCOMPARE(f.textW, 218 - 0 - 5);
        QCOMPARE(f.textH, 31 - 2);
        QImage face = FaceOf(b);
        QCOMPARE(face.pixelColor(f.textX + 10, f.textY + 10), QColor(255, 0, 0));
        QCOMPARE(face.pixelColor(f.textX, f.textY + 10), QColor(Qt::black)); // outline
        c.setColor(0x8000000F); // the system's button face
        face = FaceOf(b);
        QCOMPARE(face.pixelColor(f.textX + 10, f.textY + 10), b->palette().color(QPalette::Button));
        QCOMPARE(TranslateColor(0x8000000F, 1, b->palette()) & 0xFF000000u, 0u);
        QCOMPARE(TranslateColor(0x00123456, 2, b->palette()), 0x02123456u);
    }

    void pictureModeOtherThan99DrawsNoPicture() {
        QWidget host;
        QPushButton* b = GraphicalButton(&host);
        b->setIcon(ArtIcon(Art::Run));
        b->setIconSize(QSize(32, 32));
        CommandButtonCT c;
        c.Load(b);
        c.setPicturePosition(1);
        QCOMPARE(c.lastLayout().picW, 32);
        c.setPictureMode(0);
        QCOMPARE(c.lastLayout().picW, 0);
        QCOMPARE(c.lastLayout().picX, (218 - (0 + 1 + c.lastLayout().textW)) / 2);
    }

    void aButtonNotInGraphicalStyleSaysSo() {
        QWidget host;
        auto* b = new QPushButton("caption", &host);
        CommandButtonCT c;
        c.Load(b);
        QCOMPARE(b->text(), QString("[Wrong Style]"));
        QCOMPARE(c.Caption(), QString("caption"));
        QVERIFY(b->icon().isNull());
    }

    void whichWritesRedraw() {
        QWidget host;
        QPushButton* b = GraphicalButton(&host);
        CommandButtonCT c;
        c.Load(b);
        QCOMPARE(b->text(), QString()); // the caption lives in the face
        QCOMPARE(c.Caption(), QString(" 埋込日付設定実行"));
        int draws = c.drawCount();
        c.setName("x");
        c.setEnabled(false);
        c.setVisible(true);
        QCOMPARE(c.drawCount(), draws);
        QVERIFY(!b->isEnabled());
        c.setCaption(c.Caption());
        c.setColor(c.Color());
        c.setPicture(c.Picture());
        c.setPictureMode(c.PictureMode());
        c.setPicturePosition(c.PicturePosition());
        c.setStyle(c.Style());
        QCOMPARE(c.drawCount(), draws + 6);
    }

    void eventsAreRaisedAgainAndAKeyPressListenerChangesTheKey() {
        QWidget host;
        QPushButton* b = GraphicalButton(&host);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        CommandButtonCT c;
        c.Load(b);
        short pressed = 0;
        int clicks = 0;
        connect(&c, &CommandButtonCT::MouseDown,
                [&](short& button, short&, float&, float&) { pressed = button; });
        connect(&c, &CommandButtonCT::Click, [&] { ++clicks; });
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(pressed, short(1));
        QCOMPARE(clicks, 1);

        // A listener that swallows the space bar keeps the button from being pressed.
        b->setFocus();
        auto swallow = connect(&c, &CommandButtonCT::KeyPress, [](short& key) {
            if (key == ' ') key = 0;
        });
        QTest::keyPress(b, Qt::Key_Space, {}, -1);
        QVERIFY(!b->isDown());
        QTest::keyRelease(b, Qt::Key_Space);
        QCOMPARE(clicks, 1);
        disconnect(swallow);

        // A listener that turns "x" into a space presses the button.
        connect(&c, &CommandButtonCT::KeyPress, [](short& key) {
            if (key == 'x') key = ' ';
        });
        QTest::keyPress(b, Qt::Key_X, {}, -1);
        QVERIFY(b->isDown());
    }

    void keyEventsCarryVirtualKeyCodes() {
        QWidget host;
        QPushButton* b = GraphicalButton(&host);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        CommandButtonCT c;
        c.Load(b);
        b->setFocus();
        QList<short> down, up;
        QList<short> shifts;
        connect(&c, &CommandButtonCT::KeyDown, [&](short& code, short& shift) {
            down << code;
            shifts << shift;
        });
        connect(&c, &CommandButtonCT::KeyUp, [&](short& code, short&) { up << code; });
        struct Key {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            short vk;
        };
        const Key keys[] = {{Qt::Key_Escape, {}, 27},
                            {Qt::Key_Return, {}, 13},
                            {Qt::Key_Enter, Qt::KeypadModifier, 13},
                            {Qt::Key_Shift, Qt::ShiftModifier, 16},
                            {Qt::Key_Control, Qt::ControlModifier, 17},
                            {Qt::Key_F1, {}, 112},
                            {Qt::Key_F12, {}, 123},
                            {Qt::Key_A, Qt::ControlModifier, 65},
                            {Qt::Key_7, {}, 55},
                            {Qt::Key_7, Qt::KeypadModifier, 103},
                            {Qt::Key_Left, {}, 37},
                            {Qt::Key_Delete, {}, 46},
                            {Qt::Key_Minus, {}, 189}};
        for (const Key& k : keys) {
            down.clear();
            up.clear();
            QTest::keyClick(b, k.key, k.modifiers); // modifier keys go down first
            QVERIFY(!down.isEmpty() && !up.isEmpty());
            QCOMPARE(down.last(), k.vk);
            QCOMPARE(up.first(), k.vk);
        }
        QCOMPARE(shifts.last(), short(0));
        QCOMPARE(VirtualKeyCode(Qt::Key_A, Qt::ShiftModifier), short(65));
        QCOMPARE(VirtualKeyCode(Qt::Key_unknown), short(0));

        // A key without a code reaches the button: only a listener's 0 swallows.
        int clicks = 0;
        connect(&c, &CommandButtonCT::Click, [&] { ++clicks; });
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(clicks, 1);
        auto swallow = connect(&c, &CommandButtonCT::KeyDown, [](short& code, short&) {
            if (code == 32) code = 0;
        });
        QTest::keyClick(b, Qt::Key_Space);
        QCOMPARE(clicks, 1);
        disconnect(swallow);
        // Enter, of the main block or the keypad, presses the button with the focus.
        QTest::keyClick(b, Qt::Key_Return);
        QTRY_COMPARE(clicks, 2);
        QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_COMPARE(clicks, 3);
        // Held down, its face moves a pixel right and down.
        const QImage released = b->icon().pixmap(b->iconSize()).toImage();
        QTest::mousePress(b, Qt::LeftButton);
        const QImage pressed = b->icon().pixmap(b->iconSize()).toImage();
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(pressed.pixel(11, 11), released.pixel(10, 10));
        QVERIFY(pressed != released);
        QCOMPARE(b->icon().pixmap(b->iconSize()).toImage(), released);
    }

    void visibleIsTheButtonsOwnSetting() {
        QWidget host; // never shown
        QPushButton* b = GraphicalButton(&host);
        CommandButtonCT c;
        c.Load(b);
        QVERIFY(!b->isVisible());
        QVERIFY(c.Visible());
        c.setVisible(false);
        QVERIFY(!c.Visible());
        c.setVisible(true);
        QVERIFY(c.Visible());
    }

    void aDropDownMenuIsAnnouncedAndShownBelowTheButton() {
        QWidget host;
        QPushButton* b = GraphicalButton(&host);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        CommandButtonCT c;
        c.Load(b);
        QCOMPARE(c.PopupMenu(), nullptr);
        QList<QMenu*> announced;
        connect(&c, &CommandButtonCT::InitPopup, [&](QMenu* m) { announced << m; });
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(announced.isEmpty()); // no menu, no announcement

        QMenu menu;
        menu.addAction("item");
        c.setPopupMenu(&menu);
        bool clickedFirst = false;
        connect(&c, &CommandButtonCT::Click, [&] { clickedFirst = announced.isEmpty(); });
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(announced, QList<QMenu*>{&menu});
        QVERIFY(clickedFirst);
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), b->mapToGlobal(QPoint(0, b->height())));
        menu.close();
    }

    void theRunButtonShowsItsIconLeftOfItsCaption() {
        MessageRecorder messages;
        QTemporaryDir config;
        FrmMain w;
        QVERIFY(w.Form_Load());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* run = w.findChild<QPushButton*>("CmdExe");
        QCOMPARE(run->size(), QSize(222, 36));
        QCOMPARE(run->text(), QString());
        QCOMPARE(run->iconSize(), QSize(218, 31));
        const QImage face = FaceOf(run);
        QCOMPARE(face.size(), QSize(218, 31));

        // The icon, drawn on the button's back colour, at the computed place: the pair centred,
        // the icon at the top with its bottom row cut off.
        QImage icon(32, 32, QImage::Format_ARGB32);
        icon.fill(run->palette().color(QPalette::Button));
        {
            QPainter p(&icon);
            p.drawPixmap(0, 0, ArtIcon(Art::Run).pixmap(32, 32));
        }
        const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        const int textW = QFontMetrics(font)
                              .size(Qt::TextSingleLine | Qt::TextShowMnemonic, " 埋込日付設定実行")
                              .width();
        const int picX = (218 - (32 + 1 + textW)) / 2;
        int differing = 0;
        for (int y = 0; y < 31; ++y)
            for (int x = 0; x < 32; ++x)
                differing += face.pixelColor(picX + x, y) != icon.pixelColor(x, y);
        QCOMPARE(differing, 0);
        // Left of the icon only the button face; right of it the caption's ink.
        QCOMPARE(face.pixelColor(picX - 1, 15), run->palette().color(QPalette::Button));
        bool ink = false;
        for (int x = picX + 33; x < picX + 33 + textW; ++x)
            for (int y = 0; y < 31; ++y)
                ink |= face.pixelColor(x, y).lightness() < 100;
        QVERIFY(ink);
        QVERIFY(messages.shown.isEmpty());
    }
};

int main(int argc, char** argv) {
    return RunQtTest<ButtonTest>(argc, argv);
}

#include "button_test.moc"
