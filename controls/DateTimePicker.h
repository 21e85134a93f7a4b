#pragma once
// Date and time pickers that behave as the system's date-time picker: a click selects the whole
// field under the pointer (year, month, day, hour, minute or second), so the digits typed next
// replace that field.

#include <QDateEdit>
#include <QTimeEdit>

namespace tokimori {

class DatePicker : public QDateEdit {
    Q_OBJECT
  public:
    explicit DatePicker(QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class TimePicker : public QTimeEdit {
    Q_OBJECT
  public:
    explicit TimePicker(QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace tokimori
