#pragma once
// The program's own artwork, painted in code so that it is crisp at every screen scale.

#include <QIcon>
#include <QWidget>

namespace tokimori {

enum class Art { Run, Up, Preview, Help, Close, Program };

// A 32 × 32 icon (with a 64 × 64 version for high-density screens).
QIcon ArtIcon(Art art);

// The blue gradient title bar behind a panel's caption.
class GradientBar : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace tokimori
