#include <QApplication>

#include "app/FrmMain.h"
#include "app/SessionEnd.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tokimori");
    QApplication::setApplicationVersion("2.0.0");
    tokimori::FrmMain window;
    if (!window.Form_Load()) return 0;
    tokimori::CloseOnSessionEnd(&window);
    window.show();
    return app.exec();
}
