#include "app/FrmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <iterator>

#include "about/FrmAbout.h"
#include "app/FrmShift.h"
#include "app/FrmUndo.h"
#include "app/Help.h"
#include "app/SingleCopy.h"
#include "app/Volumes.h"
#include "base/Paths.h"
#include "base/Version.h"
#include "controls/CommandButtonCT.h"
#include "controls/DateTimePicker.h"
#include "filetime/LocalTime.h"
#include "photo/Fit.h"
#include "photo/FrmViewer.h"
#include "photo/PictureLoader.h"
#include "photo/ThumbnailLoader.h"
#include "run/DateKinds.h"
#include "run/OperationLog.h"
#include "ui/Artwork.h"
#include "ui/MessageService.h"
#include "ui/Settings.h"
#include "ui/Texts.h"
#include "ui/Twips.h"

namespace tokimori {

namespace {

const char kNoDateInfo[] = "ファイルの日付情報が取得できません";
// Why a photo's dates were left alone when each date text was unsafe to write.
const char kUnsafeDates[] = "（日付の位置が安全に書き換えられないため、変更しませんでした）";
const char kChangedMeanwhile[] =
    "（実行中に他のプログラムが写真を変更したため、変更しませんでした）";
const char kFolderChanged[] =
    "フォルダ内の情報が変更された可能性が有る為、最新の情報へ更新します。";
// Followed by the folder's path.
const char kFolderUnreadable[] = "フォルダを読み込めません。\r\n";

QFont ListFont(bool bold = false) {
    QFont f;
    f.setFamilies({"ＭＳ Ｐゴシック", "MS PGothic", "Noto Sans CJK JP", "Noto Sans JP",
                   "IPAPGothic", "VL PGothic", "Sans Serif"});
    f.setPointSize(9);
    f.setBold(bold);
    return f;
}

// A window's outer bounds, moved onto the nearest screen when no screen shows enough of its
// title bar to take hold of it (a monitor since unplugged, a position from a larger desktop).
// Its size is kept.
QRect OnAScreen(const QRect& outer) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty() || outer.isEmpty()) return outer;
    const QRect title(outer.topLeft(), QSize(outer.width(), qMin(outer.height(), 24)));
    QRect nearest;
    qint64 best = -1;
    for (const QScreen* s : screens) {
        const QRect area = s->availableGeometry();
        const QRect seen = area.intersected(title);
        if (seen.width() >= qMin(100, title.width()) && seen.height() >= qMin(12, title.height()))
            return outer;
        // Distance from the title bar's middle to the screen.
        const QPoint c = title.center();
        const qint64 dx = qMax(0, qMax(area.left() - c.x(), c.x() - area.right()));
        const qint64 dy = qMax(0, qMax(area.top() - c.y(), c.y() - area.bottom()));
        if (best < 0 || dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = area;
        }
    }
    // All of it on that screen where it fits; else its top-left corner at the screen's.
    const int x = qBound(nearest.left(), outer.left(),
                         qMax(nearest.left(), nearest.right() + 1 - outer.width()));
    const int y = qBound(nearest.top(), outer.top(),
                         qMax(nearest.top(), nearest.bottom() + 1 - outer.height()));
    return QRect(QPoint(x, y), outer.size());
}

// Whether frame margins are a window manager's frame. Until the window manager has taken the
// window on, the system can report margins made from the unframed window's size.
bool PlausibleFrame(const QMargins& m) {
    return m.left() >= 0 && m.top() >= 0 && m.right() >= 0 && m.bottom() >= 0 &&
           m.left() + m.right() < 200 && m.top() + m.bottom() < 200;
}

// The fourteen lines of the information panel, joined by CR LF. A photo whose Exif data hold no
// pixel size shows the size of its JPEG frame instead of 0×0.
QString PanelText(const ExifInfo& info, const QString& fileDate) {
    const ExifSummary& s = info.summary;
    const bool fromFrame = s.PixelWidth == 0 && s.PixelHeight == 0 && info.frameWidth > 0;
    const int width = fromFrame ? info.frameWidth : s.PixelWidth;
    const int height = fromFrame ? info.frameHeight : s.PixelHeight;
    const QStringList lines{"サイズ(横×縦)",
                            QString("%1×%2").arg(width).arg(height),
                            "",
                            "埋込日付(撮影日時)",
                            FromPhotoText(s.EmbeddedDate),
                            "",
                            "ファイル日付",
                            fileDate,
                            "",
                            "メーカー名",
                            FromPhotoText(s.Maker),
                            "",
                            "モデル名",
                            FromPhotoText(s.Model)};
    return lines.join("\r\n");
}

} // namespace

void MouseUpCheckBox::mouseReleaseEvent(QMouseEvent* e) {
    QCheckBox::mouseReleaseEvent(e);
    emit mouseUp();
}

void Thumbnail::mouseDoubleClickEvent(QMouseEvent* e) {
    QLabel::mouseDoubleClickEvent(e);
    emit doubleClicked();
}

void Thumbnail::mouseMoveEvent(QMouseEvent* e) {
    QLabel::mouseMoveEvent(e);
    emit mouseMoved();
}

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FrmMain");
    setWindowIcon(ArtIcon(Art::Program));
    thumbs_ = std::make_unique<ThumbnailLoader>();
    connect(thumbs_.get(), &ThumbnailLoader::decoded, this, &FrmMain::thumbnailDecoded);
    buildControls();
    buildCommands();
}

