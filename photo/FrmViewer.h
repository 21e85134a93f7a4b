#pragma once
// The photo viewer: one photo fitted into the window and centred, refitted whenever the window
// changes size, or shown at its real size on request.

#include <QDialog>
#include <QImage>

class QLabel;
class QMenuBar;

namespace tokimori {

class FrmViewer : public QDialog {
    Q_OBJECT
  public:
    // path: the photo; the caption is its file name.
    FrmViewer(const QString& path, QWidget* owner);

    // Loads the photo for fitting; false (after a message) when it cannot be read.
    bool loadPhoto();
    QString path() const { return path_; }
    // The image control's place in the client area below the menu bar.
    QRect imageGeometry() const;
    QRect frameRect() const;

  public slots:
    void PhotoOriginSize_Click();
    void mnuClose_Click() { close(); }

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    void Form_Resize();
    void fit();
    void reportUnreadable(const QString& why);

    QString path_;
    QWidget* client_ = nullptr;
    QLabel* lbl_PicBack = nullptr;
    QLabel* Img_Viewer = nullptr;
    QImage decoded_;        // the photo, decoded no larger than the screen needs
    QSize natural_;         // upright natural size
    bool realSize_ = false; // the photo is at its real size until the window is resized
    QSize realSizeClient_;  // the window size that real size asked for
    bool failed_ = false;
};

} // namespace tokimori
