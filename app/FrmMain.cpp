#include "app/FrmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "about/FrmAbout.h"
#include "app/FrmShift.h"
#include "app/FrmUndo.h"
#include "app/Help.h"
#include "app/SingleCopy.h"
#include "app/WindowKeeper.h"
#include "base/Paths.h"
#include "base/TextCodec.h"
#include "controls/CommandButtonCT.h"
#include "exif/CameraFields.h"
#include "filetime/LocalTime.h"
#include "photo/FrmViewer.h"
#include "photo/PictureLoader.h"
#include "photo/ThumbnailView.h"
#include "run/ClockSync.h"
#include "run/DateKinds.h"
#include "run/OperationLog.h"
#include "ui/Artwork.h"
#include "ui/MessageService.h"
#include "ui/Settings.h"
#include "ui/Texts.h"
#include "ui/Twips.h"
#include "view/About.h"
#include "view/Commands.h"
#include "view/InfoPanel.h"
#include "view/Names.h"
#include "view/PhotoTexts.h"
#include "view/Settings.h"
#include "view/StartUp.h"

namespace tokimori {

namespace {

QString Shown(const std::string& path) {
    return U(DisplayName(path));
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(ToFsPath(path), ec);
}

} // namespace

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FrmMain");
    setWindowIcon(ArtIcon(Art::Program));
    setupUi(this);
    connectCommands();
    thumbs_ = new ThumbnailView(Image2, PicBack);
    keeper_ = new WindowKeeper(
        this, QSize(TwipsToPixels(kMinOuterWidth), TwipsToPixels(kMinOuterHeight)));
}

