#include "controls/DateTimePicker.h"

#include <QLineEdit>
#include <QMouseEvent>

namespace tokimori {

namespace {
// After a plain click (not a drag that selected text) the field under the pointer is selected.
// The click has placed the cursor by then; the line edit's own release handling keeps the
// selection.
void SelectClickedField(QDateTimeEdit* edit, QLineEdit* line, QObject* watched, QEvent* event) {
    if (watched != line || event->type() != QEvent::MouseButtonRelease) return;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return;
    if (line->hasSelectedText() || edit->currentSection() == QDateTimeEdit::NoSection) return;
    edit->setSelectedSection(edit->currentSection());
}
} // namespace

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    lineEdit()->installEventFilter(this);
}

bool DatePicker::eventFilter(QObject* watched, QEvent* event) {
    SelectClickedField(this, lineEdit(), watched, event);
    return QDateEdit::eventFilter(watched, event);
}

TimePicker::TimePicker(QWidget* parent) : QTimeEdit(parent) {
    lineEdit()->installEventFilter(this);
}

bool TimePicker::eventFilter(QObject* watched, QEvent* event) {
    SelectClickedField(this, lineEdit(), watched, event);
    return QTimeEdit::eventFilter(watched, event);
}

} // namespace tokimori
