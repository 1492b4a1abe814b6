// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/check_mailbox.h"

#include "common/clock.h"
#include "common/program_dir.h"
#include "delivery/mailbox_check.h"
#include "delivery/mailbox_settings.h"
#include "smtp/smtp_settings.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {

enum class Checked { NotSet, Done, Listed, Failed };

Checked failed(const QString& why)
{
    QTextStream(stderr) << QStringLiteral("受信箱を確認できません: %1").arg(why) << Qt::endl;
    return Checked::Failed;
}

void printEvent(QTextStream& out, const MailboxEvent& e)
{
    out << QStringList{mailboxOutcomeWord(e.outcome), e.name, e.address, mailboxReasonWord(e.reason), e.status, e.sender}
               .join(u'\t')
        << Qt::endl;
}

Checked check(const QString& root, QTextStream& out)
{
    const auto settings = readMailboxSettings(root);
    if (!settings)
        return failed(settings.error().message);
    if (!settings->configured())
        return Checked::NotSet;
    const auto login = mailboxLogin(root, *settings);
    if (!login)
        return failed(login.error().message);
    if (!login->renewedRefreshToken.isEmpty())
        keepRenewedToken(root, login->renewedRefreshToken);
    ImapReader reader;
    const auto done = checkMailbox(root, login->login, SystemClock().now(), reader);
    if (!done)
        return failed(done.error().message);
    for (const MailboxEvent& e : done->stopped + done->listed)
        printEvent(out, e);
    out << mailboxSummary(*done) << Qt::endl;
    return done->listed.isEmpty() ? Checked::Done : Checked::Listed;
}

} // namespace

int checkMailboxCommand(int argc, char** argv, const CommandLine& line)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Ladderpost"));
    QTextStream out(stdout);
    const auto dir = prepareProgramDir(line.home);
    if (!dir) {
        failed(dir.error().message);
        return 2;
    }
    switch (check(dir->root(), out)) {
    case Checked::NotSet:
        failed(QStringLiteral("sender.ini に受信箱（[imap] の server）が設定されていません。"));
        return 2;
    case Checked::Failed:
        return 2;
    case Checked::Listed:
        return 1;
    case Checked::Done:
        break;
    }
    return 0;
}

bool checkMailboxFirst(const QString& programRoot, QTextStream& out)
{
    return check(programRoot, out) != Checked::Failed;
}

void keepRenewedToken(const QString& home, const QString& token)
{
    QEventLoop loop;
    bool kept = false;
    keepSecret(home, token, &loop, [&](const Result<void>& done) {
        if (!done)
            QTextStream(stderr) << done.error().message << Qt::endl;
        kept = true;
        loop.quit();
    });
    if (!kept)
        loop.exec();
}
