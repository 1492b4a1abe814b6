// SPDX-License-Identifier: GPL-3.0-or-later
// Sends 2,000 due step mails through a local server with STARTTLS and a
// login (a Postfix of its own when Postfix is installed, else aiosmtpd), as a
// run of --send-due does, at pause_seconds=0; prints mails per second,
// connections and logins, and Postfix's smtp-source beside them. Exits with 2
// when a target is missed.
#include "common/clock.h"
#include "delivery/mail_text.h"
#include "delivery/send_plan.h"
#include "delivery/send_run.h"
#include "private_postfix.h"
#include "smtp_sink.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>
#include <optional>

namespace {

constexpr int kMails = 2000;
constexpr double kMailsPerSecond = 150;
constexpr int kMostLogins = 20;
constexpr int kSourceBytes = 1024; // about one of the bench's mails

struct Seen {
    qsizetype arrived = 0;
    int connections = 0;
    int logins = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SelfSigned certificate;
    QString whyNoPostfix;
    const auto postfix =
        PrivatePostfix::start(certificate.cert(), certificate.key(), u"shop"_s, u"secret"_s, &whyNoPostfix);
    std::optional<SmtpSink> sink;
    if (!postfix) {
        std::printf("aiosmtpd, not Postfix: %s\n", qPrintable(whyNoPostfix));
        sink.emplace(QStringList{u"--starttls"_s, certificate.cert(), certificate.key(), u"--auth"_s, u"shop:secret"_s});
        if (sink->port() <= 0) {
            std::fprintf(stderr, "the SMTP server did not start\n");
            return 1;
        }
    }
    TestHome home;
    const QDate today = QDate::currentDate();
    QList<GuestRecord> guests;
    for (int i = 1; i <= kMails; ++i) {
        GuestRecord guest = makeGuest(u"客"_s + QString::number(i), u"様"_s);
        guest.birthday = u"1980/01/01"_s;
        guest.address = u"guest%1@example.jp"_s.arg(i);
        guest.fast = dateText(today);
        guest.mail1 = 1;
        guests << guest;
    }
    writeList(home.path(u"guestlst.lst"_s), guests);
    CampaignSettings settings;
    settings.smtpServer = postfix ? postfix->server() : sink->server();
    settings.sender = u"shop@example.jp"_s;
    settings.subjects[1] = u"初回のご案内"_s;
    settings.textFiles[1] = home.path(u"text/first.txt"_s);
    if (!writeMailText(settings.textFiles[1], u"★★★\nご案内です。"_s))
        return 1;
    SmtpSettings smtp;
    smtp.security = SmtpSecurity::StartTls;
    smtp.user = u"shop"_s;
    smtp.password = u"secret"_s;
    smtp.caFile = certificate.cert();
    smtp.pauseSeconds = 0;

    SystemClock clock;
    const auto plan = planSends(home.root(), home.path(u"guestlst.lst"_s), home.path(u"send.lock"_s), clock.now(), smtp);
    if (!plan || plan->lines().size() != kMails) {
        std::fprintf(stderr, "the plan holds %lld mails\n", plan ? qlonglong(plan->lines().size()) : -1LL);
        return 1;
    }
    CurlMailTransport transport;
    SendRun run(transport, clock);
    QElapsedTimer timer;
    timer.start();
    run.run({home.path(u"guestlst.lst"_s), home.path(u"log"_s), settings, std::nullopt, plan->lines(),
             MailKind::Step, home.root(), home.path(u"send.lock"_s), smtp});
    const double seconds = timer.nsecsElapsed() / 1e9;
    Seen seen;
    if (postfix) {
        const auto sessions = postfix->sessions();
        seen = {sessions.mails, sessions.connections, sessions.logins};
    } else {
        seen = {sink->received().size(), sink->connections(), sink->logins()};
    }
    const double rate = seen.arrived / seconds;
    std::printf("send run, %d mails over STARTTLS with a login (%s, send record in %s):\n", kMails,
                postfix ? "Postfix" : "aiosmtpd", qPrintable(QDir::tempPath()));
    std::printf("  %lld arrived in %.2f s: %.0f mails a second (target %.0f)\n", qlonglong(seen.arrived), seconds,
                rate, kMailsPerSecond);
    std::printf("  connections %d, logins %d (target at most %d)\n", seen.connections, seen.logins, kMostLogins);
    if (postfix)
        std::printf("  smtp-source, one session, no TLS, no login, %d bytes: %.0f mails a second\n", kSourceBytes,
                    postfix->smtpSource(kMails, kSourceBytes));
    const bool met = seen.arrived == kMails && rate >= kMailsPerSecond && seen.logins <= kMostLogins;
    std::printf("%s\n", met ? "ok" : "MISSED");
    return met ? 0 : 2;
}
