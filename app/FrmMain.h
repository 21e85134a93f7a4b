#pragma once
// The main window: browsing lists, the information panel and thumbnail, the date and time
// pickers, the options and the run button. Handlers carry the names of the controls and events
// they answer; the work itself lives in the core.

#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRect>
#include <QStatusBar>
#include <QTimeEdit>
#include <QToolBar>
#include <functional>
#include <memory>

#include "app/BrowseLists.h"
#include "exif/ExifReader.h"
#include "run/RunLoop.h"

namespace tokimori {
class CommandButtonCT;
class SingleCopy;
class ThumbnailLoader;
} // namespace tokimori

namespace tokimori {

// A check box that reports the release of the mouse button over it, after the click toggled it.
class MouseUpCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    using QCheckBox::QCheckBox;
  signals:
    void mouseUp();

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// The thumbnail: reports double-clicks and mouse moves.
class Thumbnail : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void doubleClicked();
    void mouseMoved();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
};

class FrmMain : public QMainWindow {
    Q_OBJECT
  public:
    // Design sizes in twips (15 twips = 1 pixel at 96 dpi).
    static constexpr int kMinOuterWidth = 12735;
    static constexpr int kMinOuterHeight = 7560;

    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // Start-up: false when another copy runs (the message has been shown; do not show this
    // window).
    bool Form_Load();

    // Settings access of the main window.
    QString GetReg(const QString& key, const QVariant& defaultValue) const;
    Status SetReg(const QString& key, const QVariant& value) const;

    // The twips rectangle the layout gave a control, by object name (tests compare it with the
    // control's geometry).
    QRect twipsRect(const QString& name) const { return twips_.value(name); }
    // The information text as the panel holds it, lines joined by CR LF.
    QString exifInfoText() const;
    const ExifSummary& summary() const { return summary_; }
    // What the last read left for the log line and the keep-time rule: the embedded date as
    // stored, the file date in the general form, and (in a run) the file's own time of day.
    struct LastRead {
        QString embeddedDate;
        QString fileDate;
        QString fileTime;
    };
    const LastRead& lastRead() const { return lastRead_; }
    bool dateChanged() const { return DateChanged_; }
    // The folder the photos are read from, with its closing separator.
    QString folderWithSeparator() const;
    // Waits until the thumbnail shows the picture the last selection asked for (it is decoded
    // off the window's thread); false after timeoutMs.
    bool waitForThumbnail(int timeoutMs = 10000);
    // Where the runs write their logs and journals (the program's log folder unless set).
    void setLogFolder(const QString& folder) { logFolder_ = folder; }
    QString logFolder() const;
    // Shows a folder in the desktop's file manager; false when it could not be shown. Tests put
    // a recorder in place of the file manager.
    using FolderOpener = std::function<bool(const QString& folder)>;
    void setFolderOpener(FolderOpener opener) { openFolderHook_ = std::move(opener); }

