#include "app/FrmUndo.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "exif/ExifWriter.h"
#include "filetime/LocalTime.h"
#include "ui/MessageService.h"
#include "ui/Texts.h"

namespace tokimori {

namespace {

// Photos named one by one in the summary; the rest are counted.
constexpr int kNamedRefusals = 30;

// Why a photo was not put back, in the window's words.
QString ReasonText(const UndoOutcome& o) {
    if (o.result == UndoOutcome::Result::Failed)
        return QString("実行時エラー:%1:%2").arg(o.error.number).arg(U(o.error.description));
    switch (o.refusal) {
    case UndoRefusal::NotAJpeg:
        return "JPEG の写真ではありません";
    case UndoRefusal::NoSuchDateText:
        return "記録された日付の位置がこの写真にありません";
    case UndoRefusal::Unreadable:
        return "日付を読み取れません";
    case UndoRefusal::TextChanged:
        return QString("実行の後で %1 が変更されています").arg(DateTagName(o.changedTag));
    case UndoRefusal::TimeChanged:
        return "実行の後でファイル日付が変更されています";
    case UndoRefusal::AnotherFile:
        return "実行の後で別のファイルに置き換えられています";
    case UndoRefusal::None:
        break;
    }
    return U(o.reason);
}

} // namespace

FrmUndo::FrmUndo(QWidget* owner, const QString& logFolder) : QDialog(owner), logFolder_(logFolder) {
    setObjectName("FrmUndo");
    setWindowTitle("元に戻す");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    lbl_Runs = new QLabel("元に戻す実行を選んで下さい。写真の埋込日付とファイル日付が、その実行の"
                          "前の状態に戻ります。",
                          this);
    lbl_Runs->setObjectName("lbl_Runs");
    lbl_Runs->setWordWrap(true);
    lst_Runs = new QTreeWidget(this);
    lst_Runs->setObjectName("lst_Runs");
    lst_Runs->setHeaderLabels({"日時", "種類", "件数", "フォルダ"});
    lst_Runs->setRootIsDecorated(false);
    lst_Runs->setUniformRowHeights(true);
    lst_Runs->setSelectionMode(QAbstractItemView::SingleSelection);
    lst_Runs->header()->setStretchLastSection(true);
    lbl_Empty = new QLabel("元に戻せる実行はありません。", this);
    lbl_Empty->setObjectName("lbl_Empty");
    lbl_Empty->setAlignment(Qt::AlignCenter);

    cmdUndo = new QPushButton("元に戻す(&U)", this);
    cmdUndo->setObjectName("cmdUndo");
    cmdUndo->setDefault(true);
    cmdClose = new QPushButton("閉じる", this);
    cmdClose->setObjectName("cmdClose");
    connect(cmdUndo, &QPushButton::clicked, this, &FrmUndo::cmdUndo_Click);
    connect(cmdClose, &QPushButton::clicked, this, &FrmUndo::reject);
    connect(lst_Runs, &QTreeWidget::itemDoubleClicked, this, &FrmUndo::cmdUndo_Click);
    connect(lst_Runs, &QTreeWidget::itemSelectionChanged, this,
            [this] { cmdUndo->setEnabled(!lst_Runs->selectedItems().isEmpty()); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdUndo);
    buttons->addWidget(cmdClose);
    auto* page = new QVBoxLayout(this);
    page->addWidget(lbl_Runs);
    page->addWidget(lst_Runs, 1);
    page->addWidget(lbl_Empty, 1);
    page->addLayout(buttons);
    resize(680, 340);

    refresh();
}

QString FrmUndo::KindText(const std::string& kind) {
    if (kind == "set") return "日付設定";
    if (kind == "shift") return "日時ずらし";
    if (kind == "filetime") return "ファイル日付";
    return kind.empty() ? QString("（読み取れません）") : U(kind);
}

void FrmUndo::refresh() {
    runs_ = ListJournals(logFolder_.toStdString());
    lst_Runs->clear();
    for (const JournalInfo& run : runs_) {
        const bool read = !run.header.kind.empty();
        auto* item = new QTreeWidgetItem(lst_Runs);
        item->setText(0, read ? U(FormatPanelDate(LocalFromUnix(run.header.started))) : QString());
        item->setText(1, KindText(run.header.kind));
        item->setText(2, QString::number(run.records));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, QDir::toNativeSeparators(U(run.header.folder)));
        item->setToolTip(3, item->text(3));
        for (int column = 0; column < 3; ++column)
            item->setToolTip(column, QDir::toNativeSeparators(U(run.path)));
    }
    for (int column = 0; column < 3; ++column)
        lst_Runs->resizeColumnToContents(column);
    const bool any = !runs_.empty();
    lst_Runs->setVisible(any);
    lbl_Runs->setVisible(any);
    lbl_Empty->setVisible(!any);
    if (any) lst_Runs->setCurrentItem(lst_Runs->topLevelItem(0));
    cmdUndo->setEnabled(any);
}

void FrmUndo::cmdUndo_Click() {
    const int row = lst_Runs->indexOfTopLevelItem(lst_Runs->currentItem());
    if (row < 0 || static_cast<size_t>(row) >= runs_.size()) return;
    const JournalInfo run = runs_[static_cast<size_t>(row)];
    const QString when = run.header.kind.empty()
                             ? QString()
                             : U(FormatPanelDate(LocalFromUnix(run.header.started))) + " の";
    const QString ask =
        QString("%1「%2」で変更した写真 %3 件を元に戻します。\r\nフォルダ: %4\r\nよろしいですか？")
            .arg(when, KindText(run.header.kind))
            .arg(run.records)
            .arg(QDir::toNativeSeparators(U(run.header.folder)));
    if (MessageService::show(this, ask, kAppTitle, MessageIcon::Question,
                             MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;

    std::vector<UndoOutcome> outcomes;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const UndoSummary summary = UndoJournals({run.path}, false, [&](const UndoOutcome& o) {
        if (!o.ok()) outcomes.push_back(o);
    });
    QApplication::restoreOverrideCursor();
    if (afterUndo_) afterUndo_();
    MessageService::show(this, SummaryText(summary, outcomes), "処理完了",
                         summary.ok() ? MessageIcon::Information : MessageIcon::Exclamation);
    refresh();
    lst_Runs->setCurrentItem(lst_Runs->topLevelItem(row));
}

QString FrmUndo::SummaryText(const UndoSummary& summary, const std::vector<UndoOutcome>& outcomes) {
    QStringList lines;
    lines << QString("元に戻した写真: %1 件").arg(summary.restored);
    lines << QString("既に元の状態だった写真: %1 件").arg(summary.asBefore);
    if (summary.refused > 0) {
        lines << QString("戻せなかった写真: %1 件").arg(summary.refused);
        int named = 0;
        for (const UndoOutcome& o : outcomes) {
            if (o.ok()) continue;
            if (named++ == kNamedRefusals) {
                lines << QString("ほか %1 件").arg(summary.refused - kNamedRefusals);
                break;
            }
            lines << QDir::toNativeSeparators(U(o.record.path)) + "（" + ReasonText(o) + "）";
        }
        const bool changedSince =
            std::any_of(outcomes.begin(), outcomes.end(), [](const UndoOutcome& o) {
                return o.refusal == UndoRefusal::TextChanged ||
                       o.refusal == UndoRefusal::TimeChanged;
            });
        if (changedSince) lines << "後の実行で変更された写真は、その実行を先に元に戻すと戻せます。";
    }
    size_t badLines = 0;
    bool unread = false;
    for (const UndoProblem& p : summary.problems) {
        if (p.line == 0)
            unread = true;
        else
            ++badLines;
    }
    if (unread) lines << "取り消し用の記録を読み取れません。";
    if (badLines > 0)
        lines << QString("記録のうち %1 行が読み取れないため、その行の写真は戻していません。")
                     .arg(badLines);
    if (!summary.cutAtEnd.empty())
        lines << "記録の最後の行は実行の途中で止まったものです（その写真は変更されていません）。";
    return lines.join("\r\n");
}

} // namespace tokimori
