#pragma once
#include <string>
// The photo viewer: one photo fitted into the window and centred, refitted whenever the window
// changes size, or shown at its real size on request. At real size the window is no larger than
// the screen; scroll bars and dragging the photo reach the rest of it.

#include <QDialog>
#include <QImage>
#include <QPoint>

class QLabel;
class QMenuBar;
class QScrollArea;

namespace tokimori {

class FrmViewer : public QDialog {
    Q_OBJECT
  public:
    // path: the photo; the caption is its file name.
    FrmViewer(const std::string& path, QWidget* owner);

    // Loads the photo for fitting; false (after a message) when it cannot be read.
    bool loadPhoto();
    const std::string& path() const { return path_; }
    // The image control's place in the client area below the menu bar (at real size: on the
    // scrolled canvas).
    QRect imageGeometry() const;
    QRect frameRect() const;
    // Whether the photo is shown at its real size (until the window's size changes).
    bool atRealSize() const { return realSize_; }

  public slots:
    void PhotoOriginSize_Click();
    void mnuClose_Click() { close(); }

  protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void Form_Resize();
    void fit();
    void reportUnreadable(const QString& why);
    // Fitting: no scroll bars, the canvas as large as the window's client area.
    void leaveRealSize();

    std::string path_;
    QScrollArea* scroll_ = nullptr;
    QWidget* client_ = nullptr; // the canvas inside the scroll area
    QLabel* lbl_PicBack = nullptr;
    QLabel* Img_Viewer = nullptr;
    QImage decoded_;        // the photo, decoded no larger than the screen needs
    QSize natural_;         // upright natural size
    bool realSize_ = false; // the photo is at its real size until the window is resized
    QSize realSizeClient_;  // the window size that real size asked for
    bool failed_ = false;
    bool dragging_ = false;
    QPoint dragFrom_;     // where the drag started, on the screen
    QPoint scrolledFrom_; // the scroll bars' values then
};

} // namespace tokimori
