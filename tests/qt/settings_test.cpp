// The settings store, in a temporary per-user configuration folder.

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/Settings.h"
#include "ui/Texts.h"
#include "view/Settings.h"

using namespace tokimori;

class SettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void nothingStoredGivesTheDefaults() {
        QCOMPARE(GetReg("WTOP", 105), QString("105"));
        QCOMPARE(GetReg("WWidth", 12735), QString("12735"));
        QCOMPARE(GetReg("DefPath", ""), QString(""));
    }

    void valuesRoundTripAsText() {
        QVERIFY(SetReg("WTOP", 1215).ok());
        QVERIFY(SetReg("WLEFT", -2400).ok());
        QVERIFY(SetReg("DefPath", QString::fromUtf8("/home/写真/2006")).ok());
        QCOMPARE(GetReg("WTOP", 105), QString("1215"));
        QCOMPARE(GetReg("WLEFT", 105), QString("-2400"));
        QCOMPARE(SettingNumber(S(GetReg("WLEFT", 105))).value(), -2400.0f);
        QCOMPARE(GetReg("DefPath", ""), QString::fromUtf8("/home/写真/2006"));
        // A key never written keeps its default while others exist.
        QCOMPARE(GetReg("WHeight", 7560), QString("7560"));
    }

    void storedUnderTheApplicationAndSection() {
        QVERIFY(SetReg("WWidth", 12735).ok());
        QSettings raw(QSettings::NativeFormat, QSettings::UserScope, "Tokimori", "Tokimori");
        QCOMPARE(raw.value("Tokimori/WWidth").toString(), QString("12735"));
        QVERIFY(raw.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        raw.setValue("Tokimori/WHeight", "abc");
        raw.sync();
        auto n = SettingNumber(S(GetReg("WHeight", 7560)));
        QVERIFY(!n.ok());
        QCOMPARE(n.error().number, 13);
    }
};

int main(int argc, char** argv) {
    // Never the real user's settings.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QCoreApplication app(argc, argv);
    SettingsTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "settings_test.moc"
