#include "app/FrmShift.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "controls/DateTimePicker.h"
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

    auto* way = FraWay = new QGroupBox("ずらす向き", this);
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

    auto* amount = FraAmount = new QGroupBox("ずらす量", this);
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

    // 基準写真から: the current photo's true time, entered, gives the offset.
    FraReference = new QGroupBox(ShiftTexts::kReference, this);
    FraReference->setObjectName("FraReference");
    FraReference->setCheckable(true);
    FraReference->setChecked(false);
    lbl_RefPhoto = new QLabel(FraReference);
    lbl_RefPhoto->setObjectName("lbl_RefPhoto");
    auto* trueLabel = new QLabel(ShiftTexts::kTrueTime, FraReference);
    DTPTrueDate = new DatePicker(FraReference);
    DTPTrueDate->setObjectName("DTPTrueDate");
    DTPTrueDate->setDisplayFormat("yyyy/MM/dd");
    DTPTrueDate->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    DTPTrueTime = new TimePicker(FraReference);
    DTPTrueTime->setObjectName("DTPTrueTime");
    DTPTrueTime->setDisplayFormat("HH:mm:ss");
    trueLabel->setBuddy(DTPTrueDate);
    lbl_RefOffset = new QLabel(FraReference);
    lbl_RefOffset->setObjectName("lbl_RefOffset");
    for (QLabel* l : {lbl_RefPhoto, lbl_RefOffset}) {
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(true);
    }
    // It starts at the shooting date, so the offset starts at none.
    const QDateTime shot = QDateTime::fromString(
        QString::fromStdString(current_.fields.dateTimeOriginal), "yyyy:MM:dd HH:mm:ss");
    const QDateTime start = shot.isValid() ? shot : QDateTime::currentDateTime();
    DTPTrueDate->setDate(start.date());
    DTPTrueTime->setTime(QTime(start.time().hour(), start.time().minute(), start.time().second()));
    auto* trueRow = new QHBoxLayout;
    trueRow->addWidget(trueLabel);
    trueRow->addWidget(DTPTrueDate);
    trueRow->addWidget(DTPTrueTime);
    trueRow->addStretch();
    auto* referenceRows = new QVBoxLayout(FraReference);
    referenceRows->addWidget(lbl_RefPhoto);
    referenceRows->addLayout(trueRow);
    referenceRows->addWidget(lbl_RefOffset);

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
    page->addWidget(FraReference);
    page->addWidget(targets);
    page->addWidget(preview);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    for (QRadioButton* b : {OptPlus, OptMinus})
        connect(b, &QRadioButton::toggled, this, &FrmShift::updatePreview);
    for (QSpinBox* b : {txt_Days, txt_Hours, txt_Minutes, txt_Seconds})
        connect(b, &QSpinBox::valueChanged, this, &FrmShift::updatePreview);
    connect(FraReference, &QGroupBox::toggled, this, &FrmShift::updatePreview);
    connect(DTPTrueDate, &QDateEdit::dateChanged, this, &FrmShift::updatePreview);
    connect(DTPTrueTime, &QTimeEdit::timeChanged, this, &FrmShift::updatePreview);
    updatePreview();
    // A photo that cannot be the reference says why, and cannot be chosen.
    FraReference->setEnabled(
        ReferenceTextsOf(S(current_.name), current_.read, current_.fields, trueTime()).usable);
    txt_Hours->setFocus();
}

int64_t FrmShift::seconds() const {
    if (byReference())
        return ReferenceTextsOf(S(current_.name), current_.read, current_.fields, trueTime())
            .seconds.value_or(0);
    const int64_t amount = int64_t{txt_Days->value()} * 86400 + txt_Hours->value() * 3600 +
                           txt_Minutes->value() * 60 + txt_Seconds->value();
    return OptMinus->isChecked() ? -amount : amount;
}

bool FrmShift::folderMode() const {
    return OptFolder->isChecked();
}

bool FrmShift::byReference() const {
    return FraReference->isChecked();
}

QString FrmShift::previewText() const {
    return lbl_Preview->text();
}

QString FrmShift::referenceOffsetText() const {
    return lbl_RefOffset->text();
}

std::string FrmShift::trueTime() const {
    return S(DTPTrueDate->date().toString("yyyy:MM:dd") + " " +
             DTPTrueTime->time().toString("HH:mm:ss"));
}

void FrmShift::updatePreview() {
    const ReferenceTexts reference =
        ReferenceTextsOf(S(current_.name), current_.read, current_.fields, trueTime());
    lbl_RefPhoto->setText(U(reference.photo));
    lbl_RefOffset->setText(U(reference.offset));
    FraWay->setEnabled(!byReference());
    FraAmount->setEnabled(!byReference());
    const int64_t by = seconds();
    cmdOK->setEnabled(by != 0);
    const QString text =
        U(ShiftPreview(S(current_.name), current_.read, current_.fields.dateTimeOriginal, by));
    lbl_Preview->setText(text);
}

void FrmShift::accept() {
    const int64_t by = seconds();
    if (by == 0) return;
    if (confirm_ && !confirm_(by, folderMode())) return;
    QDialog::accept();
}

} // namespace tokimori
