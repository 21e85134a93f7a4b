#include "app/Help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "ui/Artwork.h"

#ifdef _WIN32
#include <windows.h>
#endif

// The help text is built into the program's static library; its resources are registered here.
static void InitHelpResources() {
    Q_INIT_RESOURCE(resources);
}

namespace tokimori {

namespace {
QPointer<QTextBrowser>& Window() {
    static QPointer<QTextBrowser> w;
    return w;
}

#ifdef _WIN32
using HtmlHelpW_t = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
HtmlHelpW_t HtmlHelpEntry() {
    static HtmlHelpW_t entry = [] {
        HMODULE module = LoadLibraryW(L"hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpW_t>(GetProcAddress(module, "HtmlHelpW"))
                      : nullptr;
    }();
    return entry;
}
#endif
} // namespace

void OpenHelp(QWidget* owner) {
    const QString folder = QCoreApplication::applicationDirPath();
#ifdef _WIN32
    const QString chm = folder + "/Tokimori.chm";
    if (HtmlHelpW_t help = HtmlHelpEntry(); help && QFileInfo::exists(chm)) {
        help(owner ? reinterpret_cast<HWND>(owner->winId()) : nullptr,
             reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(chm).utf16()),
             0 /* default topic */, 0);
        return;
    }
#endif
    InitHelpResources();
    const QString beside = folder + "/Tokimori.html";
    const QUrl source =
        QFileInfo::exists(beside) ? QUrl::fromLocalFile(beside) : QUrl("qrc:/help/Tokimori.html");
    QPointer<QTextBrowser>& w = Window();
    if (!w) {
        w = new QTextBrowser;
        w->setObjectName("HelpWindow");
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->setWindowTitle("Tokimori ヘルプ");
        w->setWindowIcon(ArtIcon(Art::Help));
        w->setOpenExternalLinks(true);
        w->resize(640, 560);
    }
    w->setSource(source);
    w->show();
    w->raise();
    w->activateWindow();
    (void)owner;
}

void CloseAllHelp() {
#ifdef _WIN32
    if (HtmlHelpW_t help = HtmlHelpEntry()) help(nullptr, nullptr, 18 /* close all */, 0);
#endif
    if (Window()) Window()->close();
}

QWidget* OpenHelpWindow() {
    return Window();
}

} // namespace tokimori
