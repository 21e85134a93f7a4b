#include "photo/FrmViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <filesystem>

#include "base/Paths.h"
#include "photo/PictureLoader.h"
#include "ui/MessageService.h"
#include "ui/Texts.h"
#include "ui/Twips.h"
#include "view/Fit.h"
#include "view/Names.h"
#include "view/PhotoTexts.h"

namespace tokimori {

FrmViewer::FrmViewer(const std::string& path, QWidget* owner) : QDialog(owner), path_(path) {
    setObjectName("FrmViewer");
    const size_t cut = path.find_last_of(kSeparator);
    setWindowTitle(U(DisplayName(cut == std::string::npos ? path : path.substr(cut + 1))));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* menu = new QMenuBar(this);
    QAction* close = menu->addAction("閉じる(&C)");
    close->setObjectName("mnuClose");
    QAction* origin = menu->addAction("写真実寸サイズ(&O)");
    origin->setObjectName("PhotoOriginSize");
    connect(close, &QAction::triggered, this, &FrmViewer::mnuClose_Click);
    connect(origin, &QAction::triggered, this, &FrmViewer::PhotoOriginSize_Click);
    layout->setMenuBar(menu);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("scrollViewer");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll_, 1);
    client_ = new QWidget;
    scroll_->setWidget(client_);

    lbl_PicBack = new QLabel(client_);
    lbl_PicBack->setObjectName("lbl_PicBack");
    lbl_PicBack->setAutoFillBackground(true);
    QPalette p = lbl_PicBack->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::ButtonText));
    lbl_PicBack->setPalette(p);
    Img_Viewer = new QLabel(client_);
    Img_Viewer->setObjectName("Img_Viewer");
    Img_Viewer->setScaledContents(true);
    Img_Viewer->hide();
    Img_Viewer->installEventFilter(this);

    // The design client size, centred on the owner.
    resize(TwipsToPixels(7410), TwipsToPixels(5505) + menu->sizeHint().height());
    if (owner) move(owner->frameGeometry().center() - rect().center());
}

void FrmViewer::reportUnreadable(const QString& why) {
    failed_ = true;
    Img_Viewer->clear();
    Img_Viewer->hide();
    MessageService::show(this, U(UnreadablePhotoText(path_, S(why))), kAppTitle,
                         MessageIcon::Exclamation);
}

bool FrmViewer::loadPhoto() {
    const PictureInfo info = ReadPictureInfo(path_);
    if (!info.error.isEmpty() || info.natural.isEmpty()) {
        reportUnreadable(info.error.isEmpty() ? U(PictureFailureWords(PictureFailure::ZeroSize))
                                              : info.error);
        return false;
    }
    natural_ = info.natural;
    // Decoded once at no more than the screen's size; refits scale this copy.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    QSize limit = screen ? screen->size() * screen->devicePixelRatio() : QSize(1920, 1080);
    QString error;
    decoded_ =
        LoadPicture(path_, natural_.scaled(limit, Qt::KeepAspectRatio).boundedTo(natural_), &error);
    if (decoded_.isNull()) {
        reportUnreadable(error);
        return false;
    }
    failed_ = false;
    return true;
}

QRect FrmViewer::imageGeometry() const {
    return Img_Viewer->geometry();
}
QRect FrmViewer::frameRect() const {
    return lbl_PicBack->geometry();
}

void FrmViewer::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    Form_Resize();
}

void FrmViewer::Form_Resize() {
    if (realSize_ && (size() == realSizeClient_ || realSizeClient_.isEmpty())) {
        lbl_PicBack->setGeometry(0, 0, client_->width(), client_->height());
        Img_Viewer->move(0, 0);
        return;
    }
    realSize_ = false;
    leaveRealSize();
    fit();
}

void FrmViewer::leaveRealSize() {
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Img_Viewer->unsetCursor();
    dragging_ = false;
    // Without scroll bars and frame the canvas is the scroll area's whole size.
    client_->resize(scroll_->size());
    lbl_PicBack->setGeometry(0, 0, client_->width(), client_->height());
}

void FrmViewer::fit() {
    if (failed_ || decoded_.isNull()) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ToFsPath(path_), ec)) { // gone since it was opened
        reportUnreadable(U(PictureFailureWords(PictureFailure::NotFound)));
        return;
    }
    Img_Viewer->hide();
    const QRect frame = lbl_PicBack->geometry();
    const FitRect r = FitPicture({frame.x(), frame.y(), frame.width(), frame.height()},
                                 natural_.width(), natural_.height());
    if (r.width <= 0) return;
    const qreal dpr = devicePixelRatioF();
    QPixmap pm =
        QPixmap::fromImage(decoded_.scaled(qCeil(r.width * dpr), qCeil(r.height * dpr),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pm.setDevicePixelRatio(dpr);
    Img_Viewer->setPixmap(pm);
    Img_Viewer->setGeometry(r.left, r.top, r.width, r.height);
    Img_Viewer->show();
}

void FrmViewer::PhotoOriginSize_Click() {
    if (isMaximized() || isMinimized()) showNormal(); // only a normal window takes a size
    QString error;
    const QImage full = LoadPicture(path_, QSize(), &error);
    if (full.isNull()) {
        reportUnreadable(error);
        return;
    }
    realSize_ = true;
    // The photo at 1:1 on a canvas of its size; what the window cannot show is scrolled to.
    QPixmap pm = QPixmap::fromImage(full);
    Img_Viewer->setPixmap(pm);
    client_->resize(full.size());
    lbl_PicBack->setGeometry(0, 0, full.width(), full.height());
    Img_Viewer->setGeometry(0, 0, full.width(), full.height());
    Img_Viewer->show();
    Img_Viewer->setCursor(Qt::OpenHandCursor);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The outer size (title bar, menu bar and borders included) becomes the photo's size, but
    // never more than the screen has room for.
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(QPoint(), full.size());
    const QSize outer = full.size().boundedTo(room.size());
    const QSize decorations = frameGeometry().size() - size();
    realSizeClient_ = QSize();
    resize(width(), outer.height() - decorations.height());
    resize(outer.width() - decorations.width(), height());
    realSizeClient_ = size();
    // All of the window on the screen.
    const QRect f = frameGeometry();
    const QPoint inside(
        qBound(room.left(), f.left(), qMax(room.left(), room.right() + 1 - f.width())),
        qBound(room.top(), f.top(), qMax(room.top(), room.bottom() + 1 - f.height())));
    if (inside != f.topLeft()) move(inside);
    scroll_->horizontalScrollBar()->setValue(0);
    scroll_->verticalScrollBar()->setValue(0);
}

bool FrmViewer::eventFilter(QObject* watched, QEvent* e) {
    // At real size the photo can be dragged to scroll it.
    if (watched != Img_Viewer || !realSize_) return QDialog::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() != Qt::LeftButton) break;
        dragging_ = true;
        dragFrom_ = m->globalPosition().toPoint();
        scrolledFrom_ = {scroll_->horizontalScrollBar()->value(),
                         scroll_->verticalScrollBar()->value()};
        Img_Viewer->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        if (!dragging_) break;
        const QPoint moved = static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - dragFrom_;
        scroll_->horizontalScrollBar()->setValue(scrolledFrom_.x() - moved.x());
        scroll_->verticalScrollBar()->setValue(scrolledFrom_.y() - moved.y());
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!dragging_) break;
        dragging_ = false;
        Img_Viewer->setCursor(Qt::OpenHandCursor);
        return true;
    default:
        break;
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace tokimori
