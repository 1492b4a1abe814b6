// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "common/program_dir.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

// A bare --catch-up, as it was before it took a number of days.
constexpr int kDefaultCatchUpDays = 30;

} // namespace

Result<CommandLine> parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Ladderpost: step-mail campaigns for one operator."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption home(QStringLiteral("home"), QStringLiteral("Program folder (lists, settings, texts, logs)."),
                                  QStringLiteral("DIR"), defaultProgramRoot());
    const QCommandLineOption sendDue(QStringLiteral("send-due"),
                                     QStringLiteral("Send the mails due by now without a window, then end."));
    const QCommandLineOption list(QStringLiteral("list"), QStringLiteral("List file of --send-due (default guestlst.lst)."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption catchUp(QStringLiteral("catch-up"),
                                     QStringLiteral("With --send-due: also steps older than catch_up_days, up to N days "
                                                    "back (%1 when N is not given).")
                                         .arg(kDefaultCatchUpDays),
                                     QStringLiteral("N"));
    const QCommandLineOption signIn(QStringLiteral("sign-in"),
                                    QStringLiteral("Sign in to the OAuth 2.0 mailbox of smtp.ini in a browser, "
                                                   "keep the refresh token, then end."));
    const QCommandLineOption checkMailbox(QStringLiteral("check-mailbox"),
                                          QStringLiteral("Read the mailbox of sender.ini's [imap] for bounces and "
                                                         "opt-outs, stop those guests, then end."));
    parser.addOptions({home, sendDue, list, catchUp, signIn, checkMailbox});
    QStringList words = arguments;
    std::ranges::replace(words, QStringLiteral("--catch-up"), QStringLiteral("--catch-up=%1").arg(kDefaultCatchUpDays));
    if (!parser.parse(words))
        return fail(ErrorKind::InvalidInput, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(ErrorKind::InvalidInput, QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    CommandLine line;
    line.home = parser.value(home);
    line.list = parser.value(list);
    bool daysOk = true;
    line.catchUpDays = parser.isSet(catchUp) ? parser.value(catchUp).toInt(&daysOk) : 0;
    if (!daysOk || line.catchUpDays < 0)
        return fail(ErrorKind::InvalidInput, QStringLiteral("Invalid value for '--catch-up': %1").arg(parser.value(catchUp)));
    if (int(parser.isSet(sendDue)) + int(parser.isSet(signIn)) + int(parser.isSet(checkMailbox)) > 1)
        return fail(ErrorKind::InvalidInput, QStringLiteral("--sign-in, --send-due and --check-mailbox are separate runs."));
    if ((parser.isSet(list) || parser.isSet(catchUp)) && !parser.isSet(sendDue))
        return fail(ErrorKind::InvalidInput, QStringLiteral("--list and --catch-up go with --send-due."));
    line.mode = parser.isSet(help) || parser.isSet(QStringLiteral("help-all")) ? CommandLine::Mode::Help
                : parser.isSet(version) ? CommandLine::Mode::Version
                : parser.isSet(sendDue) ? CommandLine::Mode::SendDue
                : parser.isSet(signIn)  ? CommandLine::Mode::SignIn
                : parser.isSet(checkMailbox) ? CommandLine::Mode::CheckMailbox
                                        : CommandLine::Mode::Window;
    // No application object exists yet to name the program.
    line.helpText = parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("ladderpost"));
    return line;
}