void FrmMain::buildCommands() {
    QMenu* mnuFile = menuBar()->addMenu("ファイル(&F)");
    mnuFile->setObjectName("mnuFile");
    const std::pair<const char*, void (FrmMain::*)()> fileCommands[] = {
        {"mnuShift", &FrmMain::mnuShift_Click},
        {"mnuFileTime", &FrmMain::mnuFileTime_Click},
        {"mnuUndo", &FrmMain::mnuUndo_Click},
        {"mnuLogFolder", &FrmMain::mnuLogFolder_Click}};
    const char* fileCaptions[] = {"日時をずらす(&S)...", "ファイル日付を撮影日時に合わせる(&F)",
                                  "元に戻す(&U)...", "ログフォルダを開く(&L)"};
    for (size_t i = 0; i < std::size(fileCommands); ++i) {
        QAction* a = mnuFile->addAction(fileCaptions[i]);
        a->setObjectName(fileCommands[i].first);
        connect(a, &QAction::triggered, this, fileCommands[i].second);
    }
    mnuFile->addSeparator()->setObjectName("mnuFileBar");
    QAction* mnuEnd = mnuFile->addAction("終了(&X)");
    mnuEnd->setObjectName("mnuEnd");
    QAction* mnuPhotoBig = menuBar()->addAction("画像プレビュー(&P)");
    mnuPhotoBig->setObjectName("mnuPhotoBig");
    QMenu* mnuHelp = menuBar()->addMenu("ヘルプ(&H)");
    mnuHelp->setObjectName("mnuHelp");
    QAction* mnuHelpHelp = mnuHelp->addAction("ヘルプ(&H)");
    mnuHelpHelp->setObjectName("mnuHelpHelp");
    QAction* mnuAbout = mnuHelp->addAction("バージョン情報(&A)");
    mnuAbout->setObjectName("mnuAbout");
    connect(mnuEnd, &QAction::triggered, this, &FrmMain::mnuEnd_Click);
    connect(mnuPhotoBig, &QAction::triggered, this, &FrmMain::mnuPhotoBig_Click);
    connect(mnuHelpHelp, &QAction::triggered, this, &FrmMain::mnuHelpHelp_Click);
    connect(mnuAbout, &QAction::triggered, this, &FrmMain::mnuAbout_Click);

    struct Button {
        const char* key;
        Art art;
        const char* tip;
    };
    const Button buttons[] = {{"UP", Art::Up, "上へ"},
                              {nullptr, Art::Up, nullptr},
                              {"PhotoBig", Art::Preview, "画像プレビュー"},
                              {nullptr, Art::Up, nullptr},
                              {"Help", Art::Help, "ヘルプ"},
                              {"Close", Art::Close, "終了"}};
    for (const Button& b : buttons) {
        if (!b.key) {
            Toolbar->addSeparator();
            continue;
        }
        QAction* a = Toolbar->addAction(ArtIcon(b.art), QString());
        a->setObjectName(QString("Toolbar_") + b.key);
        a->setData(QString(b.key));
        a->setToolTip(b.tip);
    }
    connect(Toolbar, &QToolBar::actionTriggered, this,
            [this](QAction* a) { Toolbar_ButtonClick(a->data().toString()); });
    resize(TwipsToPixels(13680), TwipsToPixels(7665) + menuBar()->sizeHint().height());
}

void FrmMain::Toolbar_ButtonClick(const QString& key) {
    if (key == "UP")
        Dir1_KeyPress(8);
    else if (key == "PhotoBig")
        File1_DblClick();
    else if (key == "Help")
        mnuHelpHelp_Click();
    else if (key == "Close")
        mnuEnd_Click();
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
    const QString name = File1->currentFileName();
    FrmShift::Photo current;
    current.name = name;
    if (!name.isEmpty()) {
        // The current photo as it is now: the preview is its shooting date moved.
        auto read = ReadExifInfo(S(folderWithSeparator()), S(name));
        if (read) {
            current.read = true;
            current.embeddedDate = read->summary.EmbeddedDate;
        }
    }
    FrmShift dialog(this, current, targetCount(false), targetCount(true), ChkIkkatu->isChecked());
    dialog.setConfirm([this](int64_t seconds, bool folderMode) {
        const int count = targetCount(folderMode);
        if (count == 0) return true; // nothing to ask about: told once the dialog has closed
        return MessageService::show(this,
                                    QString("%1 %2 件の撮影日時とファイル日付を %3 %4。"
                                            "\r\nよろしいですか？")
                                        .arg(folderMode ? "フォルダ内の写真" : "選択した写真")
                                        .arg(count)
                                        .arg(FrmShift::AmountText(seconds))
                                        .arg(seconds < 0 ? "戻します" : "進めます"),
                                    kAppTitle, MessageIcon::Question,
                                    MessageButtons::OkCancel) == MessageAnswer::Ok;
    });
    if (dialog.exec() != QDialog::Accepted) return;
    const bool folderMode = dialog.folderMode();
    if (targetCount(folderMode) == 0) {
        MessageService::show(this, "変換対象のファイルが存在しませんでした。", "処理完了",
                             MessageIcon::Information);
        return;
    }
    ShiftOptions o;
    o.seconds = dialog.seconds();
    const std::unique_ptr<RunKind> kind = MakeShiftDates(o);
    WindowRun run;
    run.kind = kind.get();
    run.folderMode = folderMode;
    run.again = "再度、「日時をずらす」を行って下さい。";
    run.refusedAtEnd = "次の写真の日付は正しい日時でないか、ずらすと範囲を外れるため、変更しません"
                       "でした。";
    run.partlyAtEnd = "次の写真の日付のうち、正しい日時でないもの（ずらすと範囲を外れるものを含む）"
                      "はそのままにしました。";
    runPhotos(run);
}

void FrmMain::mnuFileTime_Click() {
    const bool folderMode = ChkIkkatu->isChecked();
    const int count = targetCount(folderMode);
    if (count == 0) {
        MessageService::show(this, "変換対象のファイルが存在しませんでした。", "処理完了",
                             MessageIcon::Information);
        return;
    }
    if (MessageService::show(this,
                             QString("%1 %2 件のファイル日付を撮影日時に合わせます。"
                                     "\r\nよろしいですか？")
                                 .arg(folderMode ? "フォルダ内の写真" : "選択した写真")
                                 .arg(count),
                             kAppTitle, MessageIcon::Question,
                             MessageButtons::OkCancel) == MessageAnswer::Cancel)
        return;
    const std::unique_ptr<RunKind> kind = MakeFileTimeFromDate();
    WindowRun run;
    run.kind = kind.get();
    run.folderMode = folderMode;
    run.again = "再度、「ファイル日付を撮影日時に合わせる」を行って下さい。";
    run.refusedAtEnd = "次の写真には正しい撮影日時（埋込日付）が無いため、ファイル日付を変更"
                       "しませんでした。";
    runPhotos(run);
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

FrmMain::~FrmMain() {
    thumbs_.reset(); // a decode under way gives up and is waited for
    // Children outlive this object's handlers while they are torn down.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void FrmMain::place(QWidget* w, int left, int top, int width, int height) {
    twips_[w->objectName()] = QRect(left, top, width, height);
    w->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                   TwipsToPixels(height));
}

