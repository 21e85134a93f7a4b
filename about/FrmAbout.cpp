#include "about/FrmAbout.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/Artwork.h"
#include "ui/Texts.h"
#include "ui/Twips.h"
#include "view/About.h"

namespace tokimori {

namespace {
void Place(QWidget* w, int l, int t, int wd, int h) {
    w->setGeometry(TwipsToPixels(l), TwipsToPixels(t), TwipsToPixels(wd), TwipsToPixels(h));
}
} // namespace

FrmAbout::FrmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName("FrmAbout");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(TwipsToPixels(5730), TwipsToPixels(3555));
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName("picIcon");
    picIcon->setPixmap(ArtIcon(Art::Program).pixmap(32, 32));
    Place(picIcon, 270, 240, 540, 540);
    lblTitle = new QLabel("ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ", this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSize(14);
    big.setBold(true);
    lblTitle->setFont(big);
    Place(lblTitle, 1050, 240, 3885, 480);
    lblVersion = new QLabel("ﾊﾞｰｼﾞｮﾝ", this);
    lblVersion->setObjectName("lblVersion");
    Place(lblVersion, 1050, 780, 3885, 225);
    lblDescription = new QLabel("ｱﾌﾟﾘｹｰｼｮﾝの説明", this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setWordWrap(true);
    Place(lblDescription, 1050, 1125, 3885, 1170);
    for (QLabel* l : {lblTitle, lblDescription}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::black);
        l->setPalette(p);
    }
    // An etched separator: a grey line with a white one under it.
    auto* grey = new QFrame(this);
    grey->setObjectName("Line1_1");
    grey->setStyleSheet("background: #808080;");
    grey->setGeometry(TwipsToPixels(90), TwipsToPixels(2445),
                      TwipsToPixels(5654) - TwipsToPixels(90), 1);
    auto* white = new QFrame(this);
    white->setObjectName("Line1_0");
    white->setStyleSheet("background: white;");
    white->setGeometry(TwipsToPixels(105), TwipsToPixels(2445) + 1,
                       TwipsToPixels(5654) - TwipsToPixels(105), 2);

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    Place(cmdOK, 4245, 3000, 1380, 345);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept); // Esc rejects: both close

    Form_Load();
    if (owner) move(owner->frameGeometry().center() - rect().center());
}

void FrmAbout::Form_Load() {
    const AboutTexts texts = About();
    setWindowTitle(U(texts.caption));
    lblTitle->setText(U(texts.title));
    lblVersion->setText(U(texts.version));
    lblDescription->setText(U(texts.description));
}

} // namespace tokimori
