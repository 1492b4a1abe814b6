// SPDX-License-Identifier: GPL-3.0-or-later
// How the boxes answer the operator: the status colours, the calendar under a
// date box (a click, F4 or Alt+Down; Enter picks, Esc closes), and the rule
// that keeps the repeat and step switches apart.
#include "lists/ui/record_editor.h"

#include "common/text_field.h"
#include "common/ui/readable_colour.h"
#include "lists/schedule.h"
#include "lists/ui/record_editor_boxes.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

using namespace editor_boxes;

namespace {

const QColor kLightCyan(192, 255, 255);

// The program's own colour where the desktop's base lets it be read, else a tone of it that can be.
void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, readableOn(colour, palette.color(QPalette::Base)));
    widget->setPalette(palette);
}

bool opensCalendar(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier)
           || (key->key() == Qt::Key_Down && key->modifiers() == Qt::AltModifier);
}

} // namespace

void RecordEditor::statusChanged(const QString& text)
{
    if (text == QStringLiteral("配信中"))
        setFieldColour(Qt::blue, true);
    else if (text == QStringLiteral("停止済"))
        setFieldColour(Qt::red, true);
}

void RecordEditor::setFieldColour(const QColor& colour, bool withHonorific)
{
    for (QLineEdit* box : text1_)
        setTextColour(box, colour);
    for (QLineEdit* box : text25_)
        setTextColour(box, colour);
    if (withHonorific)
        setTextColour(honorific_, colour);
    setTextColour(status_, colour);
    setTextColour(materialSent_, colour);
}

void RecordEditor::setBrowsing(bool browsing)
{
    newButton_->setEnabled(browsing);
    if (browsing) {
        QPalette palette = newButton_->palette();
        palette.setColor(QPalette::Button, kLightCyan);
        // A dark desktop's light caption would vanish on the caption's cyan.
        if (contrastRatio(palette.color(QPalette::ButtonText), kLightCyan) < 4.5)
            palette.setColor(QPalette::ButtonText, Qt::black);
        newButton_->setPalette(palette);
    } else {
        newButton_->setPalette(QPalette());
    }
    upDown_->setEnabled(browsing);
}

void RecordEditor::textBoxClicked(int index)
{
    calendar_->setSelectedDate(clock_.today());
    if (index >= kFirstDateBox && index <= kLastDateBox)
        showCalendarUnder(index);
}

// From the keyboard the arrows go on from the box's own date, when it has one.
void RecordEditor::openCalendarByKey(int index)
{
    calendar_->setSelectedDate(dateFromText(text1_[index]->text()).value_or(clock_.today()));
    showCalendarUnder(index);
    calendar_->setFocus();
}

void RecordEditor::showCalendarUnder(int index)
{
    calendarTarget_ = index;
    QLineEdit* box = text1_[index];
    QPoint at = box->mapTo(this, QPoint(0, box->height()));
    at.setX(std::clamp(at.x(), 0, std::max(0, width() - calendarPopup_->width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, height() - calendarPopup_->height())));
    calendarPopup_->move(at);
    calendarPopup_->raise();
    calendarPopup_->show();
}

void RecordEditor::datePicked(const QDate& date)
{
    if (calendarTarget_ >= kFirstDateBox && calendarTarget_ <= kLastDateBox)
        text1_[calendarTarget_]->setText(dateText(date));
    hideCalendar();
}

// Hiding a focused calendar would pass the focus on to the next control, and
// the operator's next keys with it; they belong to the date box.
void RecordEditor::hideCalendar()
{
    const bool calendarHadFocus = calendarPopup_->isAncestorOf(QApplication::focusWidget());
    calendarPopup_->hide();
    if (calendarHadFocus && calendarTarget_ >= kFirstDateBox && calendarTarget_ <= kLastDateBox)
        text1_[calendarTarget_]->setFocus();
}

bool RecordEditor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool inCalendar = widget == calendar_ || calendar_->isAncestorOf(widget);
        const auto box = std::ranges::find(text1_, watched);
        const int index = int(box - text1_.begin());
        if (key->key() == Qt::Key_Escape && (inCalendar || box != text1_.end()))
            hideCalendar();
        if (box == text1_.end() || index < kFirstDateBox || index > kLastDateBox || !opensCalendar(key))
            return false;
        openCalendarByKey(index);
        return true;
    }
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if ((!press && type != QEvent::MouseButtonRelease) || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    if (auto box = std::ranges::find(text1_, watched); box != text1_.end() && !press)
        textBoxClicked(int(box - text1_.begin()));
    if (auto check = std::ranges::find(switches_, watched); check != switches_.end())
        applySwitchRule(int(check - switches_.begin()));
    return false;
}

// Runs on press and on release; the box's own click then toggles it once
// more, so a whole click toggles it once with the rule applied.
void RecordEditor::applySwitchRule(int clicked)
{
    std::array<bool, kStepCount> boxes{};
    for (int i = 0; i < kStepCount; ++i)
        boxes[i] = switches_[i]->isChecked();
    boxes = switchesAfterClick(boxes, clicked);
    for (int i = 0; i < kStepCount; ++i)
        switches_[i]->setChecked(boxes[i]);
}
