#include "app/send_due.h"

#include "common/clock.h"
#include "common/program_dir.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/run_report.h"
#include "delivery/send_plan.h"
#include "delivery/send_run.h"
#include "delivery/smtp_settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <array>

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

QString summaryLine(const RunSummary& summary, int todaysSent)
{
    static const std::array states{MailState::Sent,    MailState::Deferred,  MailState::Refused, MailState::GivenUp,
                                   MailState::Uncertain, MailState::Expired, MailState::Due};
    QStringList counts;
    for (MailState state : states) {
        const auto n = std::ranges::count_if(summary.outcomes, [state](const LineOutcome& o) {
            return o.state == state && !o.earlier;
        });
        counts << QStringLiteral("%1 %2 件").arg(mailStateWord(state)).arg(n);
    }
    return counts.join(QStringLiteral("、")) + QStringLiteral("（本日分の送信済み %1 件）").arg(todaysSent);
}

} // namespace

int sendDue(int argc, char** argv, const CommandLine& line)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ladderpost"));
    const int extraDays = line.catchUpDays;
    QTextStream out(stdout);

    const auto dir = prepareProgramDir(line.home);
    if (!dir)
        return cannotStart(dir.error().message);
    const QString listPath = line.list.isEmpty() ? dir->defaultList() : QFileInfo(line.list).absoluteFilePath();
    if (!QFileInfo(listPath).isFile())
        return cannotStart(QStringLiteral("リスト「%1」がありません。").arg(listPath));
    const CampaignSettings settings = readCampaignSettings(dir->config());
    if (settings.smtpServer.trimmed().isEmpty() || settings.sender.trimmed().isEmpty())
        return cannotStart(QStringLiteral("%1 にSMTPサーバーと送信者が設定されていません。").arg(dir->config()));
    const auto smtp = readSmtpLogin(dir->root());
    if (!smtp)
        return cannotStart(smtp.error().message);

    SystemClock clock;
    const auto plan = planSends(dir->root(), listPath, dir->sendLock(), clock.now(), *smtp, extraDays);
    if (!plan)
        return cannotStart(plan.error().message);
    for (const LineOutcome& settled : plan->settled)
        printOutcome(out, settled);

    CurlMailTransport transport;
    SendRun run(transport, clock);
    RunSummary summary;
    QObject::connect(&run, &SendRun::lineDone, [&out](const LineOutcome& o) { printOutcome(out, o); });
    QObject::connect(&run, &SendRun::finished, [&summary](const RunSummary& s) { summary = s; });
    SendJob job{listPath, dir->logDir(), settings, std::nullopt, plan->lines(), MailKind::Step, dir->root(),
                dir->sendLock(), *smtp};
    job.sendExpired = extraDays > 0;
    run.run(job);
    summary.outcomes = plan->settled + summary.outcomes;

    if (summary.stop)
        QTextStream(stderr) << QStringLiteral("中断: %1").arg(summary.stop->message) << Qt::endl;
    out << summaryLine(summary, plan->todaysSent) << Qt::endl;
    return exitStatus(summary);
}
