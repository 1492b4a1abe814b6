// SPDX-License-Identifier: GPL-3.0-or-later
#include "headless_program.h"
#include "panel_fixture.h"
#include "smtp_sink.h"

#include "common/cp932.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/sender_notice.h"
#include "smtp/smtp_settings.h"

#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <sys/stat.h>

namespace {

// Two guests whose third mail is due on that day (today when none is given), and settings naming the server.
void prepareHome(const TestHome& home, const QString& server, const QDate& day = QDate::currentDate())
{
    CampaignSettings settings;
    settings.smtpServer = server;
    settings.sender = u"shop@example.jp"_s;
    settings.subjects[3] = u"３回目のご案内"_s;
    settings.textFiles[3] = home.path(u"text/third.txt"_s);
    ASSERT_TRUE(writeMailText(settings.textFiles[3], u"★★★\n３回目です。"_s));
    ASSERT_TRUE(writeCampaignSettings(home.path(u"config.ini"_s), settings));
    writeBytes(home.path(u"smtp.ini"_s), "[smtp]\r\npause_seconds=0\r\n"); // the pause is not what these measure
    QList<GuestRecord> guests;
    for (const auto& [family, address] : {std::pair{u"山田"_s, u"hanako@example.jp"_s},
                                          std::pair{u"佐藤"_s, u"ichiro@example.jp"_s}}) {
        GuestRecord guest = deliveringGuest(family, u"様子"_s, address);
        guest.third = dateText(day);
        guest.mail3 = 1;
        guests << guest;
    }
    writeList(home.path(u"guestlst.lst"_s), guests);
}

// The login of the sinks below: user shop over STARTTLS, trusting their certificate.
SmtpSettings startTlsLogin(const SelfSigned& certificate, const QString& password)
{
    SmtpSettings smtp;
    smtp.security = SmtpSecurity::StartTls;
    smtp.user = u"shop"_s;
    smtp.password = password;
    smtp.caFile = certificate.cert();
    smtp.pauseSeconds = 0;
    return smtp;
}

} // namespace

TEST(HeadlessRun, DeliversTodaysMailsOnceASecondRunSendsNothingAndNoServerIsExitTwo)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());

    const Finished first = waitFor(startSendDue(home.root()));
    EXPECT_EQ(first.status, 0) << first.output.toStdString();
    ASSERT_EQ(sink.received().size(), 2);
    EXPECT_EQ(sink.received()[0][u"to"_s].toString(), u"hanako@example.jp"_s);
    EXPECT_TRUE(first.output.contains(u"送信済み\t山田様子\thanako@example.jp\t３回目"_s)) << first.output.toStdString();

    const Finished second = waitFor(startSendDue(home.root()));
    EXPECT_EQ(second.status, 0) << second.output.toStdString();
    EXPECT_EQ(sink.received().size(), 2);
    EXPECT_TRUE(second.output.contains(u"（本日分の送信済み 2 件）"_s)) << second.output.toStdString();

    TestHome elsewhere;
    prepareHome(elsewhere, u"127.0.0.1:%1"_s.arg(sink.port()));
    sink.stop();
    const Finished down = waitFor(startSendDue(elsewhere.root()));
    EXPECT_EQ(down.status, 2) << down.output.toStdString();
}

TEST(HeadlessRun, WindowAndHeadlessRunStartedTogetherSendEachMailOnce)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport curl;
    FakeClock today(QDateTime::currentDateTime());
    Panels p(&today, &curl);
    prepareHome(p.home, sink.server());
    p.settings.readSettings();
    p.send.setSendList(*scanDueGuests(p.listPath, today.today()));

    QProcess* headless = startSendDue(p.home.root());
    p.send.runSendLoop();
    p.waitForRun();
    const Finished done = waitFor(headless);

    EXPECT_EQ(done.status, 0) << done.output.toStdString();
    const QList<QJsonObject> mails = sink.received();
    ASSERT_EQ(mails.size(), 2);
    EXPECT_NE(mails[0][u"to"_s].toString(), mails[1][u"to"_s].toString());
}

