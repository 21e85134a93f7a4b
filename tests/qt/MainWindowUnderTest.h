#pragma once
// The main window as the window tests drive it: shown, logging into a folder of its own, its
// controls found by their names and used as a person would.

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <QTimeEdit>

#include "app/BrowseLists.h"
#include "app/FrmMain.h"
#include "ui/Texts.h"

namespace tokimori::test {

struct MainWindowUnderTest {
    FrmMain w;
    QTemporaryDir logs;
    MainWindowUnderTest() {
        w.setLogFolder(logs.path());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    template <class T> T* get(const char* name) { return w.findChild<T*>(name); }
    FileList* files() { return get<FileList>("File1"); }
    void open(const QString& folder) { get<FolderList>("Dir1")->setPath(S(folder)); }
    void pick(const QDate& d, const QTime& t) {
        get<QDateEdit>("DTPDate")->setDate(d);
        get<QTimeEdit>("DTPTime")->setTime(t);
    }
    // A click on a check box's square, where a person clicks it.
    void click(const char* box) {
        auto* b = get<QCheckBox>(box);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    void folderMode() { click("ChkIkkatu"); }
    void run() { QTest::mouseClick(get<QPushButton>("CmdExe"), Qt::LeftButton); }
    QString panel() { return w.exifInfoText(); }
};

} // namespace tokimori::test
