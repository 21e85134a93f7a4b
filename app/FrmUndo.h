#pragma once
// The dialog of 元に戻す: the runs whose journals are in the log folder, newest first; the one
// chosen is undone through the run layer's undo, and a summary tells what came back.

#include <QDialog>
#include <functional>
#include <vector>

#include "run/Journal.h"
#include "run/Undo.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tokimori {

class FrmUndo : public QDialog {
    Q_OBJECT
  public:
    FrmUndo(QWidget* owner, const QString& logFolder);

    // Called after each undo (the main window redraws its panel).
    void setAfterUndo(std::function<void()> after) { afterUndo_ = std::move(after); }

  public slots:
    // Reads the log folder's journals again.
    void refresh();
    // Undoes the chosen run after asking.
    void cmdUndo_Click();

  private:
    QString logFolder_;
    std::vector<JournalInfo> runs_;
    std::function<void()> afterUndo_;
    QLabel* lbl_Runs = nullptr;
    QTreeWidget* lst_Runs = nullptr;
    QLabel* lbl_Empty = nullptr;
    QPushButton* cmdUndo = nullptr;
    QPushButton* cmdClose = nullptr;
};

} // namespace tokimori
