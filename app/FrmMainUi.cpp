#include "app/FrmMainUi.h"

#include <QMenuBar>

#include "controls/CommandButtonCT.h"
#include "controls/DateTimePicker.h"
#include "ui/Artwork.h"
#include "ui/Twips.h"
#include "view/Commands.h"

namespace tokimori {

QFont ListFont(bool bold) {
    QFont f;
    f.setFamilies({"ＭＳ Ｐゴシック", "MS PGothic", "Noto Sans CJK JP", "Noto Sans JP",
                   "IPAPGothic", "VL PGothic", "Sans Serif"});
    f.setPointSize(9);
    f.setBold(bold);
    return f;
}

void FrmMainUi::place(QWidget* w, const Rect& r) {
    twips_[w->objectName()] = ToQRect(r);
    w->setGeometry(ToQRect(TwipsToPixels(r)));
}

void FrmMainUi::setupUi(QMainWindow* window) {
    setupMenus(window);
    client_ = new QWidget(window);
    client_->setObjectName("client");
    window->setCentralWidget(client_);

    frm_MainBack = new QFrame(client_);
    Frame2 = new QFrame(frm_MainBack);
    FraSet = new QFrame(frm_MainBack);
    for (QFrame* f : {Frame2, FraSet})
        f->setFrameShape(QFrame::StyledPanel);

    Drive1 = new DriveList(Frame2);
    Dir1 = new FolderList(Frame2);
    File1 = new FileList(Frame2);
    for (QWidget* list : std::initializer_list<QWidget*>{Drive1, Dir1, File1})
        MarkFocus(list);
    PicBack = new QLabel(Frame2);
    PicBack->setAutoFillBackground(true);
    {
        QPalette p = PicBack->palette();
        p.setColor(QPalette::Window, window->palette().color(QPalette::ButtonText));
        // A note in place of a photo that cannot be shown, light on the dark frame.
        p.setColor(QPalette::WindowText, window->palette().color(QPalette::Button));
        PicBack->setPalette(p);
    }
    PicBack->setAlignment(Qt::AlignCenter);
    PicBack->setWordWrap(true);
    PicBack->setMargin(6);
    Image2 = new Thumbnail(Frame2);
    Image2->setScaledContents(true);
    Image2->setMouseTracking(true);
    Image2->setToolTip("ダブルクリックで写真表示");
    Image2->hide();
    lbl_Back_Image[0] = new GradientBar(Frame2);
    lbl_File_Info = new QLabel(" ファイル情報", Frame2);
    txt_Exif_Info = new QPlainTextEdit(Frame2);
    txt_Exif_Info->setReadOnly(true);

    lbl_Back_Image[1] = new GradientBar(FraSet);
    Label1 = new QLabel("埋込日付設定", FraSet);
    for (QLabel* l : {lbl_File_Info, Label1}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(p);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    Line1 = new QFrame(FraSet);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    lbl_Back = new QLabel(FraSet);
    lbl_Back->setAutoFillBackground(true);
    {
        QPalette p = lbl_Back->palette();
        p.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xC0)); // &H00C0FFFF& (BGR)
        lbl_Back->setPalette(p);
    }
    lbl_Settei = new QLabel("設定日時", FraSet);
    DTPDate = new DatePicker(FraSet);
    DTPTime = new TimePicker(FraSet);
    ChkIkkatu = new MouseUpCheckBox("フォルダ内一括処理", FraSet);
    ChkHoji = new MouseUpCheckBox("時分秒は保持する", FraSet);
    ChkUme = new MouseUpCheckBox("指定した埋込日付の写真全てを対象", FraSet);
    DTPumeDate = new DatePicker(FraSet);
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

    // Every control at its design rectangle, named as the design names it.
    const std::pair<const char*, QWidget*> named[] = {{"frm_MainBack", frm_MainBack},
                                                      {"Frame2", Frame2},
                                                      {"FraSet", FraSet},
                                                      {"Drive1", Drive1},
                                                      {"Dir1", Dir1},
                                                      {"File1", File1},
                                                      {"PicBack", PicBack},
                                                      {"Image2", Image2},
                                                      {"lbl_Back_Image0", lbl_Back_Image[0]},
                                                      {"lbl_File_Info", lbl_File_Info},
                                                      {"txt_Exif_Info", txt_Exif_Info},
                                                      {"lbl_Back_Image1", lbl_Back_Image[1]},
                                                      {"Label1", Label1},
                                                      {"Line1", Line1},
                                                      {"lbl_Back", lbl_Back},
                                                      {"lbl_Settei", lbl_Settei},
                                                      {"DTPDate", DTPDate},
                                                      {"DTPTime", DTPTime},
                                                      {"ChkIkkatu", ChkIkkatu},
                                                      {"ChkHoji", ChkHoji},
                                                      {"ChkUme", ChkUme},
                                                      {"DTPumeDate", DTPumeDate},
                                                      {"CmdExe", CmdExe}};
    for (const auto& [name, w] : named) {
        w->setObjectName(name);
        place(w, PlaceOf(MainControls(), name));
    }
    for (QWidget* w : {static_cast<QWidget*>(lbl_File_Info), static_cast<QWidget*>(Label1)})
        w->raise();
    Toolbar->raise();
    setupToolbar();
    window->resize(TwipsToPixels(kDesignClientWidth),
                   TwipsToPixels(kDesignClientHeight) + window->menuBar()->sizeHint().height());
}

void FrmMainUi::setupMenus(QMainWindow* window) {
    QMenuBar* bar = window->menuBar();
    auto add = [](auto* to, const char* name, const char* caption) {
        QAction* a = to->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    QMenu* mnuFile = bar->addMenu("ファイル(&F)");
    mnuFile->setObjectName("mnuFile");
    add(mnuFile, "mnuShift", "日時をずらす(&S)...");
    add(mnuFile, "mnuFileTime", "ファイル日付を撮影日時に合わせる(&F)");
    add(mnuFile, "mnuUndo", "元に戻す(&U)...");
    add(mnuFile, "mnuLogFolder", "ログフォルダを開く(&L)");
    mnuFile->addSeparator()->setObjectName("mnuAllCopiesBar");
    add(mnuFile, kAllCopiesItem.name, kAllCopiesItem.caption)->setCheckable(true);
    add(mnuFile, kAllKindsItem.name, kAllKindsItem.caption)->setCheckable(true);
    mnuFile->addSeparator()->setObjectName("mnuFileBar");
    add(mnuFile, "mnuEnd", "終了(&X)");
    add(bar, "mnuPhotoBig", "画像プレビュー(&P)");
    QMenu* mnuHelp = bar->addMenu("ヘルプ(&H)");
    mnuHelp->setObjectName("mnuHelp");
    add(mnuHelp, "mnuHelpHelp", "ヘルプ(&H)");
    add(mnuHelp, "mnuAbout", "バージョン情報(&A)");
}

void FrmMainUi::setupToolbar() {
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
}

} // namespace tokimori
