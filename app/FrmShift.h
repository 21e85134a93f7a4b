#pragma once
// The dialog of 日時をずらす: which way and how far the photos' dates move, or 基準写真から (the
// current photo's true time gives the offset, and only its camera's photos move); whether the
// selected photos or the whole folder; and a preview of the current photo's shooting date. It
// only asks; the main window runs the photos.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "exif/CameraFields.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tokimori {

class DatePicker;
class TimePicker;

class FrmShift : public QDialog {
    Q_OBJECT
  public:
    // The photo the panel shows, for the preview.
    struct Photo {
        QString name;      // empty: no current photo
        bool read = false; // its Exif data could be read
        // Its camera and shooting date (DateTimeOriginal as stored; empty when it has none).
        CameraFields fields;
    };
    FrmShift(QWidget* owner, const Photo& current, int selectedCount, int folderCount,
             bool folderMode);

    // The offset in seconds, negative when the dates go back; by the reference, the offset its
    // true time gives (0 while there is none).
    int64_t seconds() const;
    bool folderMode() const;
    // 基準写真から is chosen: only the current photo's camera's photos move.
    bool byReference() const;
    // Asked when OK is pressed; an answer of false keeps the dialog open as it is.
    void setConfirm(std::function<bool(int64_t seconds, bool folderMode)> confirm) {
        confirm_ = std::move(confirm);
    }
    // The preview as it stands: the photo's name, a line break, its shooting date and where the
    // offset takes it.
    QString previewText() const;
    // 基準写真から's offset line as it stands.
    QString referenceOffsetText() const;

  public slots:
    void accept() override;

  private:
    void updatePreview();
    std::string trueTime() const; // the reference's true time as entered, "yyyy:mm:dd hh:mm:ss"

    Photo current_;
    std::function<bool(int64_t, bool)> confirm_;
    QRadioButton* OptPlus = nullptr;
    QRadioButton* OptMinus = nullptr;
    QSpinBox* txt_Days = nullptr;
    QSpinBox* txt_Hours = nullptr;
    QSpinBox* txt_Minutes = nullptr;
    QSpinBox* txt_Seconds = nullptr;
    QRadioButton* OptSelected = nullptr;
    QRadioButton* OptFolder = nullptr;
    QGroupBox* FraWay = nullptr;
    QGroupBox* FraAmount = nullptr;
    QGroupBox* FraReference = nullptr;
    QLabel* lbl_RefPhoto = nullptr;
    DatePicker* DTPTrueDate = nullptr;
    TimePicker* DTPTrueTime = nullptr;
    QLabel* lbl_RefOffset = nullptr;
    QLabel* lbl_Preview = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

} // namespace tokimori