FrmMain::~FrmMain() {
    delete thumbs_; // a decode under way gives up and is waited for
    // Children outlive this object's handlers while they are torn down.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

bool FrmMain::tell(const MessageRequest& m) {
    return MessageService::ask(this, m);
}

void FrmMain::connectCommands() {
    const std::pair<const char*, void (FrmMain::*)()> commands[] = {
        {"mnuShift", &FrmMain::mnuShift_Click},
        {"mnuFileTime", &FrmMain::mnuFileTime_Click},
        {"mnuUndo", &FrmMain::mnuUndo_Click},
        {"mnuLogFolder", &FrmMain::mnuLogFolder_Click},
        {"mnuEnd", &FrmMain::mnuEnd_Click},
        {kAllKindsItem.name, &FrmMain::mnuAllKinds_Click},
        {"mnuPhotoBig", &FrmMain::mnuPhotoBig_Click},
        {"mnuHelpHelp", &FrmMain::mnuHelpHelp_Click},
        {"mnuAbout", &FrmMain::mnuAbout_Click}};
    for (const auto& [name, slot] : commands)
        connect(findChild<QAction*>(name), &QAction::triggered, this, slot);
    connect(Toolbar, &QToolBar::actionTriggered, this,
            [this](QAction* a) { Toolbar_ButtonClick(a->data().toString()); });
    connect(File1, &FileList::clicked, this, &FrmMain::File1_Click);
    connect(File1, &FileList::doubleClicked, this, &FrmMain::File1_DblClick);
    connect(File1, &FileList::pathChanged, this, &FrmMain::File1_PathChange);
    connect(File1, &FileList::keyDown, this, &FrmMain::File1_KeyDown);
    connect(File1, &FileList::keyPress, this, &FrmMain::File1_KeyPress);
    connect(Dir1, &FolderList::pathChanged, this, &FrmMain::Dir1_Change);
    connect(Dir1, &FolderList::keyDown, this, &FrmMain::Dir1_KeyDown);
    connect(Dir1, &FolderList::keyPress, this, &FrmMain::Dir1_KeyPress);
    connect(Dir1, &FolderList::entryOpened, this, &FrmMain::Dir1_Open);
    connect(Drive1, &DriveList::driveChanged, this, &FrmMain::Drive1_Change);
    connect(Drive1, &DriveList::keyDown, this, &FrmMain::Drive1_KeyDown);
    connect(Drive1, &DriveList::lostFocus, this, &FrmMain::Drive1_LostFocus);
    connect(CmdExe, &QPushButton::clicked, this, &FrmMain::CmdExe_Click);
    connect(ChkIkkatu, &MouseUpCheckBox::mouseUp, this, &FrmMain::ChkIkkatu_MouseUp);
    connect(ChkHoji, &MouseUpCheckBox::mouseUp, this, &FrmMain::ChkHoji_MouseUp);
    connect(ChkUme, &MouseUpCheckBox::mouseUp, this, &FrmMain::ChkUme_MouseUp);
    connect(Image2, &Thumbnail::doubleClicked, this, &FrmMain::File1_DblClick);
    connect(Image2, &Thumbnail::mouseMoved, this, &FrmMain::Image2_MouseMove);
}

void FrmMain::Toolbar_ButtonClick(const QString& key) {
    switch (ToolbarCommandOf(key.toStdString())) {
    case ToolbarCommand::Up:
        return Dir1_KeyPress(8);
    case ToolbarCommand::Viewer:
        return File1_DblClick();
    case ToolbarCommand::Help:
        return mnuHelpHelp_Click();
    case ToolbarCommand::Close:
        return mnuEnd_Click();
    case ToolbarCommand::None:
        return;
    }
}

void FrmMain::mnuHelpHelp_Click() {
    OpenHelp(this);
}

void FrmMain::mnuAbout_Click() {
    FrmAbout about(this);
    about.setAttribute(Qt::WA_DeleteOnClose, false);
    about.exec();
}

// ---- commands of the file menu ----

QString FrmMain::logFolder() const {
    return logFolder_.isEmpty() ? U(LogFolder()) : logFolder_;
}

void FrmMain::mnuShift_Click() {
    const std::string name = File1->currentFileName();
    FrmShift::Photo current;
    current.name = File1->shownName(File1->currentRow());
    if (!name.empty()) {
        // The current photo as it is now: the preview is its shooting date moved, and it can be
        // the reference of its camera's clock.
        auto read = ReadCameraFields(folderWithSeparator() + name);
        if (read) {
            current.read = true;
            current.fields = read.value();
        }
    }
    const CameraIdentity camera = CameraOf(current.fields);
    FrmShift dialog(this, current, targetCount(false), targetCount(true), ChkIkkatu->isChecked());
    dialog.setConfirm([this, &dialog, &camera](int64_t seconds, bool folderMode) {
        const int count = targetCount(folderMode);
        // With nothing to ask about, it is told once the dialog has closed.
        return count == 0 || tell(ShiftQuestion(folderMode, count, seconds,
                                                dialog.byReference() ? &camera : nullptr));
    });
    if (dialog.exec() != QDialog::Accepted) return;
    if (targetCount(dialog.folderMode()) == 0) {
        tell(NothingToDoMessage());
        return;
    }
    const ShiftOptions shift{dialog.seconds(), {}, allCopies()->isChecked()};
    runPhotos(*MakeShift(shift, dialog.byReference() ? &camera : nullptr), RunCommand::Shift,
              dialog.folderMode());
}

void FrmMain::mnuFileTime_Click() {
    const bool folderMode = ChkIkkatu->isChecked();
    const int count = targetCount(folderMode);
    if (count == 0) {
        tell(NothingToDoMessage());
        return;
    }
    if (!tell(FileTimeQuestion(folderMode, count))) return;
    runPhotos(*MakeFileTimeFromDate(), RunCommand::FileTime, folderMode);
}

void FrmMain::mnuUndo_Click() {
    FrmUndo dialog(this, logFolder());
    // A photo of the list may have been put back: the panel shows it as it is now.
    dialog.setAfterUndo([this] { File1_Click(); });
    dialog.exec();
}

void FrmMain::mnuLogFolder_Click() {
    const QString folder = logFolder();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        MessageService::show(
            this, "ログフォルダを作成できません。\r\n" + QDir::toNativeSeparators(folder),
            kAppTitle, MessageIcon::Exclamation);
        return;
    }
    const bool shown = openFolderHook_ ? openFolderHook_(folder)
                                       : QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    if (!shown)
        MessageService::show(this,
                             "ログフォルダを開けません。\r\n" + QDir::toNativeSeparators(folder),
                             kAppTitle, MessageIcon::Exclamation);
}

