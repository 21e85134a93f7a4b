#include "app/FrmShift.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/Texts.h"
#include "view/Commands.h"

namespace tokimori {

namespace {

// The largest number of days an offset can hold and still leave a date in the years 1 to 9999.
constexpr int kMostDays = 3652059;

QSpinBox* Amount(QWidget* parent, const char* name, int most) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0, most);
    box->setAlignment(Qt::AlignRight);
    return box;
}

} // namespace

FrmShift::FrmShift(QWidget* owner, const Photo& current, int selectedCount, int folderCount,
                   bool folderMode)
    : QDialog(owner), current_(current) {
    setObjectName("FrmShift");
    setWindowTitle("日時をずらす");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);

    auto* way = new QGroupBox("ずらす向き", this);
    way->setObjectName("FraWay");
    OptPlus = new QRadioButton("進める（＋）", way);
    OptPlus->setObjectName("OptPlus");
    OptMinus = new QRadioButton("戻す（－）", way);
    OptMinus->setObjectName("OptMinus");
    OptPlus->setChecked(true);
    auto* wayRow = new QHBoxLayout(way);
    wayRow->addWidget(OptPlus);
    wayRow->addWidget(OptMinus);
    wayRow->addStretch();

    auto* amount = new QGroupBox("ずらす量", this);
    amount->setObjectName("FraAmount");
    txt_Days = Amount(amount, "txt_Days", kMostDays);
    txt_Hours = Amount(amount, "txt_Hours", 23);
    txt_Minutes = Amount(amount, "txt_Minutes", 59);
    txt_Seconds = Amount(amount, "txt_Seconds", 59);
    auto* amountRow = new QHBoxLayout(amount);
    const std::pair<QSpinBox*, const char*> parts[] = {
        {txt_Days, "日"}, {txt_Hours, "時間"}, {txt_Minutes, "分"}, {txt_Seconds, "秒"}};
    for (const auto& [box, unit] : parts) {
        amountRow->addWidget(box);
        auto* label = new QLabel(unit, amount);
        label->setBuddy(box);
        amountRow->addWidget(label);
        amountRow->addSpacing(6);
    }
    amountRow->addStretch();

    auto* targets = new QGroupBox("対象", this);
    targets->setObjectName("FraTargets");
    OptSelected = new QRadioButton(QString("選択した写真（%1 件）").arg(selectedCount), targets);
    OptSelected->setObjectName("OptSelected");
    OptFolder =
        new QRadioButton(QString("フォルダ内の全ての写真（%1 件）").arg(folderCount), targets);
    OptFolder->setObjectName("OptFolder");
    (folderMode ? OptFolder : OptSelected)->setChecked(true);
    auto* targetRows = new QVBoxLayout(targets);
    targetRows->addWidget(OptSelected);
    targetRows->addWidget(OptFolder);

    auto* preview = new QGroupBox("撮影日時（選択中の写真）", this);
    preview->setObjectName("FraPreview");
    lbl_Preview = new QLabel(preview);
    lbl_Preview->setObjectName("lbl_Preview");
    lbl_Preview->setTextFormat(Qt::PlainText);
    lbl_Preview->setWordWrap(true);
    lbl_Preview->setMinimumWidth(360);
    auto* previewRow = new QVBoxLayout(preview);
    previewRow->addWidget(lbl_Preview);

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("キャンセル", this);
    cmdCancel->setObjectName("cmdCancel");
    connect(cmdOK, &QPushButton::clicked, this, &FrmShift::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmShift::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* page = new QVBoxLayout(this);
    page->addWidget(way);
    page->addWidget(amount);
    page->addWidget(targets);
    page->addWidget(preview);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    for (QRadioButton* b : {OptPlus, OptMinus})
        connect(b, &QRadioButton::toggled, this, &FrmShift::updatePreview);
    for (QSpinBox* b : {txt_Days, txt_Hours, txt_Minutes, txt_Seconds})
        connect(b, &QSpinBox::valueChanged, this, &FrmShift::updatePreview);
    updatePreview();
    txt_Hours->setFocus();
}

int64_t FrmShift::seconds() const {
    const int64_t amount = int64_t{txt_Days->value()} * 86400 + txt_Hours->value() * 3600 +
                           txt_Minutes->value() * 60 + txt_Seconds->value();
    return OptMinus->isChecked() ? -amount : amount;
}

bool FrmShift::folderMode() const {
    return OptFolder->isChecked();
}

QString FrmShift::previewText() const {
    return lbl_Preview->text();
}

void FrmShift::updatePreview() {
    const int64_t by = seconds();
    cmdOK->setEnabled(by != 0);
    const QString text =
        U(ShiftPreview(S(current_.name), current_.read, current_.embeddedDate, by));
    lbl_Preview->setText(text);
}

void FrmShift::accept() {
    const int64_t by = seconds();
    if (by == 0) return;
    if (confirm_ && !confirm_(by, folderMode())) return;
    QDialog::accept();
}

} // namespace tokimori
