#include "lists/ui/record_editor.h"

#include "common/cp932.h"
#include "common/text_field.h"
#include "lists/editor_walks.h"
#include "lists/list_file.h"
#include "lists/schedule.h"
#include "lists/ui/guest_finder.h"
#include "lists/ui/keyword_list_model.h"
#include "lists/ui/record_editor_boxes.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>


using namespace editor_boxes;

namespace {

const QColor kLightCyan(192, 255, 255);
constexpr int kArrowLimit = 200; // the arrows never go past this record

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QString shown(const BoxInfo& info, const GuestRecord& guest) { return trimRight(guest.*info.field); }

} // namespace

void RecordEditor::ShowRecord(int n)
{
    auto guest = ReadGuestRecord(listPath_(), n);
    if (!guest) {
        report(guest.error());
        return;
    }
    setCurrentRecord(n);
    showGuest(*guest);
    emit recordShown(n);
}

void RecordEditor::showGuest(const GuestRecord& guest)
{
    for (int i = 0; i < int(kText1.size()); ++i)
        text1_[i]->setText(shown(kText1[i], guest));
    // A stored guest shows its statuses as they are; only an empty record
    // offers the choice.
    if (IsEndOfList(guest, EndTest::EmptyRecord)) {
        setComboDefaults();
    } else {
        status_->setEditText(guest.soushin);
        materialSent_->setEditText(guest.shiryou);
    }
    honorific_->setText(shown(kHonorific, guest));
    for (int i = 0; i < kStepCount; ++i)
        switches_[i]->setChecked(stepSwitch(guest, i) == 1);
    for (int i = 0; i < int(kText25.size()); ++i)
        text25_[i]->setText(shown(kText25[i], guest));
    markSaved();
}

void RecordEditor::markSaved() { savedBytes_ = encodeGuestRecord(recordFromControls()); }

// The bytes a save would write against those of the guest as shown: exact,
// whatever box or switch was touched. Without a family name a save writes
// nothing, so there is nothing to ask about.
bool RecordEditor::hasUnsavedEdits() const
{
    return !text1_[0]->text().isEmpty() && encodeGuestRecord(recordFromControls()) != savedBytes_;
}

bool RecordEditor::mayLeaveShownRecord()
{
    if (!hasUnsavedEdits())
        return true;
    switch (prompts_.message(messageTitle(QStringLiteral("　変更の確認　")), QStringLiteral("変更を保存しますか？"),
                             PromptIcon::Question, PromptButtons::YesNoCancel)) {
    case PromptAnswer::Yes:
        return updateClicked();
    case PromptAnswer::No:
        return true;
    default:
        return false;
    }
}

void RecordEditor::jumpTo(int n)
{
    if (mayLeaveShownRecord())
        ShowRecord(n);
}

GuestRecord RecordEditor::recordFromControls() const
{
    GuestRecord guest;
    for (int i = 0; i < int(kText1.size()); ++i)
        guest.*kText1[i].field = text1_[i]->text();
    for (int i = 0; i < int(kText25.size()); ++i)
        guest.*kText25[i].field = text25_[i]->text();
    guest.keisyou = honorific_->text();
    guest.soushin = status_->currentText();
    guest.shiryou = materialSent_->currentText();
    for (int i = 0; i < kStepCount; ++i)
        setStepSwitch(guest, i, switches_[i]->isChecked() ? 1 : 0);
    return guest;
}

bool RecordEditor::SaveShownRecord()
{
    if (text1_[0]->text().isEmpty())
        return true;
    if (!datesAreValid())
        return false;
    auto written = WriteGuestRecord(listPath_(), currentRecord(), recordFromControls());
    if (!written) {
        report(written.error());
        return false;
    }
    markSaved();
    return true;
}

// A date that is no day, or not in the stored form, is never due: the guest
// would silently get nothing. The operator keeps what was typed to correct it.
bool RecordEditor::datesAreValid()
{
    for (int i = kFirstDateBox; i <= kLastDateBox; ++i) {
        const QString text = trimRight(text1_[i]->text());
        if (text.isEmpty() || dateFromText(text))
            continue;
        prompts_.warn(messageTitle(QStringLiteral("　入力エラー　")),
                      QStringLiteral("「%1」の「%2」は日付として読めません。\n"
                                     "年4桁/月2桁/日2桁（例: 2026/01/05）で入力するか、空欄にしてください。\n"
                                     "レコードは保存していません。")
                          .arg(QString::fromUtf8(kText1[i].caption), text1_[i]->text()));
        text1_[i]->setFocus();
        return false;
    }
    return true;
}

void RecordEditor::RefreshKeywordLists()
{
    auto source = readKeywordSource(listPath_());
    if (!source) {
        report(source.error());
        return;
    }
    setGuestCount(source->guestCount);
    fillKeywordLists(std::move(source->listBytes), source->guestCount);
}