void FrmMain::buildControls() {
    client_ = new QWidget(this);
    client_->setObjectName("client");
    setCentralWidget(client_);

    frm_MainBack = new QFrame(client_);
    frm_MainBack->setObjectName("frm_MainBack");
    Frame2 = new QFrame(frm_MainBack);
    Frame2->setObjectName("Frame2");
    FraSet = new QFrame(frm_MainBack);
    FraSet->setObjectName("FraSet");
    for (QFrame* f : {Frame2, FraSet})
        f->setFrameShape(QFrame::StyledPanel);

    Drive1 = new DriveList(Frame2);
    Drive1->setObjectName("Drive1");
    Dir1 = new FolderList(Frame2);
    Dir1->setObjectName("Dir1");
    File1 = new FileList(Frame2);
    File1->setObjectName("File1");
    PicBack = new QLabel(Frame2);
    PicBack->setObjectName("PicBack");
    PicBack->setAutoFillBackground(true);
    {
        QPalette p = PicBack->palette();
        p.setColor(QPalette::Window, palette().color(QPalette::ButtonText));
        // A note in place of a photo that cannot be shown, light on the dark frame.
        p.setColor(QPalette::WindowText, palette().color(QPalette::Button));
        PicBack->setPalette(p);
    }
    PicBack->setAlignment(Qt::AlignCenter);
    PicBack->setWordWrap(true);
    PicBack->setMargin(6);
    Image2 = new Thumbnail(Frame2);
    Image2->setObjectName("Image2");
    Image2->setScaledContents(true);
    Image2->setMouseTracking(true);
    Image2->setToolTip("ダブルクリックで写真表示");
    Image2->hide();
    lbl_Back_Image[0] = new GradientBar(Frame2);
    lbl_Back_Image[0]->setObjectName("lbl_Back_Image0");
    lbl_File_Info = new QLabel(" ファイル情報", Frame2);
    lbl_File_Info->setObjectName("lbl_File_Info");
    txt_Exif_Info = new QPlainTextEdit(Frame2);
    txt_Exif_Info->setObjectName("txt_Exif_Info");
    txt_Exif_Info->setReadOnly(true);

    lbl_Back_Image[1] = new GradientBar(FraSet);
    lbl_Back_Image[1]->setObjectName("lbl_Back_Image1");
    Label1 = new QLabel("埋込日付設定", FraSet);
    Label1->setObjectName("Label1");
    for (QLabel* l : {lbl_File_Info, Label1}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(p);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    Line1 = new QFrame(FraSet);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    lbl_Back = new QLabel(FraSet);
    lbl_Back->setObjectName("lbl_Back");
    lbl_Back->setAutoFillBackground(true);
    {
        QPalette p = lbl_Back->palette();
        p.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xC0)); // &H00C0FFFF& (BGR)
        lbl_Back->setPalette(p);
    }
    lbl_Settei = new QLabel("設定日時", FraSet);
    lbl_Settei->setObjectName("lbl_Settei");
    DTPDate = new DatePicker(FraSet);
    DTPDate->setObjectName("DTPDate");
    DTPTime = new TimePicker(FraSet);
    DTPTime->setObjectName("DTPTime");
    ChkIkkatu = new MouseUpCheckBox("フォルダ内一括処理", FraSet);
    ChkIkkatu->setObjectName("ChkIkkatu");
    ChkHoji = new MouseUpCheckBox("時分秒は保持する", FraSet);
    ChkHoji->setObjectName("ChkHoji");
    ChkUme = new MouseUpCheckBox("指定した埋込日付の写真全てを対象", FraSet);
    ChkUme->setObjectName("ChkUme");
    DTPumeDate = new DatePicker(FraSet);
    DTPumeDate->setObjectName("DTPumeDate");
    DTPumeDate->setEnabled(false);
    for (QDateEdit* d : {DTPDate, DTPumeDate}) {
        d->setDisplayFormat("yyyy/MM/dd");
        d->setCalendarPopup(true);
        d->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    }
    DTPTime->setDisplayFormat("HH:mm:ss");
    for (QWidget* picker : std::initializer_list<QWidget*>{DTPDate, DTPTime, DTPumeDate})
        picker->setFont(ListFont());
    CmdExe = new QPushButton(" 埋込日付設定実行", FraSet);
    CmdExe->setObjectName("CmdExe");
    CmdExe->setIcon(ArtIcon(Art::Run));
    CmdExe->setIconSize(QSize(32, 32));
    CmdExe->setProperty(CommandButtonCT::kGraphicalStyle, true);

    Toolbar = new QToolBar(client_);
    Toolbar->setObjectName("Toolbar");
    Toolbar->setIconSize(QSize(32, 32));
    Toolbar->setMovable(false);
    stb = new QStatusBar(client_);
    stb->setObjectName("stb");
    stb->setSizeGripEnabled(false);
    stbPath_ = new QLabel(stb);
    stbPath_->setObjectName("stbPanel1");
    stbProgress_ = new QLabel(stb);
    stbProgress_->setObjectName("stbProgress");
    stb->addWidget(stbPath_, 1);
    stb->addPermanentWidget(stbProgress_);

    // Design rectangles (twips), relative to each control's container.
    place(frm_MainBack, -45, 450, 13900, 6270);
    place(Frame2, 45, 180, 8880, 5880);
    place(FraSet, 9000, 180, 3705, 5880);
    place(Drive1, 45, 135, 2895, 300);
    place(Dir1, 45, 450, 2895, 2820);
    place(File1, 2970, 135, 2895, 5610);
    place(PicBack, 45, 3330, 2895, 2415);
    place(Image2, 90, 3330, 2895, 2415);
    place(lbl_Back_Image[0], 5895, 135, 2895, 270);
    place(lbl_File_Info, 5940, 180, 1545, 240);
    place(txt_Exif_Info, 5895, 405, 2895, 5340);
    place(lbl_Back_Image[1], 0, 90, 4245, 270);
    place(Label1, 90, 135, 1230, 195);
    place(Line1, 0, 352, 3690, 15);
    place(lbl_Back, 90, 540, 3510, 480);
    place(lbl_Settei, 180, 690, 780, 240);
    place(DTPDate, 990, 615, 1335, 330);
    place(DTPTime, 2430, 615, 1095, 330);
    place(ChkIkkatu, 285, 1170, 1935, 375);
    place(ChkHoji, 270, 1620, 1815, 255);
    place(ChkUme, 270, 2010, 3270, 375);
    place(DTPumeDate, 585, 2385, 1455, 330);
    place(CmdExe, 180, 2880, 3330, 540);
    for (QWidget* w : {static_cast<QWidget*>(lbl_File_Info), static_cast<QWidget*>(Label1)})
        w->raise();
    Toolbar->raise();

    // Events.
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