// The daily timer goes through the same provider settings as the window: a
// refused login sends nothing and says so; the right one delivers over STARTTLS.
TEST(HeadlessRun, LogsInOverStartTlsWithSmtpIni)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin());
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());
    SmtpSettings smtp = startTlsLogin(certificate, u"guess"_s);
    ASSERT_TRUE(writeSmtpSettings(home.root(), smtp));

    const Finished refused = waitFor(startSendDue(home.root()));
    EXPECT_EQ(refused.status, 2) << refused.output.toStdString();
    EXPECT_TRUE(refused.errors.contains(u"ログイン"_s)) << refused.errors.toStdString();
    EXPECT_FALSE(refused.output.contains(u"guess"_s) || refused.errors.contains(u"guess"_s));
    EXPECT_TRUE(sink.received().isEmpty());

    smtp.password = u"secret"_s;
    ASSERT_TRUE(writeSmtpSettings(home.root(), smtp));
    const Finished sent = waitFor(startSendDue(home.root()));
    EXPECT_EQ(sent.status, 0) << sent.output.toStdString();
    EXPECT_EQ(sink.received().size(), 2);
}

// The machine was off on the day of the mails: the plain timer run of the next
// morning sends them, marked late. The folder copied elsewhere, and reached
// through a link, knows they went: nothing goes twice.
TEST(HeadlessRun, AMissedDayGoesOutTheNextMorningAndACopiedFolderSendsNothingAgain)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    const QDate day(2027, 3, 1);
    prepareHome(home, sink.server(), day);

    const Finished next = waitFor(startSendDue(home.root(), {}, QDateTime(day.addDays(1), QTime(9, 0))));
    EXPECT_EQ(next.status, 0) << next.output.toStdString() << next.errors.toStdString();
    ASSERT_EQ(sink.received().size(), 2);
    EXPECT_TRUE(next.output.contains(u"送信済み（遅れ）\t山田様子\thanako@example.jp\t３回目\t2027/03/01"_s))
        << next.output.toStdString();

    const QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(u"copy"_s);
    ASSERT_EQ(QProcess::execute(u"cp"_s, {u"-a"_s, home.root(), copy}), 0);
    ASSERT_TRUE(QFile::link(copy, elsewhere.filePath(u"link"_s)));
    for (const QString& folder : {copy, elsewhere.filePath(u"link"_s)}) {
        const Finished again = waitFor(startSendDue(folder, {}, QDateTime(day.addDays(1), QTime(10, 0))));
        EXPECT_EQ(again.status, 0) << again.output.toStdString() << again.errors.toStdString();
    }
    EXPECT_EQ(sink.received().size(), 2);
}

// A send.lock no run wrote (empty, garbage) is taken over within seconds; a
// folder in its place is refused with the reason, never waited on.
TEST(HeadlessRun, AGarbageLockIsTakenOverAndAFolderRefusedWithinSeconds)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());

    writeBytes(home.path(u"send.lock"_s), "garbage\n");
    QElapsedTimer timer;
    timer.start();
    const Finished taken = waitFor(startSendDue(home.root()));
    EXPECT_EQ(taken.status, 0) << taken.errors.toStdString();
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(sink.received().size(), 2);

    TestHome other;
    prepareHome(other, sink.server());
    ASSERT_TRUE(QDir(other.root()).mkdir(u"send.lock"_s));
    timer.restart();
    const Finished refused = waitFor(startSendDue(other.root()));
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.errors.contains(u"フォルダー"_s)) << refused.errors.toStdString();
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(sink.received().size(), 2);
}

// Asked from a shell or a timer with no display at all: help and version
// answer, a wrong option is refused with the reason and exit 2, never a crash
// and never the "some mails did not go" of exit 1.
TEST(HeadlessRun, HelpVersionAndWrongOptionsAnswerWithoutADisplay)
{
    const auto run = [](const QStringList& arguments) {
        QProcess program;
        program.setProcessEnvironment(withoutDisplay());
        program.start(QStringLiteral(LADDERPOST_EXE), arguments);
        program.waitForFinished(20000);
        return Finished{program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                        QString::fromUtf8(program.readAllStandardOutput()),
                        QString::fromUtf8(program.readAllStandardError())};
    };
    const Finished help = run({u"--help"_s});
    EXPECT_EQ(help.status, 0);
    for (const QString& option : {u"--home"_s, u"--list"_s, u"--send-due"_s, u"--catch-up"_s, u"--version"_s})
        EXPECT_TRUE(help.output.contains(option)) << help.output.toStdString();
    const Finished version = run({u"--version"_s});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.output.startsWith(u"ladderpost 0."_s)) << version.output.toStdString();
    for (const QStringList& wrong : {QStringList{u"--send-due"_s, u"--bogus"_s}, QStringList{u"--bogus"_s},
                                     QStringList{u"--send-due"_s, u"--catch-up=soon"_s}}) {
        const Finished refused = run(wrong);
        EXPECT_EQ(refused.status, 2) << wrong.join(u' ').toStdString();
        EXPECT_FALSE(refused.errors.isEmpty()) << wrong.join(u' ').toStdString();
    }
}

