#include "app/Help.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

#include "ui/Artwork.h"

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
} // namespace

void OpenHelp(QWidget* owner) {
    const QString folder = QCoreApplication::applicationDirPath();
    if (OpenSystemHelp(owner, folder)) return;
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
        // Esc closes the help window, as it closes the program's other windows.
        auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), w);
        esc->setContext(Qt::WindowShortcut);
        QObject::connect(esc, &QShortcut::activated, w, &QWidget::close);
    }
    w->setSource(source);
    w->show();
    w->raise();
    w->activateWindow();
}

void CloseAllHelp() {
    CloseSystemHelp();
    if (Window()) Window()->close();
}

QWidget* OpenHelpWindow() {
    return Window();
}

} // namespace tokimori
