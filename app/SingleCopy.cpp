#include "app/SingleCopy.h"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

namespace tokimori {

SingleCopy::SingleCopy(QWidget* window) : window_(window) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    lockPath_ = folder + "/tokimori.lock";
    socketPath_ = folder + "/tokimori.socket";
}

SingleCopy::~SingleCopy() = default;

bool SingleCopy::acquire() {
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return false;
    }
    held_ = true;
    // The lock is this copy's: a socket left behind by a copy that crashed is stale.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            s->disconnectFromServer();
            comeForward();
        }
    });
    // Without the socket the program still runs; a second start then only says so.
    (void)server_->listen(socketPath_);
    return true;
}

void SingleCopy::bringRunningCopyForward() const {
    QLocalSocket s;
    s.connectToServer(socketPath_);
    if (!s.waitForConnected(2000)) return;
    s.write("forward\n");
    s.waitForBytesWritten(2000);
    s.disconnectFromServer();
}

void SingleCopy::comeForward() {
    if (!window_) return;
    if (window_->isMinimized())
        window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window_->show();
    window_->raise();
    window_->activateWindow();
    // An open dialog of the program stays in front of the window.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window_) {
        modal->raise();
        modal->activateWindow();
    }
}

} // namespace tokimori
