#pragma once
// The main window: browsing lists, the information panel and thumbnail, the date and time
// pickers, the options and the run button. Handlers carry the names of the controls and events
// they answer; what they show and decide is the presentation layer's (view/), what they change
// the core's. The window renders and forwards.

#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimeEdit>
#include <QToolBar>
#include <functional>
#include <memory>
#include <string>

#include "app/FrmMainUi.h"
#include "exif/ExifReader.h"
#include "run/RunLoop.h"
#include "view/Layout.h"
#include "view/RunReport.h"

namespace tokimori {
class CommandButtonCT;
class SingleCopy;
class ThumbnailView;
class WindowKeeper;
} // namespace tokimori

namespace tokimori {

class FrmMain : public QMainWindow, private FrmMainUi {
    Q_OBJECT
  public:
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
    // The folder the photos are read from, with its closing separator (bytes, as the file
    // system names it).
    std::string folderWithSeparator() const;
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
    // Keys by their virtual-key codes (F5 116, A 65, Enter 13), characters by their codes.
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

  private:
    void connectCommands();
    // What a key of a browsing list asks for.
    void browseKey(const BrowseKey& k);
    // Opens folder in the folder list; one that cannot be read is reported and the list stays.
    bool openFolder(const std::string& folder);
    // When the folder list's folder can no longer be read: reported, and the list moves to the
    // nearest folder above it that can be.
    void keepReadableFolder();
    // The folder start-up opens instead of one that cannot be read: home, else the root.
    std::string readableFallbackFolder() const;
    void placeDocked();
    // Fits the photo into the thumbnail's frame: its embedded Exif thumbnail (of exif, when
    // given) at once, the decoded photo when the decode is done. False when its head already
    // shows it cannot be shown; a decode that fails later says so in the frame as well.
    bool FitThumbnail(const std::string& path, const ExifInfo* exif = nullptr);
    void clearThumbnail();
    void setExifInfo(const QString& crlfText, const QString& tip = {});
    QAction* allCopies() const; // the file menu's 「XMP・IPTCの日付も合わせる」
    QAction* allKinds() const;  // the file menu's 「写真と動画をすべて表示」
    void mnuAllKinds_Click();   // the file list offers what the item says
    SetDatesOptions runOptions() const;
    // Runs the photos of the list through the one run loop and shows what the run report says:
    // messages, selection, status-bar count and panel.
    void runPhotos(const RunKind& kind, RunCommand command, bool folderMode);
    // Shows a message of the presentation layer; the answer.
    bool tell(const MessageRequest& m);
    // How many photos a run takes: every entry in folder mode, else the selected ones.
    int targetCount(bool folderMode) const;
    bool updateProgress(int done, int total, bool force);
    void Form_Unload();
    QSize outerSizeTwips() const;
    void setOuterSizeTwips(int width, int height);

    ExifSummary summary_;
    LastRead lastRead_;
    bool DateChanged_ = false;
    bool inRun_ = false; // a run is working: panel redraws wait for its end
    bool panelPending_ = false;
    qint64 lastProgressPaint_ = 0;
    std::unique_ptr<SingleCopy> singleCopy_;
    int layoutRuns_ = 0; // Form_Resize runs, to see whether a size change ran it again
    std::unique_ptr<CommandButtonCT> cmdControl; // draws the run button's face
    ThumbnailView* thumbs_ = nullptr;            // the thumbnail, decoded off this thread
    WindowKeeper* keeper_ = nullptr;             // the window's place on the desktop
    QString logFolder_;
    FolderOpener openFolderHook_;
};

} // namespace tokimori