// The timer has no desktop session, so no secret store: a login whose password
// lives there stops the run before any login, never sending an empty password.
TEST(HeadlessRun, APasswordTheRunCannotReachStopsItBeforeAnyLogin)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin());
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());
    ASSERT_TRUE(writeSmtpSettings(home.root(), startTlsLogin(certificate, QString())));

    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    const Finished stopped = waitFor(startSendDue(home.root()));
    if (!bus.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    EXPECT_EQ(stopped.status, 2);
    EXPECT_TRUE(stopped.errors.contains(u"パスワード"_s)) << stopped.errors.toStdString();
    EXPECT_EQ(sink.logins(), 0);
    EXPECT_TRUE(sink.received().isEmpty());
}

namespace {

// ladderpost --sign-in as an operator runs it on a machine without a desktop: the
// "browser" follows the provider's redirect back to the program, as a person would.
Finished signIn(const TestHome& home)
{
    const QString browser = home.path(u"browser"_s);
    writeBytes(browser, "#!/bin/sh\nexec " LADDERPOST_SYSTEM_PYTHON
                        " -c 'import sys, urllib.request; urllib.request.urlopen(sys.argv[1]).read()' \"$1\"\n");
    QFile::setPermissions(browser, QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment env = withoutDisplay();
    env.insert(u"BROWSER"_s, browser);
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s); // no secret store: the 0600 smtp.ini keeps the token
    auto* program = new QProcess;
    program->setProcessEnvironment(env);
    program->start(QStringLiteral(LADDERPOST_EXE), {u"--sign-in"_s, u"--home"_s, home.root()});
    return waitFor(program);
}

void addGuestDueToday(const QString& listPath, const QString& family, const QString& address)
{
    auto guests = readSendingList(listPath);
    ASSERT_TRUE(guests);
    GuestRecord guest = deliveringGuest(family, u"様子"_s, address);
    guest.third = dateText(QDate::currentDate());
    guest.mail3 = 1;
    writeList(listPath, *guests << guest);
}

} // namespace

// A Microsoft 365 or Google mailbox as servers of the test's own play it: signed in
// once from the command line, then every run logs in with XOAUTH2 on a fresh access
// token, and a revoked sign-in stops the run before anything goes.
TEST(HeadlessRun, SignedInOnceEachRunSendsOverXoauth2WithAFreshToken)
{
    OAuthServer provider;
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink({u"--starttls"_s, certificate.cert(), certificate.key(), u"--xoauth2"_s, provider.folder()});
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());
    SmtpSettings smtp = startTlsLogin(certificate, QString());
    smtp.user = u"shop@example.jp"_s;
    smtp.auth = SmtpAuth::OAuth2;
    smtp.oauthProvider = u"custom"_s;
    smtp.oauthClientId = u"ladderpost-test"_s;
    smtp.oauthAuthorizeUrl = provider.url(u"authorize"_s);
    smtp.oauthTokenUrl = provider.url(u"token"_s);
    smtp.oauthScope = u"smtp offline_access"_s;
    ASSERT_TRUE(writeSmtpSettings(home.root(), smtp));

    const Finished signedIn = signIn(home);
    ASSERT_EQ(signedIn.status, 0) << signedIn.errors.toStdString();
    const auto kept = readSmtpFile(home.root());
    ASSERT_TRUE(kept && kept->oauthRefreshToken.startsWith(u"r-"_s));
    const QString token = kept->oauthRefreshToken;
    EXPECT_EQ(QFile::permissions(home.path(u"smtp.ini"_s)) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    ASSERT_FALSE(provider.tokenRequests().isEmpty());
    EXPECT_FALSE(provider.tokenRequests()[0][u"code_verifier"_s].toString().isEmpty()); // the server checked it

    const Finished first = waitFor(startSendDue(home.root()));
    EXPECT_EQ(first.status, 0) << first.errors.toStdString();
    EXPECT_EQ(sink.received().size(), 2);

    provider.expireAccessTokens();
    addGuestDueToday(home.path(u"guestlst.lst"_s), u"川口"_s, u"kawaguchi@example.jp"_s);
    const Finished second = waitFor(startSendDue(home.root()));
    EXPECT_EQ(second.status, 0) << second.errors.toStdString();
    EXPECT_EQ(sink.received().size(), 3);

    provider.revokeRefreshTokens();
    addGuestDueToday(home.path(u"guestlst.lst"_s), u"森"_s, u"mori@example.jp"_s);
    const Finished revoked = waitFor(startSendDue(home.root()));
    EXPECT_EQ(revoked.status, 2);
    EXPECT_TRUE(revoked.errors.contains(u"サインインし直してください"_s)) << revoked.errors.toStdString();
    EXPECT_EQ(sink.received().size(), 3);
    for (const Finished& run : {signedIn, first, second, revoked})
        EXPECT_FALSE((run.output + run.errors).contains(token));
}

