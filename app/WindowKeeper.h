#pragma once
// Keeps the main window's place on the desktop: puts it at the bounds its settings hold (brought
// onto a screen), places it again once the window manager has framed it, holds drags at the
// minimum outer size, and knows the bounds of its normal window for the settings whatever its
// state. The rules are the presentation layer's (WindowPlacement); this hands them Qt's reports.

#include <QElapsedTimer>
#include <QMainWindow>

#include "view/Placement.h"

namespace tokimori {

class WindowKeeper : public QObject {
  public:
    // minimumOuter: the smallest outer size, in pixels.
    WindowKeeper(QMainWindow* window, QSize minimumOuter);

    // Places the window's outer frame (pixels) at outer, brought onto a screen.
    void placeOuter(const QRect& outer);
    // The frame around the window as far as it is known (none before the window manager took
    // the window on).
    Margins frame() const;
    WindowState state() const;
    // The outer bounds of the normal window, also while it is maximised or minimised.
    Rect normalOuter() const;
    // What the window reports of itself: shown, moved or resized, maximised or restored.
    void shown();
    void placed();
    void stateChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    std::optional<Margins> reported() const;

    QMainWindow* window_;
    QSize minimumOuter_;
    WindowPlacement placement_;
    QElapsedTimer shownFor_;
};

} // namespace tokimori