// ---- settings, start-up and shut-down ----

QString FrmMain::GetReg(const QString& key, const QVariant& defaultValue) const {
    return tokimori::GetReg(key, defaultValue);
}

Status FrmMain::SetReg(const QString& key, const QVariant& value) const {
    return tokimori::SetReg(key, value);
}

bool FrmMain::Form_Load() {
    // One copy per user; a second start says so and brings the running copy to the front.
    singleCopy_ = std::make_unique<SingleCopy>(this);
    if (!singleCopy_->acquire()) {
        MessageService::show(this, "すでに起動しています。", kAppTitle, MessageIcon::Information);
        singleCopy_->bringRunningCopyForward();
        return false;
    }

    for (QWidget* w : std::initializer_list<QWidget*>{Drive1, Dir1, File1, txt_Exif_Info,
                                                      lbl_Settei, ChkIkkatu, ChkHoji, ChkUme})
        w->setFont(ListFont());
    CmdExe->setFont(ListFont(true));

    const QDateTime now = QDateTime::currentDateTime();
    setWindowTitle(U(MainCaption()));
    lastRead_.fileTime.clear();
    DTPDate->setDate(now.date());
    DTPTime->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    DTPumeDate->setDate(now.date());

    const std::string installRoot = GetDriveRoot(ProgramFolder());
    auto fail = [this](const RunError& e) {
        MessageService::show(this, QString::number(e.number), kAppTitle, MessageIcon::Exclamation);
        return true;
    };
    // Window bounds in twips, outer frame.
    auto number = [this](const SettingKey& k) {
        return SettingNumber(S(GetReg(k.key, k.defaultNumber)));
    };
    auto top = number(kWindowTop);
    if (!top) return fail(top.error());
    auto left = number(kWindowLeft);
    if (!left) return fail(left.error());
    const QPoint corner(TwipsToPixels(left.value()), TwipsToPixels(top.value()));
    keeper_->placeOuter(QRect(corner, size().grownBy(ToQMargins(keeper_->frame()))));
    auto width = number(kWindowWidth);
    if (!width) return fail(width.error());
    auto height = number(kWindowHeight);
    if (!height) return fail(height.error());
    keeper_->placeOuter(
        QRect(corner, QSize(TwipsToPixels(width.value()), TwipsToPixels(height.value()))));

    auto start =
        ChooseStartFolder(S(GetReg(kFolderKey, "")), installRoot, readableFallbackFolder());
    if (!start) return fail(start.error());
    for (const MessageRequest& m : start->messages)
        tell(m);
    if (start->setDrive) Drive1->setDrive(start->folder);
    allKinds()->setChecked(FlagSetting(kAllKindsKey, S(GetReg(kAllKindsKey.key, QString()))));
    mnuAllKinds_Click(); // before the folder is listed
    Dir1->setPath(start->folder);
    File1_PathChange();
    allCopies()->setChecked(FlagSetting(kAllCopiesKey, S(GetReg(kAllCopiesKey.key, QString()))));

    // The run button's face: its icon left of its caption, the pair centred.
    cmdControl = std::make_unique<CommandButtonCT>();
    cmdControl->Load(CmdExe);
    cmdControl->setPicturePosition(1);
    return true;
}

void FrmMain::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
}

void FrmMain::Form_Unload() {
    if (!singleCopy_ || !singleCopy_->held()) return; // a refused second copy stores nothing
    // The program's other windows, newest first.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        QWidget* w = *it;
        if (w != this && w->isWindow() && !qobject_cast<QMenu*>(w)) w->close();
    }
    const Rect outer = keeper_->normalOuter();
    // The settings hold text: a folder whose name is no UTF-8 is kept as its nearest parent
    // that is.
    std::string folder = Dir1->path();
    while (!IsUtf8(folder) && GetParentPath(folder) != folder)
        folder = GetParentPath(folder);
    // The window is closing: a store that refuses a value has nowhere left to be reported, and
    // the program ends as usual (the next start falls back to the defaults).
    const std::pair<const char*, QVariant> values[] = {
        {kWindowTop.key, PixelsToTwips(outer.top)},
        {kWindowLeft.key, PixelsToTwips(outer.left)},
        {kWindowWidth.key, PixelsToTwips(outer.width)},
        {kWindowHeight.key, PixelsToTwips(outer.height)},
        {kFolderKey, IsUtf8(folder) ? U(folder) : QString()},
        {kAllCopiesKey.key, U(FlagText(allCopies()->isChecked()))},
        {kAllKindsKey.key, U(FlagText(allKinds()->isChecked()))}};
    for (const auto& [key, value] : values)
        (void)SetReg(key, value);
    CloseAllHelp();
}