namespace {

// org.freedesktop.Notifications as a desktop serves it, on a session bus of
// the test's own; it keeps what it was asked to show.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    NotificationService()
    {
        bus_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        if (!bus_.waitForReadyRead(5000))
            return;
        address_ = QString::fromUtf8(bus_.readLine().trimmed());
        QDBusConnection connection = QDBusConnection::connectToBus(address_, u"notifications"_s);
        connection.registerObject(u"/org/freedesktop/Notifications"_s, this, QDBusConnection::ExportAllSlots);
        connection.registerService(u"org.freedesktop.Notifications"_s);
    }
    ~NotificationService() override
    {
        QDBusConnection::disconnectFromBus(u"notifications"_s);
        bus_.kill();
        bus_.waitForFinished();
    }
    const QString& address() const { return address_; }
    // A timer's run on this desktop; the desktop answers only while this test's event loop runs.
    Finished sendDue(const QString& home)
    {
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
        QProcess* run = startSendDue(home);
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        waitUntil([run] { return run->state() == QProcess::NotRunning; }, 60000);
        return waitFor(run);
    }
    QStringList shown;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body, const QStringList&,
                const QVariantMap&, int)
    {
        shown << summary + u'\n' + body;
        return uint(shown.size());
    }

private:
    QProcess bus_;
    QString address_;
};

} // namespace