void RecordEditor::NewRec(int& n)
{
    auto empty = firstEmptyRecordFrom(listPath_(), n);
    if (!empty) {
        report(empty.error());
        return;
    }
    n = *empty;
}

void RecordEditor::fillKeywordLists(QByteArray listBytes, int guestCount)
{
    for (int i = 0; i < kKeywordListCount; ++i) {
        keywordModels_[i]->setList(listBytes, guestCount);
        keywordLists_[i]->setCurrentIndex(-1);
    }
    finder_->forgetList();
}

void RecordEditor::setGuestCount(int count)
{
    guestCount_ = count;
    guestCountLabel_->setText(QString::number(count));
}

int RecordEditor::guestCount() const { return guestCount_; }

void RecordEditor::setCurrentRecord(int n)
{
    currentRecord_ = n;
    recordNumber_->setText(QString::number(n));
}

int RecordEditor::currentRecord() const { return currentRecord_; }

void RecordEditor::clearForNewList()
{
    clearBoxes();
    for (QCheckBox* box : switches_)
        box->setChecked(false);
    fillKeywordLists({}, 0);
    ShowRecord(1);
    setGuestCount(0);
    setCurrentRecord(1);
}

void RecordEditor::prepareForTab()
{
    calendar_->setSelectedDate(clock_.today());
    text1_[0]->setFocus();
}

void RecordEditor::setComboDefaults()
{
    status_->setEditText(kChoose);
    materialSent_->setEditText(kChoose);
}

void RecordEditor::clearBoxes()
{
    for (QLineEdit* box : text1_)
        box->clear();
    for (QLineEdit* box : text25_)
        box->clear();
    honorific_->clear();
}

// Without a family name nothing is saved: the editor steps back instead.
bool RecordEditor::saveOrStepBack()
{
    if (!text1_[0]->text().isEmpty())
        return SaveShownRecord();
    previousRecord();
    return true;
}

bool RecordEditor::updateClicked()
{
    if (!saveOrStepBack())
        return false;
    setBrowsing(true);
    RefreshKeywordLists();
    return true;
}

void RecordEditor::newRecordClicked()
{
    if (!text1_[0]->text().isEmpty()) {
        if (!mayLeaveShownRecord())
            return;
        // The scan's answer, not the count alone: a count gone stale (another
        // page added guests) must not send the next save onto a guest.
        int n = guestCount() + 1;
        NewRec(n);
        setCurrentRecord(n);
        clearBoxes();
        setComboDefaults();
    }
    text1_[0]->setFocus();
    setFieldColour(Qt::black, false);
    setBrowsing(false);
}

void RecordEditor::previousRecord()
{
    if (!SaveShownRecord())
        return;
    setBrowsing(true);
    RefreshKeywordLists();
    const int r = currentRecord();
    if (r > 1 && r <= kArrowLimit && !isShownRecordEmpty(r - 1))
        ShowRecord(r - 1);
}

void RecordEditor::nextRecord()
{
    if (!saveOrStepBack())
        return;
    setBrowsing(true);
    RefreshKeywordLists();
    const int r = currentRecord();
    if (r >= 1 && r < kArrowLimit && !isShownRecordEmpty(r + 1))
        ShowRecord(r + 1);
}

bool RecordEditor::isShownRecordEmpty(int n)
{
    auto guest = ReadGuestRecord(listPath_(), n);
    if (!guest) {
        report(guest.error());
        return true;
    }
    return IsEndOfList(*guest, EndTest::EmptyRecord);
}

void RecordEditor::keywordPicked(int list)
{
    // Saving first refreshes the lists, so the pick is taken before asking.
    const QString picked = keywordLists_[list]->currentText();
    if (!mayLeaveShownRecord()) {
        keywordLists_[list]->setCurrentIndex(-1);
        return;
    }
    auto found = findKeywordRecord(listPath_(), keywordFields()[list], picked);
    if (!found)
        report(found.error());
    else if (*found)
        ShowRecord(**found);
}

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
        newButton_->setPalette(palette);
    } else {
        newButton_->setPalette(QPalette());
    }
    upDown_->setEnabled(browsing);
}

void RecordEditor::textBoxClicked(int index)
{
    calendar_->setSelectedDate(clock_.today());
    if (index < kFirstDateBox || index > kLastDateBox)
        return;
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

void RecordEditor::report(const Error& error)
{
    prompts_.warn(messageTitle(QStringLiteral("　ファイルエラー　")), error.message);
}

bool RecordEditor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool inCalendar = widget == calendar_ || calendar_->isAncestorOf(widget);
        const bool inTextBox = std::ranges::find(text1_, watched) != text1_.end();
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && (inCalendar || inTextBox))
            hideCalendar();
        return false;
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
