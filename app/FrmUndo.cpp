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

#include "ui/MessageService.h"
#include "ui/Texts.h"
#include "view/Commands.h"
#include "view/Names.h"

namespace tokimori {

FrmUndo::FrmUndo(QWidget* owner, const QString& logFolder) : QDialog(owner), logFolder_(logFolder) {
    setObjectName("FrmUndo");
    setWindowTitle(U(UndoTexts::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    lbl_Runs = new QLabel(U(UndoTexts::kRuns), this);
    lbl_Runs->setObjectName("lbl_Runs");
    lbl_Runs->setWordWrap(true);
    lst_Runs = new QTreeWidget(this);
    lst_Runs->setObjectName("lst_Runs");
    lst_Runs->setHeaderLabels({U(UndoTexts::kColumns[0]), U(UndoTexts::kColumns[1]),
                               U(UndoTexts::kColumns[2]), U(UndoTexts::kColumns[3])});
    lst_Runs->setRootIsDecorated(false);
    lst_Runs->setUniformRowHeights(true);
    lst_Runs->setSelectionMode(QAbstractItemView::SingleSelection);
    lst_Runs->header()->setStretchLastSection(true);
    lbl_Empty = new QLabel(U(UndoTexts::kEmpty), this);
    lbl_Empty->setObjectName("lbl_Empty");
    lbl_Empty->setAlignment(Qt::AlignCenter);

    cmdUndo = new QPushButton(U(UndoTexts::kUndo), this);
    cmdUndo->setObjectName("cmdUndo");
    cmdUndo->setDefault(true);
    cmdClose = new QPushButton(U(UndoTexts::kClose), this);
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

void FrmUndo::refresh() {
    runs_ = ListJournals(logFolder_.toStdString());
    lst_Runs->clear();
    for (const JournalInfo& run : runs_) {
        const UndoRow row = UndoRowOf(run);
        auto* item = new QTreeWidgetItem(lst_Runs);
        const QString texts[] = {U(row.when), U(row.kind), U(row.count), U(row.folder)};
        for (int column = 0; column < 4; ++column) {
            item->setText(column, texts[column]);
            item->setToolTip(column, column == 3 ? texts[3] : U(DisplayName(run.path)));
            // A run undone already is shown greyed.
            if (row.undone)
                item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
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
    if (!MessageService::ask(this, UndoQuestion(run))) return;
    std::vector<UndoOutcome> notBack;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const UndoSummary summary = UndoJournals({run.path}, false, [&](const UndoOutcome& o) {
        if (!o.ok()) notBack.push_back(o);
    });
    QApplication::restoreOverrideCursor();
    if (afterUndo_) afterUndo_();
    MessageService::ask(this, UndoSummaryMessage(summary, notBack));
    refresh();
    lst_Runs->setCurrentItem(lst_Runs->topLevelItem(row));
}

} // namespace tokimori
