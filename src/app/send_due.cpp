#include "app/send_due.h"

#include "common/clock.h"
#include "common/program_dir.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/run_report.h"
#include "delivery/send_run.h"
#include "delivery/smtp_settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace {

int cannotStart(QTextStream& out, const QString& why)
{
    out << QStringLiteral("送信できません: %1").arg(why) << Qt::endl;
    return 2;
}

QString outcomeWord(const LineOutcome& outcome)
{
    switch (outcome.state) {
    case LineState::Sent:
        return outcome.late ? QStringLiteral("送信（遅れ）") : QStringLiteral("送信");
    case LineState::AlreadySent:
        return QStringLiteral("送信済み");
    case LineState::Refused:
        return QStringLiteral("送信せず");
    case LineState::Uncertain:
        return QStringLiteral("不明");
    case LineState::Unsent:
        break;
    }
    return QStringLiteral("未送信");
}

int exitStatus(const RunSummary& summary)
{
    const auto sentNow = std::ranges::count(summary.outcomes, LineState::Sent, &LineOutcome::state);
    // The server down, the login or the sender refused: the run never began.
    const bool cannotBegin = summary.stop && (summary.stop->kind == ErrorKind::ConnectFailed
                                              || summary.stop->kind == ErrorKind::SenderRefused);
    if (cannotBegin && sentNow == 0)
        return 2;
    const bool allWent = std::ranges::all_of(summary.outcomes, [](const LineOutcome& o) {
        return o.state == LineState::Sent || o.state == LineState::AlreadySent;
    });
    return allWent && !summary.stop ? 0 : 1;
}

} // namespace

int sendDue(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ladderpost"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sendDueOption(QStringLiteral("send-due"), QStringLiteral("Send today's due mails without a window."));
    const QCommandLineOption home(QStringLiteral("home"), QStringLiteral("Program folder."), QStringLiteral("DIR"),
                                  defaultProgramRoot());
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("List file (default guestlst.lst)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption catchUp(QStringLiteral("catch-up"), QStringLiteral("Also send the days missed since the last run."));
    parser.addOptions({sendDueOption, home, list, catchUp});
    parser.process(app);
    QTextStream out(stdout);

    const auto dir = prepareProgramDir(parser.value(home));
    if (!dir)
        return cannotStart(out, dir.error().message);
    const QString listPath = parser.isSet(list) ? QFileInfo(parser.value(list)).absoluteFilePath() : dir->defaultList();
    if (!QFileInfo(listPath).isFile())
        return cannotStart(out, QStringLiteral("リスト「%1」がありません。").arg(listPath));
    const CampaignSettings settings = readCampaignSettings(dir->config());
    if (settings.smtpServer.trimmed().isEmpty() || settings.sender.trimmed().isEmpty())
        return cannotStart(out, QStringLiteral("%1 にSMTPサーバーと送信者が設定されていません。").arg(dir->config()));

    const auto smtp = readSmtpSettings(dir->root());
    if (!smtp)
        return cannotStart(out, smtp.error().message);

    SystemClock clock;
    const QDate today = clock.today();
    const auto missed = parser.isSet(catchUp) ? missedStepLines(dir->journal(), listPath, today)
                                              : Result<QList<DueEntry>>();
    const auto due = scanDueGuests(listPath, today);
    if (!missed || !due)
        return cannotStart(out, !missed ? missed.error().message : due.error().message);
    const QList<DueEntry> lines = *missed + *due;

    CurlMailTransport transport;
    SendRun run(transport, clock);
    RunSummary summary;
    QObject::connect(&run, &SendRun::lineDone, [&out](const LineOutcome& o) {
        out << QStringList{outcomeWord(o), o.line.displayName, o.address, stepName(o.line.step),
                           dateText(o.line.dueDate), o.reason}
                   .join(u'\t')
            << Qt::endl;
    });
    QObject::connect(&run, &SendRun::finished, [&summary](const RunSummary& s) { summary = s; });
    run.run({listPath, dir->logDir(), settings, std::nullopt, lines, MailKind::Step, dir->journal(),
             dir->sendLock(), today, *smtp});

    const auto count = [&](LineState state) { return std::ranges::count(summary.outcomes, state, &LineOutcome::state); };
    if (summary.stop)
        out << QStringLiteral("中断: %1").arg(summary.stop->message) << Qt::endl;
    out << QStringLiteral("送信 %1 件、送信済み %2 件、送信せず %3 件、不明 %4 件、未送信 %5 件")
               .arg(count(LineState::Sent))
               .arg(count(LineState::AlreadySent))
               .arg(count(LineState::Refused))
               .arg(count(LineState::Uncertain))
               .arg(count(LineState::Unsent))
        << Qt::endl;
    return exitStatus(summary);
}
