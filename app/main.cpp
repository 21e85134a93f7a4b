#include <QApplication>

#include "app/FrmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tokimori");
    QApplication::setApplicationVersion("2.0.0");
    tokimori::FrmMain window;
    if (!window.Form_Load()) return 0;
    window.show();
    return app.exec();
}
