#include <QApplication>

#include "app/FrmMain.h"
#include "app/SessionEnd.h"
#include "base/Version.h"
#include "ui/Translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tokimori");
    QApplication::setApplicationVersion(tokimori::kVersion);
    tokimori::UseJapanese(app);
    tokimori::FrmMain window;
    tokimori::CloseOnSessionEnd(&window);
    if (!window.Form_Load()) return 0;
    if (tokimori::SessionEndRequested()) { // ended while starting: close as the close box does
        window.close();
        return 0;
    }
    window.show();
    return app.exec();
}