// ---- settings, start-up and shut-down ----

QString FrmMain::GetReg(const QString& key, const QVariant& defaultValue) const {
    return tokimori::GetReg(key, defaultValue);
}

Status FrmMain::SetReg(const QString& key, const QVariant& value) const {
    return tokimori::SetReg(key, value);
}

QSize FrmMain::outerSizeTwips() const {
    const QSize outer = size().grownBy(knownFrame());
    return QSize(PixelsToTwips(outer.width()), PixelsToTwips(outer.height()));
}

void FrmMain::setOuterSizeTwips(int width, int height) {
    const QMargins frame = knownFrame();
    resize(TwipsToPixels(width) - frame.left() - frame.right(),
           TwipsToPixels(height) - frame.top() - frame.bottom());
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
    setWindowTitle(QString("%1 %2").arg(kAppTitle, kVersion));
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
    auto number = [this](const char* key, int def) { return SettingNumber(GetReg(key, def)); };
    auto top = number("WTOP", 105);
    if (!top) return fail(top.error());
    auto left = number("WLEFT", 105);
    if (!left) return fail(left.error());
    const QPoint corner(TwipsToPixels(left.value()), TwipsToPixels(top.value()));
    placeOuter(QRect(corner, size().grownBy(knownFrame())));
    auto width = number("WWidth", kMinOuterWidth);
    if (!width) return fail(width.error());
    auto height = number("WHeight", kMinOuterHeight);
    if (!height) return fail(height.error());
    placeOuter(QRect(corner, QSize(TwipsToPixels(width.value()), TwipsToPixels(height.value()))));

    QString defPath = GetReg("DefPath", "");
    if (defPath.isEmpty()) defPath = FirstStartFolder();
    for (;;) {
        auto presence = CheckFolderPresence(S(defPath));
        if (!presence) {
            if (presence.error().number != err::BadFileName) return fail(presence.error());
            MessageService::show(
                this,
                "前回､「" + defPath +
                    "」で終了しましたがドライブが存在しないか参照不可となっている為、"
                    "\r\nインストールドライブを初期値として開きます。",
                kAppTitle, MessageIcon::Exclamation);
            defPath = U(installRoot);
            continue;
        }
        if (presence.value() == FolderPresence::Absent) {
            if (!Dir1->setPath(U(installRoot))) Dir1->setPath(readableFallbackFolder());
        } else {
            // There, but not a folder that can be read (no permission, or a file of that name).
            if (!CheckFolderReadable(S(defPath))) {
                MessageService::show(this, kFolderUnreadable + QDir::toNativeSeparators(defPath),
                                     kAppTitle, MessageIcon::Exclamation);
                defPath = readableFallbackFolder();
            }
            Drive1->setDrive(defPath);
            Dir1->setPath(defPath);
        }
        break;
    }
    File1_PathChange();

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
    // The outer bounds of the normal window, also when it is maximised or minimised.
    const QRect outer = normalOuterBounds();
    // The window is closing: a store that refuses a value has nowhere left to be reported, and
    // the program ends as usual (the next start falls back to the defaults).
    const std::pair<const char*, QVariant> values[] = {{"WTOP", PixelsToTwips(outer.top())},
                                                       {"WLEFT", PixelsToTwips(outer.left())},
                                                       {"WWidth", PixelsToTwips(outer.width())},
                                                       {"WHeight", PixelsToTwips(outer.height())},
                                                       {"DefPath", Dir1->path()}};
    for (const auto& [key, value] : values)
        (void)SetReg(key, value);
    CloseAllHelp();
}

// ---- layout ----

void FrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    noteNormalGeometry();
    Form_Resize();
}

void FrmMain::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    noteNormalGeometry();
}

void FrmMain::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() != QEvent::WindowStateChange) return;
    if (isMaximized() || isFullScreen()) {
        // A window manager may report the maximised rectangle before the maximised state: that
        // rectangle was never the normal window's.
        const QRect now = geometry();
        while (!normalHistory_.isEmpty() && (normalHistory_.last().size() == now.size() ||
                                             normalHistory_.last().topLeft() == now.topLeft()))
            normalHistory_.removeLast();
    }
    if (!isMinimized()) Form_Resize();
}

void FrmMain::noteNormalGeometry() {
    if (!isVisible() || framePending_ || (windowState() & ~Qt::WindowActive) != Qt::WindowNoState)
        return;
    const QRect now = geometry();
    if (!normalHistory_.isEmpty() && normalHistory_.last() == now) return;
    normalHistory_.append(now);
    if (normalHistory_.size() > 8) normalHistory_.removeFirst();
}

