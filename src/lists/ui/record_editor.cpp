// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/ui/record_editor.h"

#include "common/cp932.h"
#include "common/text_field.h"
#include "lists/editor_walks.h"
#include "lists/list_file.h"
#include "lists/ui/guest_finder.h"
#include "lists/ui/keyword_list_model.h"
#include "lists/ui/record_editor_boxes.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

using namespace editor_boxes;

namespace {

constexpr int kArrowLimit = 200; // the arrows never go past this record

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

// The search's work is done: the guest's first box takes the keys.
void RecordEditor::searchJump(int n)
{
    jumpTo(n);
    if (currentRecord_ == n)
        text1_[0]->setFocus();
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
    keepStopMadeMeanwhile();
    auto written = WriteGuestRecord(listPath_(), currentRecord(), recordFromControls());
    if (!written) {
        report(written.error());
        return false;
    }
    markSaved();
    return true;
}

// The mailbox check or the daily run may stop the guest while it is shown:
// saving the older copy must not send to them again.
void RecordEditor::keepStopMadeMeanwhile()
{
    const QString stopped = QStringLiteral("停止済");
    const auto onDisk = ReadGuestRecord(listPath_(), currentRecord());
    if (!onDisk || trimRight(onDisk->soushin) != stopped || trimRight(decodeGuestRecord(savedBytes_).soushin) == stopped
        || status_->currentText() == stopped)
        return;
    status_->setCurrentText(stopped);
    prompts_.warn(messageTitle(QStringLiteral("　配信停止　")),
                  QStringLiteral("表示している間に、この顧客は配信停止になりました（受信箱の確認）。\n"
                                 "配信状況は「停止済」のまま保存します。"));
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

void RecordEditor::report(const Error& error)
{
    prompts_.warn(messageTitle(QStringLiteral("　ファイルエラー　")), error.message);
}