// ---- placement and layout ----

QSize FrmMain::outerSizeTwips() const {
    const QSize outer = size().grownBy(ToQMargins(keeper_->frame()));
    return QSize(PixelsToTwips(outer.width()), PixelsToTwips(outer.height()));
}

void FrmMain::setOuterSizeTwips(int width, int height) {
    const Margins f = keeper_->frame();
    resize(TwipsToPixels(width) - f.left - f.right, TwipsToPixels(height) - f.top - f.bottom);
}

void FrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    keeper_->placed();
    Form_Resize();
}

void FrmMain::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    keeper_->placed();
}

void FrmMain::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange) return;
    keeper_->stateChanged();
    if (!isMinimized()) Form_Resize();
}

void FrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    keeper_->shown();
}

void FrmMain::placeDocked() {
    const int w = client_->width();
    Toolbar->setGeometry(0, 0, w, TwipsToPixels(600));
    const int h = qMax(TwipsToPixels(240), stb->sizeHint().height());
    stb->setGeometry(0, client_->height() - h, w, h);
}

void FrmMain::Form_Resize() {
    if (isMinimized() || !client_) return;
    placeDocked();
    if (keeper_->state() == WindowState::Normal) {
        // Height first, then width; each correction's size change lays out again.
        const int run = ++layoutRuns_;
        const QSize outer = outerSizeTwips();
        if (const auto fix = MinimumSizeCorrection(outer.width(), outer.height())) {
            setOuterSizeTwips(fix->width, fix->height);
            if (outerSizeTwips() != outer) {
                // A hidden window gets its resize event only when shown: the next pass runs here.
                if (layoutRuns_ == run) Form_Resize();
                return;
            }
        }
    }
    Image2->hide();
    for (const ControlPlace& c :
         LayOutMain(PixelsToTwips(client_->width()), PixelsToTwips(client_->height()))) {
        QWidget* w = findChild<QWidget*>(c.name);
        if (w && w != Image2) place(w, c.rect);
    }
    File1_Click();
}

// ---- browsing ----

std::string FrmMain::folderWithSeparator() const {
    return JoinPath(File1->path(), "");
}

void FrmMain::Drive1_Change() {
    // A drive opens at the folder the list last showed on it, as a bare drive does.
    if (!Dir1->path().empty() && Drive1->driveOf(Dir1->path()) == Drive1->drive()) return;
    const std::string root = Drive1->drive();
    if (Dir1->setPath(root)) return;
    // A drive that is gone or holds no medium gets the drive list's own message; a drive that is
    // there but cannot be read is named.
    auto presence = CheckFolderPresence(root);
    if (presence && presence.value() == FolderPresence::Present)
        tell(FolderUnreadableMessage(root));
    else
        MessageService::show(this, "エラー", kAppTitle, MessageIcon::None);
    if (!Dir1->path().empty()) Drive1->setDrive(Dir1->path());
}

void FrmMain::Dir1_Change() {
    File1->setPath(Dir1->path());
    stbPath_->setText(Shown(Dir1->path()));
    // The drive list shows the volume of the folder shown, however the folder was reached.
    Drive1->setDrive(Dir1->path());
}

bool FrmMain::openFolder(const std::string& folder) {
    if (folder.empty() || Dir1->setPath(folder)) return true;
    tell(FolderUnreadableMessage(folder));
    return false;
}