// Nobody reads a timer's output: a run that left a guest refused keeps the
// report, with the address, in report/ and says so once on the desktop.
// Customers' names and addresses: a run started with umask 000 still keeps them to the owner.
TEST(HeadlessRun, UnderUmaskZeroWhatTheProgramMakesIsTheOwnersOnly)
{
    TestHome parent;
    const QString home = parent.path(u"new"_s);
    const mode_t old = ::umask(0);
    const Finished done = waitFor(startSendDue(home));
    ::umask(old);

    EXPECT_EQ(done.status, 2) << done.errors.toStdString();
    const QStringList reports = QDir(home + u"/report"_s).entryList(QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    const auto mode = [](const QString& path) {
        struct stat info{};
        ::stat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 0777;
    };
    for (const QString& folder : {u""_s, u"/text"_s, u"/log"_s, u"/report"_s})
        EXPECT_EQ(mode(home + folder), 0700u) << folder.toStdString();
    EXPECT_EQ(mode(home + u"/report/"_s + reports[0]), 0600u);
}

TEST(HeadlessRun, WhatARunLeftUnsentIsInReportAndOnTheDesktop)
{
    NotificationService desktop;
    ASSERT_FALSE(desktop.address().isEmpty());
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    Panels window; // opened once before: what comes later is news to it
    window.send.startupPrompt();
    const TestHome& home = window.home;
    prepareHome(home, sink.server());
    GuestRecord refused = deliveringGuest(u"川口"_s, u"様子"_s, u"refused@example.jp"_s);
    refused.third = dateText(QDate::currentDate());
    refused.mail3 = 1;
    GuestRecord sato = deliveringGuest(u"佐藤"_s, u"様子"_s, u"ichiro@example.jp"_s);
    sato.third = refused.third;
    sato.mail3 = 1;
    writeList(home.path(u"guestlst.lst"_s), {refused, sato});

    const Finished done = desktop.sendDue(home.root());

    EXPECT_EQ(done.status, 1) << done.errors.toStdString();
    EXPECT_EQ(sink.received().size(), 1);
    const QStringList reports = QDir(home.path(u"report"_s)).entryList(QDir::Files);
    ASSERT_EQ(reports.size(), 1);
    const QString report = fromCp932(readBytes(home.path(u"report/"_s + reports[0])));
    EXPECT_TRUE(report.contains(u"川口様子\trefused@example.jp\t３回目\t拒否"_s)) << report.toStdString();
    ASSERT_EQ(desktop.shown.size(), 1);
    EXPECT_TRUE(desktop.shown[0].contains(u"拒否 1 件"_s)) << desktop.shown[0].toStdString();

    // The window, opened next, shows that report; once.
    window.send.startupPrompt();
    EXPECT_TRUE(window.find<QWidget>(u"runReport"_s)->isVisible());
    const QString shown = window.report();
    EXPECT_TRUE(shown.contains(u"川口様子\trefused@example.jp"_s)) << shown.toStdString();
    window.send.startupPrompt();
    EXPECT_EQ(window.report(), shown);
}

// Asked to, the run that sent everything says how many went; with nothing to send it stays quiet.
TEST(HeadlessRun, ARunThatSentAllTellsTheDesktopWhenAskedTo)
{
    NotificationService desktop;
    ASSERT_FALSE(desktop.address().isEmpty());
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());
    writeBytes(home.path(u"smtp.ini"_s), "[smtp]\r\npause_seconds=0\r\nnotify_sent=1\r\n");

    EXPECT_EQ(desktop.sendDue(home.root()).status, 0);
    EXPECT_EQ(desktop.sendDue(home.root()).status, 0);
    EXPECT_EQ(sink.received().size(), 2);
    EXPECT_EQ(desktop.shown, QStringList{u"Ladderpost: 送信しました\n送信済み 2 件"_s});
}

#include "headless_run_test.moc"

// Advertising mail must say who sends it and how to refuse more: every guest's
// mail ends with the notice and carries a List-Unsubscribe naming that guest.
TEST(HeadlessRun, EveryMailCarriesTheSendersNoticeAndItsGuestsOptOut)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    TestHome home;
    prepareHome(home, sink.server());
    ASSERT_TRUE(writeSenderNotice(home.root(), {u"山田商店"_s, u"東京都千代田区1-1"_s, u"03-1234-5678"_s,
                                                u"stop@example.jp"_s, QString()}));

    const Finished done = waitFor(startSendDue(home.root()));
    ASSERT_EQ(done.status, 0) << done.errors.toStdString();
    const QList<QJsonObject> mails = sink.received();
    ASSERT_EQ(mails.size(), 2);
    const QByteArray key = readBytes(home.path(u"opt-out.key"_s));
    ASSERT_EQ(key.size(), 32);
    for (int record : {1, 2}) {
        const QJsonObject& mail = mails[record - 1];
        const QString token = optOutToken(key, u"guestlst.lst"_s, record, mail[u"to"_s].toString());
        EXPECT_TRUE(mail[u"raw"_s].toString().contains(
            u"\r\nList-Unsubscribe: <mailto:stop@example.jp?subject=unsubscribe%20"_s + token + u">\r\n"_s))
            << mail[u"raw"_s].toString().toStdString();
        const QString body = mail[u"body"_s].toString();
        EXPECT_TRUE(body.contains(u"送信者: 山田商店\r\n住所: 東京都千代田区1-1\r\n苦情・問合せ先: 03-1234-5678\r\n"
                                  u"受信拒否の連絡先: stop@example.jp\r\n"
                                  u"このメールの受信を希望されない場合は、stop@example.jp へその旨をお送りください。"_s))
            << body.toStdString();
    }
    EXPECT_NE(optOutToken(key, u"guestlst.lst"_s, 1, mails[0][u"to"_s].toString()),
              optOutToken(key, u"guestlst.lst"_s, 2, mails[0][u"to"_s].toString()));
}