  public slots:
    void File1_Click();
    void File1_DblClick();
    void File1_PathChange();
    void CmdExe_Click();
    void Form_Resize();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Dir1_KeyPress(int character);
    // Opens the folder list's entry at index; a folder that cannot be read is reported.
    void Dir1_Open(int index);
    void File1_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void File1_KeyPress(int character);
    void Drive1_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Drive1_LostFocus();
    void ChkIkkatu_MouseUp();
    void ChkHoji_MouseUp();
    void ChkUme_MouseUp();
    void Image2_MouseMove();
    void Toolbar_ButtonClick(const QString& key);
    void mnuEnd_Click() { close(); }
    void mnuPhotoBig_Click() { File1_DblClick(); }
    void mnuHelpHelp_Click();
    void mnuAbout_Click();
    void mnuShift_Click();
    void mnuFileTime_Click();
    void mnuUndo_Click();
    void mnuLogFolder_Click();

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void buildControls();
    void buildCommands();
    // Opens folder in the folder list; one that cannot be read is reported and the list stays.
    bool openFolder(const QString& folder);
    // When the folder list's folder can no longer be read: reported, and the list moves to the
    // nearest folder above it that can be.
    void keepReadableFolder();
    // The folder start-up opens instead of one that cannot be read: home, else the root.
    QString readableFallbackFolder() const;
    void place(QWidget* w, int left, int top, int width, int height);
    void placeDocked();
    // Fits the photo into the thumbnail's frame: its embedded Exif thumbnail (of exif, when
    // given) at once, the decoded photo when the decode is done. False when its head already
    // shows it cannot be shown; a decode that fails later says so in the frame as well.
    bool FitThumbnail(const QString& path, const ExifInfo* exif = nullptr);
    // Shows picture in the place the last FitThumbnail fitted.
    void showThumbnail(const QImage& picture);
    void thumbnailDecoded(const QImage& picture, const QString& error);
    void clearThumbnail();
    void setExifInfo(const QString& crlfText);
    SetDatesOptions runOptions() const;
    // What differs between the window's runs: the run button and the menu commands.
    struct WindowRun {
        const RunKind* kind = nullptr;
        bool folderMode = false; // every entry of the list, else the selected ones
        QString again;           // the line that asks to start the command again
        // Photos the kind leaves alone are named together in one message at the end, after
        // this text (when empty: each in a box of its own, as the run button's).
        QString refusedAtEnd;
        // Changed photos with date texts the kind left as they were are named together after
        // this text (when empty: not told).
        QString partlyAtEnd;
        // One changed photo is told only in folder or match mode when the last photo's DateTime
        // was not rewritten (the run button); else every count is told.
        bool runButtonCount = false;
    };
    // Runs the photos of the list through the one run loop and tells the user: messages,
    // selection, status-bar count and panel.
    void runPhotos(const WindowRun& run);
    // How many photos a run takes: every entry in folder mode, else the selected ones.
    int targetCount(bool folderMode) const;
    // The run's error report; about names the photo or file, changedBefore what the run had
    // already changed.
    void showRunError(const RunError& e, const QString& about, int changedBefore);
    bool updateProgress(int done, int total, bool force);
    void Form_Unload();
    QSize outerSizeTwips() const;
    void setOuterSizeTwips(int width, int height);
    // Places the window's outer frame (pixels) at outer, brought onto a screen when no screen
    // shows its title bar. Applied again once the window manager has framed the window.
    void placeOuter(const QRect& outer);
    // The window has its frame: the stored bounds and the minimum size become outer measures.
    void frameKnown();
    // The window manager's frame around the window; none while it is not known.
    QMargins knownFrame() const;
    // Records the normal window's place while it is in the normal state.
    void noteNormalGeometry();
    // The outer bounds of the normal window, also while it is maximised or minimised.
    QRect normalOuterBounds() const;

    // Controls, named as the program's design names them.
    QWidget* client_ = nullptr;
    QToolBar* Toolbar = nullptr;
    QStatusBar* stb = nullptr;
    QLabel* stbPath_ = nullptr;
    QLabel* stbProgress_ = nullptr;
    QFrame* frm_MainBack = nullptr;
    QFrame* Frame2 = nullptr;
    QFrame* FraSet = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QLabel* PicBack = nullptr;
    Thumbnail* Image2 = nullptr;
    QWidget* lbl_Back_Image[2] = {nullptr, nullptr};
    QLabel* lbl_File_Info = nullptr;
    QPlainTextEdit* txt_Exif_Info = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* lbl_Back = nullptr;
    QLabel* lbl_Settei = nullptr;
    QDateEdit* DTPDate = nullptr;
    QTimeEdit* DTPTime = nullptr;
    MouseUpCheckBox* ChkIkkatu = nullptr;
    MouseUpCheckBox* ChkHoji = nullptr;
    MouseUpCheckBox* ChkUme = nullptr;
    QDateEdit* DTPumeDate = nullptr;
    QPushButton* CmdExe = nullptr;

    QMap<QString, QRect> twips_;
    ExifSummary summary_;
    LastRead lastRead_;
    bool DateChanged_ = false;
    bool inRun_ = false; // a run is working: panel redraws wait for its end
    bool panelPending_ = false;
    qint64 lastProgressPaint_ = 0;
    std::unique_ptr<SingleCopy> singleCopy_;
    QRect startOuter_;           // outer bounds start-up placed the window at (pixels)
    bool framePending_ = true;   // the window manager has not framed the window yet
    QElapsedTimer frameClock_;   // since the window was first shown
    int placings_ = 0;           // start bounds placed again after the frame was known
    QMargins normalFrame_;       // the frame around the normal window
    QList<QRect> normalHistory_; // recent client rectangles in the normal state, newest last
    int layoutRuns_ = 0;         // Form_Resize runs, to see whether a size change ran it again
    std::unique_ptr<CommandButtonCT> cmdControl; // draws the run button's face
    std::unique_ptr<ThumbnailLoader> thumbs_;    // decodes the thumbnail off this thread
    QRect thumbRect_;                            // where the thumbnail's picture goes
    QString logFolder_;
    FolderOpener openFolderHook_;
};

} // namespace tokimori
