// SPDX-License-Identifier: GPL-3.0-or-later
// The operator's own sends from the send list: a picked guest (ターゲット送信), every
// delivering guest (スクランブル送信), a test to the sender and a preview.
#include "delivery/ui/send_panel.h"

#include "common/text_field.h"
#include "delivery/guest_mail.h"
#include "smtp/mail_message.h"
#include "delivery/mail_text.h"
#include "delivery/personalise.h"
#include "delivery/send_worker.h"
#include "lists/guest_record.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

// ---- test send and preview of the selected line ----

std::optional<SendJob> SendPanel::selectedJob(bool test)
{
    const QListWidgetItem* item = sendList_->currentItem();
    if (!item) {
        prompts_.warn(messageTitle(QStringLiteral("　送信条件エラー　")),
                      QStringLiteral("送信者リストで行を選んでください"));
        return std::nullopt;
    }
    const DueEntry line = entryOf(item);
    std::optional<MailContent> content;
    if (!line.step)
        content = MailContent{subjectBox_->text(), unpersonalisedText_.isEmpty() ? bodyText() : unpersonalisedText_};
    auto job = jobFor(line.step ? MailKind::Step : MailKind::Target, std::move(content), {line});
    if (job)
        job->testSend = test;
    return job;
}

void SendPanel::onTestSendClicked()
{
    if (running_)
        return;
    const auto job = selectedJob(true);
    if (!job)
        return;
    // Refused before the worker: a test that cannot be made says why at once.
    if (const auto mail = mailForLine(*job, job->lines.first(), clock_.now()); !mail) {
        prompts_.warn(messageTitle(QStringLiteral("　テスト送信　")), mail.error().message);
        return;
    }
    startJob(*job, false);
}

void SendPanel::onPreviewClicked()
{
    const auto job = selectedJob(false);
    if (!job)
        return;
    showPreview(job->lines.first().displayName, mailForLine(*job, job->lines.first(), clock_.now()));
}

void SendPanel::previewGuestMail(const GuestRecord& guest, int step)
{
    const auto job = jobFor(MailKind::Step, std::nullopt, {});
    if (!job)
        return;
    const auto content = stepMailContent(job->settings, step, job->home);
    // The record is the editor's, not known here: the preview's token names none.
    const OptOut optOut = optOutFor(*job, optOutKey(dir_.root()).value_or(QByteArray()), 0);
    showPreview(displayName(guest), content ? buildGuestMail(guest, *content, job->settings, job->smtp, clock_.now(), optOut)
                                            : Result<OutgoingMail>(std::unexpected(content.error())));
}

void SendPanel::showPreview(const QString& guestName, const Result<OutgoingMail>& mail)
{
    const auto text = mail ? mailPreview(*mail) : Result<QString>(std::unexpected(mail.error()));
    if (!text) {
        prompts_.warn(messageTitle(QStringLiteral("　プレビュー　")), text.error().message);
        return;
    }
    auto* dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("mailPreviewDialog"));
    dialog->setWindowTitle(QStringLiteral("プレビュー　%1").arg(guestName));
    auto* view = new QPlainTextEdit(*text, dialog);
    view->setObjectName(QStringLiteral("mailPreview"));
    view->setReadOnly(true);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(close, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(view);
    layout->addWidget(close);
    dialog->resize(640, 480);
    dialog->show();
}

// ---- target and scramble sends ----

void SendPanel::onTargetSendClicked()
{
    if (running_)
        return;
    if (bodyText().isEmpty() || subjectBox_->text().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　送信条件エラー　")),
                      QStringLiteral("件名または本文がありません　送信を中止します"));
        return;
    }
    if (!pickedLine_)
        return;
    const DueEntry line = *std::exchange(pickedLine_, std::nullopt);
    // The text stays for the next pick.
    startRun(MailKind::Target, MailContent{subjectBox_->text(), bodyText()}, {line}, false);
    // The next pick starts from the text as it was before this guest's name went in.
    subjectBox_->clear();
    recipientBox_->clear();
    setBodyText(unpersonalisedText_);
}

void SendPanel::onScrambleClicked()
{
    if (running_)
        return;
    if (subjectBox_->text().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　件名未入力違反　")),
                      QStringLiteral("件名がありません、送信をやり直してください。"));
        return;
    }
    // One load before the run: a missing text must not send empty bodies.
    auto text = readMailText(scrambleTextFile_);
    if (!text) {
        prompts_.warn(messageTitle(QStringLiteral("　本文読込エラー　")),
                      scrambleTextFile_.isEmpty()
                          ? QStringLiteral("スクランブル送信する本文を「開く」で選んでください")
                          : text.error().message);
        return;
    }
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    scrambleButton_->hide();
    pickedLine_.reset();
    setSendList(scrambleEntries(*guests));
    QList<DueEntry> lines;
    for (int i = 0; i < sendList_->count(); ++i)
        lines.append(entryOf(sendList_->item(i)));
    startRun(MailKind::Scramble, MailContent{subjectBox_->text(), *text}, lines, true);
}

// ---- the send list ----

void SendPanel::onListSearch()
{
    if (running_)
        return;
    sendList_->clear();
    clearMail();
    scrambleButton_->hide();
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    addLines(deliveringEntries(*guests));
    emit guestCountFound(searchedGuestCount(*guests));
}

void SendPanel::onNamePick(QListWidgetItem* item)
{
    if (running_ || !item)
        return;
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    // Each pick personalises the same text afresh, never the previous guest's copy.
    if (!openTextFile_.isEmpty() && loadBody(openTextFile_, TextOrigin::Operator))
        unpersonalisedText_ = bodyText();
    else if (!pickedLine_)
        unpersonalisedText_ = bodyText();
    pickedLine_ = entryOf(item);
    const auto guest = guestFor(*guests, *pickedLine_);
    recipientBox_->setText(guest ? guest->address.trimmed() : QString());
    setBodyText(guest ? personalise(unpersonalisedText_, trimRight(guest->fName), guest->keisyou)
                      : unpersonalisedText_);
    updateButtons();
}

void SendPanel::onListClear()
{
    if (running_)
        return;
    pickedLine_.reset();
    sendList_->clear();
    subjectBox_->clear();
    recipientBox_->clear();
    body_->clear();
    openedCopy_->clear();
    openTextFile_.clear();
    unpersonalisedText_.clear();
    updateButtons();
}
