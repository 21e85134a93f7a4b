#pragma once
// The main window's controls, named as the program's design names them, made and placed at their
// design rectangles; and its menus and tool bar, their commands named. The window connects them.

#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimeEdit>
#include <QToolBar>

#include "app/BrowseLists.h"
#include "controls/EventControls.h"
#include "view/Layout.h"

namespace tokimori {

// The browsing and setting controls' font: the system's Japanese UI face at 9 points.
QFont ListFont(bool bold = false);

class FrmMainUi {
  protected:
    void setupUi(QMainWindow* window);
    // Places a control at a rectangle in twips, and notes it.
    void place(QWidget* w, const Rect& twips);

    // Controls, named as the program's design names them.
    QWidget* client_ = nullptr;
    QToolBar* Toolbar = nullptr;
    QStatusBar* stb = nullptr;
    QLabel* stbPath_ = nullptr;
    QLabel* stbProgress_ = nullptr;
    QFrame* frm_MainBack = nullptr;
    QFrame* Frame2 = nullptr;
    QFrame* FraSet = nullptr;
    DriveList* Drive1 = nullptr;
    FolderList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QLabel* PicBack = nullptr;
    Thumbnail* Image2 = nullptr;
    QWidget* lbl_Back_Image[2] = {nullptr, nullptr};
    QLabel* lbl_File_Info = nullptr;
    QPlainTextEdit* txt_Exif_Info = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* lbl_Back = nullptr;
    QLabel* lbl_Settei = nullptr;
    QDateEdit* DTPDate = nullptr;
    QTimeEdit* DTPTime = nullptr;
    MouseUpCheckBox* ChkIkkatu = nullptr;
    MouseUpCheckBox* ChkHoji = nullptr;
    MouseUpCheckBox* ChkUme = nullptr;
    QDateEdit* DTPumeDate = nullptr;
    QPushButton* CmdExe = nullptr;

    QMap<QString, QRect> twips_; // each control's rectangle, by name

  private:
    void setupMenus(QMainWindow* window);
    void setupToolbar();
};

} // namespace tokimori