QRect FrmMain::normalOuterBounds() const {
    // Closed before the window manager framed the window (a session ending during start-up): it
    // still stands where start-up placed it; its position may already hold a frame the system
    // made up.
    if (framePending_ && startOuter_.isValid())
        return QRect(startOuter_.topLeft(), size().grownBy(knownFrame()));
    if ((windowState() & ~Qt::WindowActive) == Qt::WindowNoState)
        return geometry().marginsAdded(knownFrame());
    const QRect client = normalHistory_.isEmpty() ? normalGeometry() : normalHistory_.last();
    return client.marginsAdded(normalFrame_);
}

void FrmMain::placeOuter(const QRect& outer) {
    startOuter_ = OnAScreen(outer);
    // Until the window manager frames the window its frame is unknown (taken as none); the
    // bounds are placed again when it is known.
    move(startOuter_.topLeft()); // a window's position is its frame's
    resize(startOuter_.size().shrunkBy(knownFrame()));
}

void FrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (framePending_ && windowHandle() && !frameClock_.isValid()) {
        frameClock_.start();
        windowHandle()->installEventFilter(this);
    }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* e) {
    if (watched == windowHandle()) {
        switch (e->type()) {
        case QEvent::Expose:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (windowHandle()->isExposed()) frameKnown();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
            // The user has taken over: the frame is what it is.
            if (!framePending_) windowHandle()->removeEventFilter(this);
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

QMargins FrmMain::knownFrame() const {
    if (framePending_ || !windowHandle()) return normalFrame_;
    const QMargins frame = windowHandle()->frameMargins();
    return PlausibleFrame(frame) ? frame : normalFrame_;
}

void FrmMain::frameKnown() {
    // While the window manager takes the window on, the frame first reported may be made up
    // from the unframed window, and a placing may land one frame's width beside the place asked
    // for: until the frame has settled such a placing is corrected.
    if (!windowHandle()) return;
    const QMargins frame = windowHandle()->frameMargins();
    // A maximised window has a frame of its own (often no borders): not the normal window's.
    const bool normal = (windowState() & ~Qt::WindowActive) == Qt::WindowNoState;
    if (!PlausibleFrame(frame) || !normal) return;
    const bool first = framePending_;
    if (!first && (frameClock_.elapsed() > 2000 || placings_ >= 4)) {
        windowHandle()->removeEventFilter(this);
        return;
    }
    if (first || frame != normalFrame_) {
        framePending_ = false;
        normalFrame_ = frame;
        // The window manager keeps drags at or above the minimum outer size (as far as the
        // screen has room).
        QSize minimum = QSize(TwipsToPixels(kMinOuterWidth), TwipsToPixels(kMinOuterHeight));
        if (const QScreen* s = screen()) minimum = minimum.boundedTo(s->availableGeometry().size());
        setMinimumSize(minimum.shrunkBy(frame));
    }
    if (startOuter_.isValid()) {
        const QRect want(startOuter_.topLeft(),
                         startOuter_.size().expandedTo(minimumSize().grownBy(frame)));
        const QRect have = geometry().marginsAdded(frame);
        const QPoint off = have.topLeft() - want.topLeft();
        const QPoint frameOffset(frame.left(), frame.top());
        const bool besideByAFrame =
            have.size() == want.size() && (off == frameOffset || off == -frameOffset);
        if (have == want) {
            windowHandle()->removeEventFilter(this); // placed: the frame has settled
        } else if (first || besideByAFrame) {
            ++placings_;
            setGeometry(
                want.marginsRemoved(frame)); // the inner rectangle, from the frame just read
        }
    }
    noteNormalGeometry();
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
    if (!isMaximized() && !isFullScreen()) {
        // Height first, then width; each correction's size change lays out again.
        const int run = ++layoutRuns_;
        const QSize outer = outerSizeTwips();
        bool corrected = false;
        if (outer.height() < kMinOuterHeight - 7) { // within a pixel
            setOuterSizeTwips(outer.width(), kMinOuterHeight);
            corrected = true;
        } else if (outer.width() < kMinOuterWidth - 7) {
            setOuterSizeTwips(kMinOuterWidth, outer.height());
            corrected = true;
        }
        if (corrected && outerSizeTwips() != outer) {
            // A hidden window gets its resize event only when shown: the next pass runs here.
            if (layoutRuns_ == run) Form_Resize();
            return;
        }
    }
    const int SW = PixelsToTwips(client_->width());
    const int SH = PixelsToTwips(client_->height());
    auto at = [this](QWidget* w) { return twips_.value(w->objectName()); };
    auto set = [this](QWidget* w, const QRect& r) {
        place(w, r.x(), r.y(), r.width(), r.height());
    };

    QRect frame2 = at(Frame2), fraSet = at(FraSet), file1 = at(File1), txt = at(txt_Exif_Info);
    QRect info = at(lbl_File_Info), bar0 = at(lbl_Back_Image[0]), drive = at(Drive1),
          dir = at(Dir1), picBack = at(PicBack), back = at(frm_MainBack);
    frame2.setWidth(SW - 3730);
    frame2.setHeight(SH - 1020);
    fraSet.setHeight(SH - 1020);
    fraSet.moveLeft(frame2.width() + 60);
    file1.moveLeft(frame2.width() - 5895);
    file1.setHeight(frame2.height() - 200);
    txt.setHeight(file1.height() - 270);
    txt.moveLeft(frame2.width() - 2970);
    info.moveLeft(frame2.width() - 2970);
    bar0.moveLeft(frame2.width() - 2970);
    drive.setWidth(file1.left() - 90);
    dir.setWidth(file1.left() - 90);
    picBack.setWidth(file1.left() - 90);
    picBack.setHeight(file1.height() - 3190);
    Image2->hide();
    back.setWidth(SW + 100);
    back.setHeight(SH + 100);
    set(Frame2, frame2);
    set(FraSet, fraSet);
    set(File1, file1);
    set(txt_Exif_Info, txt);
    set(lbl_File_Info, info);
    set(lbl_Back_Image[0], bar0);
    set(Drive1, drive);
    set(Dir1, dir);
    set(PicBack, picBack);
    set(frm_MainBack, back);
    File1_Click();
}

// ---- browsing ----

QString FrmMain::folderWithSeparator() const {
    QString folder = File1->path();
    if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
    return folder;
}

void FrmMain::Drive1_Change() {
    // A drive opens at the folder the list last showed on it, as a bare drive does.
    if (!Dir1->path().isEmpty() && Drive1->driveOf(Dir1->path()) == Drive1->drive()) return;
    const QString root = Drive1->drive();
    if (Dir1->setPath(root)) return;
    // A drive that is gone or holds no medium gets the drive list's own message; a drive that is
    // there but cannot be read is named.
    auto presence = CheckFolderPresence(S(root));
    if (presence && presence.value() == FolderPresence::Present)
        MessageService::show(this, kFolderUnreadable + root, kAppTitle, MessageIcon::Exclamation);
    else
        MessageService::show(this, "エラー", kAppTitle, MessageIcon::None);
    if (!Dir1->path().isEmpty()) Drive1->setDrive(Dir1->path());
}

void FrmMain::Dir1_Change() {
    File1->setPath(Dir1->path());
    stbPath_->setText(Dir1->path());
    // The drive list shows the volume of the folder shown, however the folder was reached.
    Drive1->setDrive(Dir1->path());
}

bool FrmMain::openFolder(const QString& folder) {
    if (folder.isEmpty() || Dir1->setPath(folder)) return true;
    MessageService::show(this, kFolderUnreadable + QDir::toNativeSeparators(folder), kAppTitle,
                         MessageIcon::Exclamation);
    return false;
}

void FrmMain::keepReadableFolder() {
    const QString folder = Dir1->path();
    if (folder.isEmpty() || CheckFolderReadable(S(folder))) return;
    MessageService::show(this, kFolderUnreadable + folder, kAppTitle, MessageIcon::Exclamation);
    for (QString up = folder;;) {
        const QString parent = U(GetParentPath(S(up)));
        if (Dir1->setPath(parent)) return;
        if (parent == up) break;
        up = parent;
    }
    Dir1->setPath(readableFallbackFolder());
}

QString FrmMain::readableFallbackFolder() const {
    const QString home = QDir::toNativeSeparators(QDir::homePath());
    return CheckFolderReadable(S(home)) ? home : QDir::toNativeSeparators(QDir::rootPath());
}

void FrmMain::Dir1_KeyDown(int key, Qt::KeyboardModifiers) {
    if (key != Qt::Key_F5) return;
    keepReadableFolder();
    File1->refresh();
    if (File1->listCount() > 0) File1->selectEntry(0);
}

void FrmMain::Dir1_KeyPress(int character) {
    if (character == 8) {
        openFolder(U(GetParentPath(S(Dir1->path()))));
    } else if (character == 13) {
        Dir1_Open(Dir1->currentRow());
    }
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

void FrmMain::File1_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F5) {
        Drive1->refresh();
        keepReadableFolder();
        Dir1->refresh();
        File1->refresh();
        if (File1->listCount() > 0) File1->selectEntry(0);
    } else if (key == Qt::Key_A && modifiers == Qt::ControlModifier) {
        for (int i = 0; i < File1->listCount(); ++i)
            File1->selectEntry(i);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        QCoreApplication::processEvents();
    }
}

void FrmMain::File1_KeyPress(int character) {
    if (character == 8) Dir1_KeyPress(8);
}

void FrmMain::Drive1_KeyDown(int key, Qt::KeyboardModifiers) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (key == Qt::Key_F5) Drive1->refresh();
}

void FrmMain::Drive1_LostFocus() {
    Drive1->refresh();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- information panel and thumbnail ----

void FrmMain::setExifInfo(const QString& crlfText) {
    txt_Exif_Info->setPlainText(QString(crlfText).replace("\r\n", "\n"));
}

QString FrmMain::exifInfoText() const {
    return txt_Exif_Info->toPlainText().replace("\n", "\r\n");
}

void FrmMain::clearThumbnail() {
    thumbs_->cancel();
    Image2->clear();
    Image2->hide();
    Image2->setToolTip("");
    PicBack->clear();
}

bool FrmMain::FitThumbnail(const QString& path, const ExifInfo* exif) {
    Image2->hide();
    PicBack->clear();
    const QRect frame = PicBack->geometry();
    const qreal dpr = devicePixelRatioF();
    FitRect r;
    // One open of the photo's head: its size decides the fit, the fit the size it is decoded at.
    const ThumbnailLoader::Shown shown =
        thumbs_->request(path, exif ? exif->thumbnailOffset : 0, exif ? exif->thumbnailLength : 0,
                         [&](const QSize& n) {
                             r = FitPicture({frame.x(), frame.y(), frame.width(), frame.height()},
                                            n.width(), n.height());
                             return QSize(qCeil(r.width * dpr), qCeil(r.height * dpr));
                         });
    thumbRect_ = QRect(r.left, r.top, r.width, r.height);
    Image2->clear();
    if (!thumbRect_.isEmpty()) Image2->setGeometry(thumbRect_);
    if (!shown.error.isEmpty()) {
        // Said in the thumbnail's place, not in a message box: browsing and resizing go on.
        PicBack->setText(UnreadablePhotoNote(shown.error));
        return false;
    }
    // The decoded photo when it is at hand, else the embedded thumbnail until it is.
    const QImage& now = shown.picture.isNull() ? shown.preview : shown.picture;
    if (!now.isNull()) showThumbnail(now);
    return true;
}

void FrmMain::showThumbnail(const QImage& picture) {
    if (thumbRect_.isEmpty()) return;
    const qreal dpr = devicePixelRatioF();
    const QSize size(qCeil(thumbRect_.width() * dpr), qCeil(thumbRect_.height() * dpr));
    QPixmap pm =
        QPixmap::fromImage(picture.size() == size ? picture
                                                  : picture.scaled(size, Qt::IgnoreAspectRatio,
                                                                   Qt::SmoothTransformation));
    pm.setDevicePixelRatio(dpr);
    Image2->setPixmap(pm);
    Image2->setGeometry(thumbRect_);
    Image2->show();
}

void FrmMain::thumbnailDecoded(const QImage& picture, const QString& error) {
    if (picture.isNull()) {
        Image2->clear();
        Image2->hide();
        if (!error.isEmpty()) PicBack->setText(UnreadablePhotoNote(error));
        return;
    }
    showThumbnail(picture);
}

bool FrmMain::waitForThumbnail(int timeoutMs) {
    return thumbs_->wait(timeoutMs);
}

void FrmMain::File1_Click() {
    if (inRun_) { // the run redraws the panel once, when it ends
        panelPending_ = true;
        return;
    }
    const QString name = File1->currentFileName();
    const QString folder = folderWithSeparator();
    if (!name.isEmpty() && !QFileInfo(folder + name).isFile()) {
        MessageService::show(this, kFolderChanged, kAppTitle, MessageIcon::Information);
        File1->refresh();
        return;
    }
    setExifInfo("");
    if (name.isEmpty()) return;
    if (File1->othersSelected()) {
        clearThumbnail();
        return;
    }
    auto read = ReadExifInfo(S(folder), S(name));
    summary_ = read ? read->summary : ExifSummary{};
    if (!read) {
        // A photo that cannot be read is said in the thumbnail's place, not in a message box.
        clearThumbnail();
        PicBack->setText(UnreadablePhotoNote(PhotoReadFailure(read.error())));
        return;
    }
    lastRead_.embeddedDate = FromPhotoText(read->summary.EmbeddedDate);
    lastRead_.fileDate = U(FormatGeneralDate(LocalFromUnix(read->modifiedUnix)));
    const QString panel =
        read->entries == 0
            ? QString(kNoDateInfo)
            : PanelText(read.value(), U(FormatPanelDate(LocalFromUnix(read->modifiedUnix))));
    if (read->entries != 0) setExifInfo(panel);
    FitThumbnail(folder + name, &read.value()); // one that cannot be shown keeps its text
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (read->entries == 0) setExifInfo(panel);
}

void FrmMain::File1_DblClick() {
    waitForThumbnail(); // whether the thumbnail holds a picture is known once it is decoded
    if (Image2->pixmap().isNull() || File1->currentFileName().isEmpty()) return;
    FrmViewer viewer(folderWithSeparator() + File1->currentFileName(), this);
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
    return o;
}

bool FrmMain::updateProgress(int done, int total, bool force) {
    // Repainted at most ten times a second, without taking input: the run stays modal.
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    if (!force && clock.elapsed() - lastProgressPaint_ < 100) return false;
    lastProgressPaint_ = clock.elapsed();
    stbProgress_->setText(total > 0 ? QString("%1 / %2").arg(done).arg(total) : QString());
    stbProgress_->repaint();
    File1->repaint();
    return true;
}

void FrmMain::showRunError(const RunError& e, const QString& about, int changedBefore) {
    QString text = QString("Error\r\n実行時エラー:%1:%2:").arg(e.number).arg(U(e.description));
    // What a user can act on: which photo or file, and that earlier photos already changed.
    if (!about.isEmpty()) text += "\r\n" + about;
    if (changedBefore > 0)
        text += QString("\r\nこの実行で既に %1 件の写真を変更しました（ログに記録されています）。")
                    .arg(changedBefore);
    if (e.number == err::FileNotFound) {
        text += "\r\n処理を強制終了します。ファイル一覧を再表示します。";
        File1->refresh();
    }
    MessageService::show(this, text, kAppTitle, MessageIcon::Critical);
}

void FrmMain::CmdExe_Click() {
    if (ChkIkkatu->isChecked() && !ChkHoji->isChecked()) {
        if (MessageService::show(
                this, "フォルダ内の対象ファイルが全て同じ日付になります。\r\nよろしいですか？",
                kAppTitle, MessageIcon::None, MessageButtons::OkCancel) == MessageAnswer::Cancel)
            return;
    }
    const std::unique_ptr<RunKind> kind = MakeSetDates(runOptions());
    WindowRun run;
    run.kind = kind.get();
    run.folderMode = ChkIkkatu->isChecked();
    run.again = "再度、「 埋込日付設定実行 」を行って下さい。";
    run.runButtonCount = true;
    runPhotos(run);
}

int FrmMain::targetCount(bool folderMode) const {
    if (folderMode) return File1->listCount();
    const std::vector<bool> selected = File1->selectedEntries();
    return static_cast<int>(std::count(selected.begin(), selected.end(), true));
}

void FrmMain::runPhotos(const WindowRun& run) {
    const QString folder = folderWithSeparator();
    const int total = File1->listCount();
    const bool folderMode = run.folderMode;

    // The targets: every entry in folder mode, else the selected ones, in list order. Before
    // anything changes, every listed file must still be there.
    RunRequest request;
    std::vector<int> entryOf; // the list entry of each target
    const std::vector<bool> selected = File1->selectedEntries();
    for (int i = 0; i < total; ++i) {
        const std::string path = S(folder + File1->fileName(i));
        request.listed.push_back(path);
        if (folderMode || selected[static_cast<size_t>(i)]) {
            request.targets.push_back(path);
            entryOf.push_back(i);
        }
    }
    request.logFolder = S(logFolder());
    request.where = S(File1->path());
    RunPolicy policy;
    policy.stopAtFirstError = true;
    policy.checkListedFilesExist = true;

    int changedCount = 0;
    bool endedByPhoto = false;
    QStringList timesFailed; // photos whose times could not be set, told once at the end
    QStringList refused;     // photos the kind left alone, told once at the end (refusedAtEnd)
    QStringList partly;      // changed photos with date texts left as they were, told at the end
    QStringList unsafe;      // changed photos with date texts stepped over as unsafe to write
    // The panel as the run leaves it: redrawn for the current selection after a photo the
    // writer walked, or the failure text and thumbnail of a photo it could not.
    enum class Panel { Untouched, Redraw, NoDate } panel = Panel::Untouched;
    QString panelName;
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
        if (panel == Panel::Redraw) {
            File1_Click();
        } else if (panel == Panel::NoDate) {
            setExifInfo(kNoDateInfo);
            clearThumbnail();
            FitThumbnail(folder + panelName);
        }
        panel = Panel::Untouched;
    };
    // Before a message of the run appears, the list, the count and the panel show the photo it
    // speaks of.
    auto beforeMessage = [&](int entry, int done) {
        showSelection(entry);
        updateProgress(done, total, true);
        showPanel();
    };

    RunHooks hooks;
    hooks.progress = [&](size_t target, size_t) {
        const int entry = entryOf[target];
        if (updateProgress(entry + 1, total, false)) showSelection(entry);
    };
    hooks.photoDone = [&](const PhotoOutcome& o) {
        const int entry = entryOf[o.index];
        const QString name = File1->fileName(entry);
        lastRead_ = {FromPhotoText(o.before.EmbeddedDate), U(o.fileDateText),
                     U(FormatTimeOfDay(LocalFromUnix(o.timesBefore.modified.seconds)))};
        DateChanged_ = o.plan.dates.DateChanged;
        if (o.result == PhotoOutcome::Result::Refused && !run.refusedAtEnd.isEmpty()) {
            refused << name;
            panel = Panel::Redraw;
            return;
        }
        switch (o.result) {
        case PhotoOutcome::Result::Changed:
            ++changedCount;
            panel = Panel::Redraw;
            if (o.timesError) timesFailed << name;
            if (!o.plan.notes.empty() && !run.partlyAtEnd.isEmpty()) partly << name;
            if (o.partlySkipped()) unsafe << name;
            if (o.logError) {
                beforeMessage(entry, entry + 1);
                inRun_ = true;
                MessageService::sinkFor(this)(LogFailureMessage(*o.logError));
            }
            break;
        case PhotoOutcome::Result::Unchanged:
        case PhotoOutcome::Result::Duplicate:
            panel = Panel::Redraw;
            break;
        case PhotoOutcome::Result::NoExif:
        case PhotoOutcome::Result::Skipped:
        case PhotoOutcome::Result::Refused: {
            panel = Panel::NoDate;
            panelName = name;
            beforeMessage(entry, entry + 1);
            QString text = QString(kNoDateInfo) + "\r\n" + name + "の更新に失敗しました";
            if (o.refusal == Refusal::ChangedMeanwhile)
                text += "\r\n" + QString(kChangedMeanwhile);
            else if (o.result != PhotoOutcome::Result::NoExif)
                text += "\r\n" + QString(kUnsafeDates);
            MessageService::show(this, text, kAppTitle, MessageIcon::None);
            inRun_ = true;
            break;
        }
        case PhotoOutcome::Result::Failed:
            // The run ends here, in its error report.
            beforeMessage(entry, entry + 1);
            showRunError(o.error, U(o.path), changedCount);
            updateProgress(0, 0, true);
            endedByPhoto = true;
            break;
        }
    };

    inRun_ = true;
    panelPending_ = false;
    const RunSummary summary = RunPhotos(*run.kind, request, policy, hooks);
    inRun_ = false;
    panelPending_ = false;

    if (!summary.stalePath.empty()) {
        MessageService::show(this,
                             "フォルダ内のファイル情報が更新された為、ファイル一覧を更新します。"
                             "\r\n\r\n" +
                                 run.again,
                             kAppTitle, MessageIcon::Exclamation);
        File1->refresh();
        if (File1->listCount() > 0) File1->selectEntry(0);
        return;
    }
    if (endedByPhoto) return; // its error report has been shown
    if (folderMode) showSelection(total - 1);
    updateProgress(0, 0, true);
    showPanel();
    if (summary.stoppedBy) {
        // Stopped by what the run writes beside the photos: the undo journal or the log.
        const QString about =
            summary.flushFailed ? QString("写真をディスクに書き込めません")
            : summary.journalFailed
                ? "取り消し用の記録を書き込めません: " +
                      U(summary.journalPath.empty() ? request.logFolder : summary.journalPath)
                : "ログの書き込み先: " + U(request.logFolder);
        showRunError(*summary.stoppedBy, about, changedCount);
        return;
    }
    if (!timesFailed.isEmpty())
        MessageService::show(
            this, "次の写真のファイル日付を設定できませんでした。\r\n" + timesFailed.join("\r\n"),
            kAppTitle, MessageIcon::Exclamation);
    if (!refused.isEmpty())
        MessageService::show(this, run.refusedAtEnd + "\r\n" + refused.join("\r\n"), kAppTitle,
                             MessageIcon::Exclamation);
    if (!partly.isEmpty())
        MessageService::show(this, run.partlyAtEnd + "\r\n" + partly.join("\r\n"), kAppTitle,
                             MessageIcon::Exclamation);
    if (!unsafe.isEmpty())
        MessageService::show(this,
                             "次の写真の日付のうち、位置が安全に書き換えられないものは変更しません"
                             "でした。\r\n" +
                                 unsafe.join("\r\n"),
                             kAppTitle, MessageIcon::Exclamation);

    const QString done = QString("対象のファイル、 %1件を処理が完了しました。").arg(changedCount);
    if (changedCount >= 2 || (changedCount == 1 && !run.runButtonCount)) {
        MessageService::show(this, done, "処理完了", MessageIcon::Information);
    } else if (changedCount == 0) {
        MessageService::show(this, "変換対象のファイルが存在しませんでした。", "処理完了",
                             MessageIcon::Information);
    } else if ((ChkIkkatu->isChecked() || ChkUme->isChecked()) && !DateChanged_) {
        MessageService::show(this, done, "処理完了", MessageIcon::Information);
    }
    DateChanged_ = false;
}

} // namespace tokimori
