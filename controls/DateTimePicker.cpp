#include "controls/DateTimePicker.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLabel>
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
    setCalendarPopup(true);
    // The calendar's header in the Japanese order, "2006年12月", between its arrows (the
    // toolkit's own puts the month before the year).
    QCalendarWidget* calendar = calendarWidget();
    auto* bar = calendar->findChild<QWidget*>("qt_calendar_navigationbar");
    auto* month = calendar->findChild<QWidget*>("qt_calendar_monthbutton");
    auto* year = calendar->findChild<QWidget*>("qt_calendar_yearbutton");
    auto* layout = bar ? qobject_cast<QHBoxLayout*>(bar->layout()) : nullptr;
    if (!layout || !month || !year) return;
    month->hide();
    year->hide();
    auto* header = new QLabel(bar);
    header->setObjectName("calendarHeader");
    header->setAlignment(Qt::AlignCenter);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    QPalette p = header->palette();
    p.setColor(QPalette::WindowText, month->palette().color(QPalette::ButtonText));
    header->setPalette(p);
    layout->insertWidget(layout->indexOf(month), header);
    auto show = [header](int y, int m) { header->setText(QString("%1年%2月").arg(y).arg(m)); };
    connect(calendar, &QCalendarWidget::currentPageChanged, header, show);
    show(calendar->yearShown(), calendar->monthShown());
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