void FrmMain::keepReadableFolder() {
    const std::string folder = Dir1->path();
    if (folder.empty() || CheckFolderReadable(folder)) return;
    tell(FolderUnreadableMessage(folder));
    for (std::string up = folder;;) {
        const std::string parent = GetParentPath(up);
        if (Dir1->setPath(parent)) return;
        if (parent == up) break;
        up = parent;
    }
    Dir1->setPath(readableFallbackFolder());
}

std::string FrmMain::readableFallbackFolder() const {
    const std::string home = S(QDir::toNativeSeparators(QDir::homePath()));
    return CheckFolderReadable(home) ? home : S(QDir::toNativeSeparators(QDir::rootPath()));
}

void FrmMain::browseKey(const BrowseKey& k) {
    if (k.processEvents) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (k.refreshDrives) Drive1->refresh();
    if (k.refreshFiles) keepReadableFolder();
    if (k.refreshFolders) Dir1->refresh();
    if (k.refreshFiles) File1->refresh();
    if (k.selectFirst && File1->listCount() > 0) File1->selectEntry(0);
    if (k.selectAll)
        for (int i = 0; i < File1->listCount(); ++i)
            File1->selectEntry(i);
    if (k.up) openFolder(GetParentPath(Dir1->path()));
    if (k.open) Dir1_Open(Dir1->currentRow());
}

void FrmMain::Dir1_KeyDown(int key, Qt::KeyboardModifiers m) {
    browseKey(KeyDown(BrowseList::Folder, key, m & Qt::ControlModifier, m & Qt::ShiftModifier,
                      m & Qt::AltModifier));
}

void FrmMain::Dir1_KeyPress(int character) {
    browseKey(KeyPress(BrowseList::Folder, character));
}

void FrmMain::Dir1_Open(int index) {
    openFolder(Dir1->entryPath(index));
}

void FrmMain::File1_PathChange() {
    if (File1->listCount() == 0) {
        setExifInfo("");
        clearThumbnail();
    } else {
        File1->selectEntry(0);
    }
}

void FrmMain::File1_KeyDown(int key, Qt::KeyboardModifiers m) {
    browseKey(KeyDown(BrowseList::File, key, m & Qt::ControlModifier, m & Qt::ShiftModifier,
                      m & Qt::AltModifier));
}

void FrmMain::File1_KeyPress(int character) {
    browseKey(KeyPress(BrowseList::File, character));
}

void FrmMain::Drive1_KeyDown(int key, Qt::KeyboardModifiers m) {
    browseKey(KeyDown(BrowseList::Drive, key, m & Qt::ControlModifier, m & Qt::ShiftModifier,
                      m & Qt::AltModifier));
}

