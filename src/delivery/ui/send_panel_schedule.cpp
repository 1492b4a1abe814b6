// SPDX-License-Identifier: GPL-3.0-or-later
// The day's sending by the clock: the start-up question, the change of day,
// deferred mails whose next try has come, and an uncertain mail sent again.
#include "delivery/ui/send_panel.h"

#include "delivery/run_report.h"
#include "delivery/send_plan.h"
#include "delivery/sender_notice.h"
#include "delivery/ui/mail_text_pane.h"
#include "delivery/ui/mailbox_box.h"
#include "delivery/ui/run_report_window.h"
#include "delivery/ui/send_queue_model.h"
#include "lists/list_file.h"

#include <QLabel>
#include <QTimer>

namespace {

// How often the clock looks for deferred mails whose next try has come.
constexpr int kRetryCheckSeconds = 60;

QString clockText(const QDateTime& now) { return now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")); }

} // namespace

// ---- scheduled sending ----

void SendPanel::setClockRunning(bool on)
{
    if (on)
        timer1_->start();
    else
        timer1_->stop();
}

void SendPanel::onSettingsStored()
{
    setClockRunning(true);
    textPane_->setClockText(clockText(clock_.now()));
    textPane_->showSubject();
}

void SendPanel::startupPrompt()
{
    for (const SavedReport& saved : takeUnseenReports(dir_.root(), dir_.reportDir()))
        reportWindow_->addReport(saved.text, QStringLiteral("ウィンドウを閉じている間の送信。保存先: %1").arg(saved.path));
    noticeMissing_->setVisible(!readSenderNotice(dir_.root()).value_or(SenderNotice{}).complete());
    mailbox_->showCandidates();
    // A guest who asked to stop, or whose address is dead, is stopped before the question.
    mailbox_->checkThen([this] { askAboutToday(); });
}

void SendPanel::askAboutToday()
{
    const auto plan = planSendsNow(dir_, listPath_(), clock_.now());
    if (!plan) {
        // An unreadable list was said at its load already.
        if (readListFile(listPath_()))
            warnList(plan.error());
        return;
    }
    reportWindow_->showUncertain(plan->uncertain);
    if (!plan->settled.isEmpty())
        report(RunSummary{plan->settled, std::nullopt, false}, clock_.now());
    const QList<DueEntry> todays = plan->listed();
    setSendList(todays);
    const QList<DueEntry> late = offerCatchUp(plan->late);
    QList<DueEntry> lines = late;
    if (!todays.isEmpty()) {
        const QString already = plan->todaysSent == 0
                                    ? QString()
                                    : QStringLiteral("本日の送信対象のうち %1 件は送信済みです。\r\n").arg(plan->todaysSent);
        const PromptAnswer answer = prompts_.message(
            messageTitle(QStringLiteral("　送信の確認　")),
            already + QStringLiteral("本日の送信対象が見つかりました　直ちに送信しますか？"),
            PromptIcon::Question, PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes)
            lines = todays + late;
    }
    if (!lines.isEmpty())
        startRun(MailKind::Step, std::nullopt, lines, true);
}

// Step mails of the days the program did not run, still within catch_up_days:
// asked, No by default. Returns the lines added to the send list.
QList<DueEntry> SendPanel::offerCatchUp(const QList<DueEntry>& late)
{
    if (late.isEmpty())
        return {};
    const PromptAnswer answer = prompts_.message(
        messageTitle(QStringLiteral("　送信の確認　")),
        QStringLiteral("プログラムが動いていなかった日の送信されていないメールが %1 件あります。\r\n"
                       "遅れて送信しますか？")
            .arg(late.size()),
        PromptIcon::Question, PromptButtons::YesNoDefaultNo);
    if (answer != PromptAnswer::Yes)
        return {};
    queue_->add(late);
    return late;
}

void SendPanel::onTimer1Tick()
{
    const QDateTime now = clock_.now();
    textPane_->setClockText(clockText(now));
    // A day passed during a run or while the machine slept is planned at the next free tick.
    if (running_ || mailbox_->isChecking() || !lastScannedDay_.isValid())
        return;
    if (now.date() > lastScannedDay_) {
        lastScannedDay_ = now.date();
        nextRetryCheck_ = now.addSecs(kRetryCheckSeconds);
        mailbox_->checkThen([this, now] { sendNewDay(now); });
    } else if (now >= nextRetryCheck_) {
        nextRetryCheck_ = now.addSecs(kRetryCheckSeconds);
        if (const auto retries = retriesDue(dir_.root(), listPath_(), now); retries && !retries->isEmpty()) {
            queue_->add(*retries);
            runSendLoop();
        }
    }
}

void SendPanel::sendNewDay(const QDateTime& now)
{
    const auto plan = planSendsNow(dir_, listPath_(), now);
    if (!plan) {
        warnList(plan.error()); // said once, not at every tick
        return;
    }
    clearForScan();
    queue_->add(plan->lines());
    if (!plan->settled.isEmpty())
        report(RunSummary{plan->settled, std::nullopt, false}, now);
    runSendLoop();
}

void SendPanel::resendUncertain(const DueEntry& line)
{
    if (running_) {
        prompts_.warn(messageTitle(QStringLiteral("　再送信　")),
                      QStringLiteral("送信中です。送信が終わってから、次の起動時の一覧で再送信してください。"));
        return;
    }
    auto job = jobFor(MailKind::Step, std::nullopt, {line});
    if (!job)
        return;
    job->resend = true;
    startJob(*job, false);
}

void SendPanel::runSendLoop()
{
    const QList<DueEntry> lines = queue_->stepLines();
    if (!running_ && !lines.isEmpty())
        startRun(MailKind::Step, std::nullopt, lines, true);
}
