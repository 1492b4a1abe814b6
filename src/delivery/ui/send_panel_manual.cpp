// SPDX-License-Identifier: GPL-3.0-or-later
// The operator's own sends from the send list: a picked guest (ターゲット送信), every
// delivering guest (スクランブル送信), a test to the sender and a preview.
#include "delivery/ui/send_panel.h"

#include "delivery/guest_mail.h"
#include "delivery/mail_text.h"
#include "delivery/ui/mail_text_pane.h"
#include "delivery/ui/send_queue_model.h"
#include "lists/guest_record.h"
#include "smtp/mail_message.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

// ---- test send and preview of the selected line ----

std::optional<SendJob> SendPanel::selectedJob(bool test)
{
    const QModelIndex current = sendList_->currentIndex();
    if (!current.isValid()) {
        prompts_.warn(messageTitle(QStringLiteral("　送信条件エラー　")),
                      QStringLiteral("送信者リストで行を選んでください"));
        return std::nullopt;
    }
    const DueEntry line = queue_->at(current.row());
    std::optional<MailContent> content;
    if (!line.step)
        content = MailContent{textPane_->subject(), textPane_->unpersonalisedBody()};
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
    if (textPane_->body().isEmpty() || textPane_->subject().isEmpty()) {
        prompts_.warn(messageTitle(QStringLiteral("　送信条件エラー　")),
                      QStringLiteral("件名または本文がありません　送信を中止します"));
        return;
    }
    if (!pickedLine_)
        return;
    const DueEntry line = *std::exchange(pickedLine_, std::nullopt);
    // The text stays for the next pick.
    startRun(MailKind::Target, MailContent{textPane_->subject(), textPane_->body()}, {line}, false);
    textPane_->resetForNextPick();
}

void SendPanel::onScrambleClicked()
{
    if (running_)
        return;
    if (textPane_->subject().isEmpty()) {
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
    startRun(MailKind::Scramble, MailContent{textPane_->subject(), *text}, queue_->lines(), true);
}

// ---- the send list ----

void SendPanel::onListSearch()
{
    if (running_)
        return;
    queue_->clear();
    clearMail();
    scrambleButton_->hide();
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    queue_->add(deliveringEntries(*guests));
    emit guestCountFound(searchedGuestCount(*guests));
}

void SendPanel::onNamePick(const QModelIndex& index)
{
    if (running_ || !index.isValid())
        return;
    auto guests = readSendingList(listPath_());
    if (!guests) {
        warnList(guests.error());
        return;
    }
    const bool firstPick = !pickedLine_;
    pickedLine_ = queue_->at(index.row());
    textPane_->personaliseFor(guestFor(*guests, *pickedLine_), firstPick);
    updateButtons();
}

void SendPanel::onListClear()
{
    if (running_)
        return;
    pickedLine_.reset();
    queue_->clear();
    textPane_->clearAll();
    updateButtons();
}
