#include "app/SessionEnd.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace tokimori {

namespace {
int g_pipe[2] = {-1, -1};
bool g_requested = false;

void OnTerminate(int) {
    const char byte = 1;
    // Only async-signal-safe work here: wake the event loop.
    [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
}
} // namespace

void CloseOnSessionEnd(QWidget* window) {
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_pipe[0], &byte, 1);
        g_requested = true;
        if (target && target->isVisible()) target->close();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

bool SessionEndRequested() {
    return g_requested;
}

} // namespace tokimori
