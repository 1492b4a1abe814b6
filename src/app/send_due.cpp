// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/send_due.h"

#include "app/check_mailbox.h"
#include "app/desktop_notifier.h"

#include "common/clock.h"
#include "common/program_dir.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/run_report.h"
#include "delivery/send_plan.h"
#include "delivery/send_run.h"
#include "delivery/sender_notice.h"
#include "smtp/smtp_settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <initializer_list>

namespace {

int cannotStart(const QString& why)
{
    QTextStream(stderr) << QStringLiteral("送信できません: %1").arg(why) << Qt::endl;
    return 2;
}

void printOutcome(QTextStream& out, const LineOutcome& o)
{
    QString word = mailStateWord(o.state);
    if (o.late && o.state == MailState::Sent)
        word += QStringLiteral("（遅れ）");
    QString reason = o.reason;
    if (o.state == MailState::Deferred)
        reason = QStringLiteral("%1 に再送: %2").arg(o.nextTry.toString(QStringLiteral("yyyy/MM/dd H:mm")), reason);
    out << QStringList{word, o.line.displayName, o.address, stepName(o.line.step), dateText(o.line.dueDate), reason}
               .join(u'\t')
        << Qt::endl;
}

// 0: nothing due by now is left unsent; 1: something was refused, put off,
// given up, expired or uncertain; 2: the run could not begin.
int exitStatus(const RunSummary& summary)
{
    const bool sentNow = std::ranges::any_of(summary.outcomes, [](const LineOutcome& o) {
        return o.state == MailState::Sent && !o.earlier;
    });
    if (summary.stop && !sentNow)
        return 2;
    const bool allWent = std::ranges::all_of(summary.outcomes, [](const LineOutcome& o) {
        return o.state == MailState::Sent || o.earlier;
    });
    return allWent && !summary.stop ? 0 : 1;
}

// "拒否 2 件" for each of the states, over what this run decided (not the mails done earlier).
QStringList stateCounts(const QList<LineOutcome>& outcomes, std::initializer_list<MailState> states, bool withZeros)
{
    QStringList counts;
    for (MailState state : states) {
        const auto n = std::ranges::count_if(outcomes, [state](const LineOutcome& o) { return o.state == state && !o.earlier; });
        if (n > 0 || withZeros)
            counts << QStringLiteral("%1 %2 件").arg(mailStateWord(state)).arg(n);
    }
    return counts;
}

QString summaryLine(const RunSummary& summary, int todaysSent)
{
    const QStringList counts = stateCounts(summary.outcomes, {MailState::Sent, MailState::Deferred, MailState::Refused,
                                                             MailState::GivenUp, MailState::Uncertain, MailState::Expired,
                                                             MailState::Due},
                                           true);
    return counts.join(QStringLiteral("、")) + QStringLiteral("（本日分の送信済み %1 件）").arg(todaysSent);
}

// Nobody reads a timer's output: what it left unsent goes to report/ and to the desktop.
// A run that sent all tells only when asked to (notify_sent), and only when it sent something.
void tellOperator(const RunSummary& summary, const ProgramDir& dir, const QDateTime& started, Notifier& notifier,
                  bool notifySent = false)
{
    const QList<LineOutcome> shown = reportedOutcomes(summary);
    const bool left = summary.stop || std::ranges::any_of(shown, [](const LineOutcome& o) { return o.state != MailState::Sent; });
    if (!left) {
        const QStringList sent = stateCounts(summary.outcomes, {MailState::Sent}, false);
        if (notifySent && !sent.isEmpty())
            notifier.notify(QStringLiteral("Ladderpost: 送信しました"), sent.join(QString()));
        return;
    }
    const auto saved = saveRunReport(dir.reportDir(), runReportText(summary, started), started);
    QTextStream(stderr) << (saved ? QStringLiteral("報告: %1").arg(*saved) : saved.error().message) << Qt::endl;
    QString body = stateCounts(shown, {MailState::Refused, MailState::Deferred, MailState::GivenUp, MailState::Expired,
                                       MailState::Uncertain, MailState::Due},
                               false)
                       .join(QStringLiteral("、"));
    if (summary.stop)
        body = (body.isEmpty() ? QString() : body + u'\n') + summary.stop->message;
    if (saved)
        body += QStringLiteral("\n%1").arg(*saved);
    notifier.notify(QStringLiteral("Ladderpost: 送れなかったメールがあります"), body);
}

} // namespace

int sendDue(int argc, char** argv, const CommandLine& line, MailTransport& transport)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ladderpost"));
    QTextStream out(stdout);
    const auto dir = prepareProgramDir(line.home);
    if (!dir)
        return cannotStart(dir.error().message);
    SystemClock clock;
    const QDateTime started = clock.now();
    DesktopNotifier notifier;
    // A run that cannot begin is as unseen as one that left mails: said the same ways.
    const auto refuse = [&](const QString& why) {
        tellOperator(RunSummary{{}, Error{ErrorKind::InvalidInput, why}, false}, *dir, started, notifier);
        return cannotStart(why);
    };

    const QString listPath = line.list.isEmpty() ? dir->defaultList() : QFileInfo(line.list).absoluteFilePath();
    if (!QFileInfo(listPath).isFile())
        return refuse(QStringLiteral("リスト「%1」がありません。").arg(listPath));
    const CampaignSettings settings = readCampaignSettings(dir->config());
    if (settings.smtpServer.trimmed().isEmpty() || settings.sender.trimmed().isEmpty())
        return refuse(QStringLiteral("%1 にSMTPサーバーと送信者が設定されていません。").arg(dir->config()));
    // First, so that a stop is honoured and a refresh token the check renewed is the one the run reads.
    const bool mailboxChecked = checkMailboxFirst(dir->root(), out);
    const auto smtp = readSmtpLogin(dir->root());
    if (!smtp)
        return refuse(smtp.error().message);
    auto job = jobInFolder(*dir, listPath, settings, *smtp, MailKind::Step, {});
    if (!job)
        return refuse(job.error().message);
    if (!job->notice.complete())
        QTextStream(stderr) << kNoticeMissing << Qt::endl;
    const auto plan = planSends(dir->root(), listPath, dir->sendLock(), started, *smtp, line.catchUpDays);
    if (!plan)
        return refuse(plan.error().message);
    job->lines = plan->lines();
    for (const LineOutcome& settled : plan->settled)
        printOutcome(out, settled);

    SendRun run(transport, clock);
    RunSummary summary;
    QObject::connect(&run, &SendRun::lineDone, [&out](const LineOutcome& o) { printOutcome(out, o); });
    QObject::connect(&run, &SendRun::finished, [&summary](const RunSummary& s) { summary = s; });
    job->sendExpired = line.catchUpDays > 0;
    run.run(*job);
    summary.outcomes = plan->settled + summary.outcomes;

    if (!summary.renewedRefreshToken.isEmpty())
        keepRenewedToken(dir->root(), summary.renewedRefreshToken);
    if (summary.stop)
        QTextStream(stderr) << QStringLiteral("中断: %1").arg(summary.stop->message) << Qt::endl;
    out << summaryLine(summary, plan->todaysSent) << Qt::endl;
    tellOperator(summary, *dir, started, notifier, smtp->notifySent);
    return std::max(exitStatus(summary), mailboxChecked ? 0 : 1);
}
