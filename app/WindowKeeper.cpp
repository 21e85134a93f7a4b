#include "app/WindowKeeper.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "ui/Twips.h"

namespace tokimori {

WindowKeeper::WindowKeeper(QMainWindow* window, QSize minimumOuter)
    : QObject(window), window_(window), minimumOuter_(minimumOuter) {}

std::optional<Margins> WindowKeeper::reported() const {
    if (!window_->windowHandle()) return std::nullopt;
    const QMargins m = window_->windowHandle()->frameMargins();
    return Margins{m.left(), m.top(), m.right(), m.bottom()};
}

Margins WindowKeeper::frame() const {
    return placement_.frame(reported());
}

WindowState WindowKeeper::state() const {
    if (window_->isMinimized()) return WindowState::Minimised;
    if (window_->isMaximized() || window_->isFullScreen()) return WindowState::Maximised;
    return WindowState::Normal;
}

void WindowKeeper::placeOuter(const QRect& outer) {
    std::vector<Rect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.push_back(FromQRect(s->availableGeometry()));
    const Rect on = OnAScreen(FromQRect(outer), screens);
    placement_.start(on);
    // Until the window manager frames the window its frame is unknown (taken as none); the
    // bounds are placed again when it is known.
    window_->move(on.left, on.top); // a window's position is its frame's
    window_->resize(ToQRect(Shrunk(on, frame())).size());
}

Rect WindowKeeper::normalOuter() const {
    return placement_.normalOuter(state(), FromQRect(window_->geometry()),
                                  FromQRect(window_->normalGeometry()), frame());
}

void WindowKeeper::shown() {
    if (placement_.framePending() && window_->windowHandle() && !shownFor_.isValid()) {
        shownFor_.start();
        window_->windowHandle()->installEventFilter(this);
    }
}

void WindowKeeper::placed() {
    if (window_->isVisible() && state() == WindowState::Normal)
        placement_.noteNormal(FromQRect(window_->geometry()));
}

void WindowKeeper::stateChanged() {
    if (state() == WindowState::Maximised) placement_.maximised(FromQRect(window_->geometry()));
}

bool WindowKeeper::eventFilter(QObject* watched, QEvent* e) {
    QWindow* handle = window_->windowHandle();
    if (watched != handle) return false;
    switch (e->type()) {
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange: {
        if (!handle->isExposed()) break;
        // Drags keep the minimum outer size, as far as the screen has room.
        QSize minimum = minimumOuter_;
        if (const QScreen* s = window_->screen())
            minimum = minimum.boundedTo(s->availableGeometry().size());
        const WindowPlacement::Step step = placement_.frameReported(
            *reported(), state(), FromQRect(window_->geometry()),
            static_cast<int>(shownFor_.elapsed()), minimum.width(), minimum.height());
        if (step.minimumWidth) window_->setMinimumSize(*step.minimumWidth, *step.minimumHeight);
        if (step.placeClient) window_->setGeometry(ToQRect(*step.placeClient));
        if (step.settled) handle->removeEventFilter(this);
        placed();
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
        // The user has taken over: the frame is what it is.
        if (!placement_.framePending()) handle->removeEventFilter(this);
        break;
    default:
        break;
    }
    return false;
}

} // namespace tokimori
