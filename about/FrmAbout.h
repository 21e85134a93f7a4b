#pragma once
// The version-information dialog: the program's icon, title, version and description.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tokimori {

class FrmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit FrmAbout(QWidget* owner);

  private:
    void Form_Load();
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace tokimori
