#include <QApplication>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/FrmMain.h"
#include "app/SessionEnd.h"
#include "base/Version.h"
#include "ui/Translations.h"

namespace {

// Prints TEXT; the exit code: 0, or 1 when it could not be written.
int Answer(const char* text) {
    std::fputs(text, stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    std::fputs("tokimori: cannot write to standard output\n", stderr);
    return 1;
}

// --version and --help are answered before Qt starts, so they need no display.
bool AnsweredWithoutWindow(int argc, char** argv, int& code) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            code = Answer((std::string(tokimori::kVersion) + "\n").c_str());
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            code =
                Answer("usage: tokimori [--version | --help]\n"
                       "\n"
                       "Tokimori gives JPEG photos a new date: it rewrites their Exif date-time\n"
                       "texts in place and sets their file times. It opens a window; the\n"
                       "command-line companion is tokimori-cli.\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (int code = 0; AnsweredWithoutWindow(argc, argv, code)) return code;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tokimori");
    QApplication::setApplicationVersion(tokimori::kVersion);
    QGuiApplication::setDesktopFileName("tokimori");
    tokimori::UseJapanese(app);
    tokimori::FrmMain window;
    tokimori::CloseOnSessionEnd(&window);
    if (!window.Form_Load()) return 0;
    if (tokimori::SessionEndRequested()) { // ended while starting: close as the close box does
        window.close();
        return 0;
    }
    window.show();
    // The end may have been seen while the window was being shown, before it counted as shown.
    if (tokimori::SessionEndRequested()) {
        window.close();
        return 0;
    }
    return app.exec();
}