void FrmMain::Drive1_LostFocus() {
    Drive1->refresh();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- information panel and thumbnail ----

void FrmMain::setExifInfo(const QString& crlfText, const QString& tip) {
    txt_Exif_Info->setPlainText(QString(crlfText).replace("\r\n", "\n"));
    txt_Exif_Info->setToolTip(tip);
}

QAction* FrmMain::allCopies() const {
    return findChild<QAction*>(kAllCopiesItem.name);
}

QAction* FrmMain::allKinds() const {
    return findChild<QAction*>(kAllKindsItem.name);
}

void FrmMain::mnuAllKinds_Click() {
    File1->setKinds(allKinds()->isChecked() ? Listing::Everything : Listing::Jpeg);
}

QString FrmMain::exifInfoText() const {
    return txt_Exif_Info->toPlainText().replace("\n", "\r\n");
}

void FrmMain::clearThumbnail() {
    thumbs_->clear();
}

bool FrmMain::FitThumbnail(const std::string& path, const ExifInfo* exif) {
    return thumbs_->fit(path, exif);
}

bool FrmMain::waitForThumbnail(int timeoutMs) {
    return thumbs_->wait(timeoutMs);
}

void FrmMain::File1_Click() {
    if (inRun_) { // the run redraws the panel once, when it ends
        panelPending_ = true;
        return;
    }
    const std::string name = File1->currentFileName();
    const std::string path = JoinPath(File1->path(), name);
    switch (PanelActionFor(!name.empty(), !name.empty() && IsFile(path), File1->othersSelected())) {
    case PanelAction::Refresh:
        MessageService::show(this, kFolderChanged, kAppTitle, MessageIcon::Information);
        File1->refresh();
        return;
    case PanelAction::Empty:
        setExifInfo("");
        return;
    case PanelAction::ClearThumbnail:
        setExifInfo("");
        clearThumbnail();
        return;
    case PanelAction::Show:
        break;
    }
    setExifInfo("");
    std::vector<PhotoDate> dates;
    auto read = ReadExifInfo(folderWithSeparator(), name, &dates);
    summary_ = read ? read->summary : ExifSummary{};
    if (!read) {
        // A photo that cannot be read is said in the thumbnail's place, not in a message box.
        clearThumbnail();
        thumbs_->note(U(PhotoReadFailure(read.error())));
        return;
    }
    const LocalDateTime modified = LocalFromUnix(read->modifiedUnix);
    lastRead_.embeddedDate = FromPhotoText(read->summary.EmbeddedDate);
    lastRead_.fileDate = U(FormatGeneralDate(modified));
    const QString panel = U(PanelTextFor(read.value(), modified));
    // Beside the panel's lines: the XMP and IPTC shooting dates that say otherwise.
    const QString tip = U(CopiesDisagreeText(dates));
    if (read->entries != 0) setExifInfo(panel, tip);
    FitThumbnail(path, &read.value()); // one that cannot be shown keeps its text
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (read->entries == 0) setExifInfo(panel, tip);
}

void FrmMain::File1_DblClick() {
    waitForThumbnail(); // whether the thumbnail holds a picture is known once it is decoded
    if (Image2->pixmap().isNull() || File1->currentFileName().empty()) return;
    FrmViewer viewer(JoinPath(File1->path(), File1->currentFileName()), this);
    if (!viewer.loadPhoto()) return;
    viewer.exec();
}

void FrmMain::Image2_MouseMove() {
    Image2->setToolTip(
        txt_Exif_Info->toPlainText().isEmpty() ? QString() : QString("ダブルクリックで写真表示"));
}

// ---- options ----

void FrmMain::ChkIkkatu_MouseUp() {
    if (!ChkIkkatu->isChecked()) return;
    ChkHoji->setChecked(true);
    DTPTime->setEnabled(false);
}

void FrmMain::ChkHoji_MouseUp() {
    DTPTime->setEnabled(!ChkHoji->isChecked());
}

void FrmMain::ChkUme_MouseUp() {
    if (ChkUme->isChecked()) {
        ChkIkkatu->setChecked(true);
        ChkHoji->setChecked(true);
        DTPTime->setEnabled(false);
        DTPumeDate->setEnabled(true);
    } else {
        DTPumeDate->setEnabled(false);
    }
}

// ---- the run ----

SetDatesOptions FrmMain::runOptions() const {
    SetDatesOptions o;
    const QDate d = DTPDate->date();
    const QTime t = DTPTime->time();
    const QDate m = DTPumeDate->date();
    o.date = {d.year(), d.month(), d.day(), 0, 0, 0};
    o.timeOfDay = {0, 0, 0, t.hour(), t.minute(), t.second()};
    o.keepTime = ChkHoji->isChecked();
    o.matchDate = ChkUme->isChecked();
    o.matchDay = {m.year(), m.month(), m.day(), 0, 0, 0};
    o.allCopies = allCopies()->isChecked();
    return o;
}

bool FrmMain::updateProgress(int done, int total, bool force) {
    // Repainted at most ten times a second, without taking input: the run stays modal.
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    if (!force && clock.elapsed() - lastProgressPaint_ < 100) return false;
    lastProgressPaint_ = clock.elapsed();
    stbProgress_->setText(U(ProgressText(done, total)));
    stbProgress_->repaint();
    File1->repaint();
    return true;
}

void FrmMain::CmdExe_Click() {
    if (const auto question = SetDatesQuestion(ChkIkkatu->isChecked(), ChkHoji->isChecked()))
        if (!tell(*question)) return;
    runPhotos(*MakeSetDates(runOptions()), RunCommand::SetDates, ChkIkkatu->isChecked());
}

int FrmMain::targetCount(bool folderMode) const {
    if (folderMode) return File1->listCount();
    const std::vector<bool> selected = File1->selectedEntries();
    return static_cast<int>(std::count(selected.begin(), selected.end(), true));
}

void FrmMain::runPhotos(const RunKind& kind, RunCommand command, bool folderMode) {
    const int total = File1->listCount();
    // The targets: every entry in folder mode, else the selected ones, in list order. Before
    // anything changes, every listed file must still be there.
    RunRequest request;
    std::vector<int> entryOf; // the list entry of each target
    const std::vector<bool> selected = File1->selectedEntries();
    for (int i = 0; i < total; ++i) {
        const std::string path = JoinPath(File1->path(), File1->fileName(i));
        request.listed.push_back(path);
        if (folderMode || selected[static_cast<size_t>(i)]) {
            request.targets.push_back(path);
            entryOf.push_back(i);
        }
    }
    request.logFolder = S(logFolder());
    request.where = File1->path();
    RunPolicy policy;
    policy.stopAtFirstError = true;
    policy.checkListedFilesExist = true;
    RunReport report(command, folderMode, ChkUme->isChecked());

    // The panel as the run leaves it: redrawn for the current selection, or the failure text
    // and thumbnail of a photo that could not be done; shown before each message and at the end.
    bool panelDue = false;
    std::string noDatePath;
    // Folder mode selects each entry as the run reaches it; the list shows it at each progress
    // step (one selection range per step keeps a list of ten thousand photos fast).
    int shownUpTo = -1;
    auto showSelection = [&](int upTo) {
        if (!folderMode || upTo <= shownUpTo) return;
        File1->selectRange(shownUpTo + 1, upTo);
        shownUpTo = upTo;
    };
    auto showPanel = [&] {
        inRun_ = false;
        if (!panelDue) return;
        panelDue = false;
        if (report.panel() == RunReport::Panel::Redraw) {
            File1_Click();
        } else if (report.panel() == RunReport::Panel::NoDate) {
            setExifInfo(kNoDateInfo);
            clearThumbnail();
            FitThumbnail(noDatePath);
        }
    };

    RunHooks hooks;
    hooks.progress = [&](size_t target, size_t) {
        const int entry = entryOf[target];
        if (updateProgress(entry + 1, total, false)) showSelection(entry);
    };
    hooks.photoDone = [&](const PhotoOutcome& o) {
        const int entry = entryOf[o.index];
        lastRead_ = {FromPhotoText(o.before.EmbeddedDate), U(o.fileDateText),
                     U(FormatTimeOfDay(LocalFromUnix(o.timesBefore.modified.seconds)))};
        DateChanged_ = o.plan.dates.DateChanged;
        const RunReport::Now now = report.photo(o, S(File1->shownName(entry)));
        panelDue = report.panel() != RunReport::Panel::Untouched;
        if (report.panel() == RunReport::Panel::NoDate) noDatePath = o.path;
        if (now.messages.empty()) return;
        // Before a message of the run appears, the list, the count and the panel show the photo
        // it speaks of.
        showSelection(entry);
        updateProgress(entry + 1, total, true);
        showPanel();
        if (now.refreshList) File1->refresh();
        for (const MessageRequest& m : now.messages)
            tell(m);
        if (now.endsRun)
            updateProgress(0, 0, true);
        else
            inRun_ = true;
    };

    inRun_ = true;
    panelPending_ = false;
    const RunSummary summary = RunPhotos(kind, request, policy, hooks);
    inRun_ = false;
    panelPending_ = false;

    const RunReport::End end = report.finish(summary, request.logFolder);
    if (summary.stalePath.empty() && !report.endedByPhoto()) {
        if (folderMode) showSelection(total - 1);
        updateProgress(0, 0, true);
        showPanel();
    }
    if (end.refreshFirst) File1->refresh();
    for (const MessageRequest& m : end.messages)
        tell(m);
    if (end.refreshAfter) {
        File1->refresh();
        if (File1->listCount() > 0) File1->selectEntry(0);
    }
    if (summary.stalePath.empty() && !report.endedByPhoto() && !summary.stoppedBy)
        DateChanged_ = false;
}

} // namespace tokimori
