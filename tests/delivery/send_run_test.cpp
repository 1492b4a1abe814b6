// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/send_run.h"

#include "common/clock.h"
#include "delivery/mail_text.h"
#include "delivery/send_plan.h"
#include "delivery/send_store.h"
#include "lists/guest_record.h"
#include "smtp_sink.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

const QDate kFirstDay(2026, 1, 5);
constexpr int kDays = 90;
constexpr int kSettleDays = 10; // quiet days at the end: every retry has had its chance
constexpr int kGuests = 1000;
constexpr int kCatchUpDays = 7;

// A program folder with a list, step texts and settings; on tmpfs where there
// is one, since the store's flush to disk is what the test would wait for.
struct Campaign {
    Campaign() : home(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/ladderpost-run-XXXXXX"_s : QString())
    {
        QDir(home.path()).mkpath(u"text"_s);
        QDir(home.path()).mkpath(u"log"_s);
        settings.sender = u"shop@example.jp"_s;
        for (int step = 0; step <= 7; ++step) {
            settings.subjects[size_t(step)] = QString::number(step);
            settings.textFiles[size_t(step)] = home.filePath(u"text/%1.txt"_s.arg(step));
            EXPECT_TRUE(writeMailText(settings.textFiles[size_t(step)], u"★★★ へ"_s));
        }
    }
    QString list() const { return home.filePath(u"guestlst.lst"_s); }
    // What --send-due does: plan the mails due by now and send them.
    SendJob job(const SendPlan& plan) const
    {
        return {list(), home.filePath(u"log"_s), settings, std::nullopt, plan.lines(), MailKind::Step,
                home.path(), home.filePath(u"send.lock"_s), smtp};
    }
    QTemporaryDir home;
    CampaignSettings settings;
    SmtpSettings smtp;
};

QString GuestRecord::* const kStepDates[] = {&GuestRecord::fast,  &GuestRecord::second, &GuestRecord::third,
                                             &GuestRecord::fourth, &GuestRecord::fifth, &GuestRecord::sixth,
                                             &GuestRecord::seventh};
void setStepDate(GuestRecord& guest, int step, const QString& day) { guest.*kStepDates[step - 1] = day; }

GuestRecord guestNumber(int i)
{
    GuestRecord guest = makeGuest(u"客"_s + QString::number(i), u"様"_s);
    guest.birthday = u"1980/01/01"_s;
    guest.keisyou = u"殿"_s;
    return guest;
}

// Guest i, its steps spread over the ninety days.
GuestRecord simulatedGuest(int i, std::mt19937& random)
{
    GuestRecord guest = guestNumber(i);
    guest.address = u"g%1@example.jp"_s.arg(i);
    for (int step = 1; step <= 7; ++step) {
        setStepDate(guest, step, dateText(kFirstDay.addDays(int(random() % kDays))));
        setStepSwitch(guest, step, random() % 4 ? 1 : 0);
    }
    return guest;
}

// A server that now and then puts a mail off, refuses it, loses the line
// before the end, loses the answer after taking the mail, or lets the program
// die just after taking it; on some runs it is down. It remembers what it took.
class SimulatedServer : public MailTransport {
public:
    struct Killed {};
    SimulatedServer(Clock& clock, std::mt19937& random) : clock_(clock), random_(random) {}
    Result<QString> testConnection(const QString&, const SmtpSettings&) override { return QString(); }
    Result<void> send(const OutgoingMail& mail) override
    {
        if (down)
            return fail(ErrorKind::ConnectFailed, u"connection refused"_s);
        const unsigned roll = random_() % 1000;
        if (roll < 40)
            return fail(ErrorKind::TemporaryFailure, u"451 try later"_s);
        if (roll < 60)
            return fail(ErrorKind::RecipientRefused, u"550 no"_s);
        if (roll < 70)
            return fail(ErrorKind::ConnectionLost, u"cut during data"_s);
        accepted.append({mail.to.section(u'@', 0, 0).mid(1) + u'/' + mail.subject, clock_.today()});
        if (roll < 75)
            return fail(ErrorKind::Uncertain, u"no answer after data"_s);
        if (roll < 78 && mayKill)
            throw Killed();
        return {};
    }
    QList<std::pair<QString, QDate>> accepted; // "guest/step", the day it came
    bool down = false;
    bool mayKill = false;

private:
    Clock& clock_;
    std::mt19937& random_;
};

} // namespace

// Ninety days of a thousand guests, run as a timer runs --send-due, through
// missed days, a ten-day outage, down servers, 4xx, cut lines, lost answers and
// kills: every due step mail arrives at most once, at most catch_up_days late,
// and one that never arrived is on the record as refused, given up, expired or
// uncertain.
TEST(SendRun, NinetyDaysOfOutagesRefusalsAndKillsSendEachStepMailOnceOrSayWhyNot)
{
    Campaign c;
    c.smtp.pauseSeconds = 0;
    std::mt19937 random(20261209);
    QList<GuestRecord> guests;
    for (int i = 1; i <= kGuests; ++i)
        guests.append(simulatedGuest(i, random));
    writeList(c.list(), guests);
    FakeClock clock(QDateTime(kFirstDay, QTime(9, 0)));
    SimulatedServer server(clock, random);

    for (int day = 0; day < kDays + kSettleDays; ++day) {
        const bool outage = (day >= 30 && day < 40) || (day < kDays && random() % 10 == 0);
        for (int r = 0; !outage && r < 1 + int(random() % 4); ++r) {
            clock.set(QDateTime(kFirstDay.addDays(day), QTime(8, 0)).addSecs(r * 3000 + int(random() % 600)));
            server.down = day < kDays && random() % 12 == 0;
            server.mayKill = day < kDays;
            const auto plan = planSends(c.home.path(), c.list(), c.home.filePath(u"send.lock"_s), clock.now(), c.smtp);
            ASSERT_TRUE(plan) << plan.error().message.toStdString();
            SendRun run(server, clock);
            SendJob job = c.job(*plan);
            job.logDir = c.home.filePath(u"log/%1"_s.arg(day)); // a log's number counts the folder's files
            QDir().mkpath(job.logDir);
            try {
                run.run(job);
            } catch (const SimulatedServer::Killed&) {
            }
        }
    }

    QHash<QString, QDate> due; // "guest/step" -> day
    for (int i = 0; i < guests.size(); ++i) {
        for (int step = 1; step <= 7; ++step) {
            if (stepSwitch(guests[i], step) == 1)
                due.insert(u"%1/%2"_s.arg(i + 1).arg(step), *dateFromText(stepDate(guests[i], step)));
        }
    }
    QHash<QString, int> arrived;
    for (const auto& [key, day] : std::as_const(server.accepted)) {
        ASSERT_TRUE(due.contains(key)) << "unexpected mail " << key.toStdString();
        EXPECT_EQ(++arrived[key], 1) << "twice: " << key.toStdString();
        EXPECT_GE(day, due[key]) << key.toStdString();
        EXPECT_LE(due[key].daysTo(day), kCatchUpDays) << key.toStdString();
    }
    auto store = SendStore::open(c.home.path());
    ASSERT_TRUE(store);
    std::map<MailState, int> states;
    for (auto it = due.cbegin(); it != due.cend(); ++it) {
        const int record = it.key().section(u'/', 0, 0).toInt();
        const int step = it.key().section(u'/', 1).toInt();
        const auto row = (*store)->stepMail({u"guestlst.lst"_s, record, guests[record - 1].address, step, it.value()});
        ASSERT_TRUE(row && *row) << "no record of " << it.key().toStdString();
        const MailState state = (**row).state;
        ++states[state];
        if (arrived.contains(it.key())) {
            EXPECT_TRUE(state == MailState::Sent || state == MailState::Uncertain) << it.key().toStdString();
        } else {
            EXPECT_TRUE(state == MailState::Refused || state == MailState::GivenUp || state == MailState::Expired
                        || state == MailState::Uncertain)
                << it.key().toStdString() << " " << mailStateWord(state).toStdString();
        }
    }
    // Every way of ending happened; the ten-day outage expired the steps of its first days.
    for (MailState state : {MailState::Refused, MailState::GivenUp, MailState::Expired, MailState::Uncertain})
        EXPECT_GT(states[state], 0) << mailStateWord(state).toStdString();
    EXPECT_GT(arrived.size(), due.size() * 8 / 10);
}

// A real server says 450 to one, cuts the line in one's data, closes with 421
// on one and never answers one: the first three go on the next run, once each;
// the unanswered one is uncertain and stays unsent; the others go at once.
TEST(SendRun, DeferredMailsGoOnceOnTheirNextTryAndAnUnansweredOneNever)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    Campaign c;
    c.settings.smtpServer = sink.server();
    c.smtp.pauseSeconds = 0;
    // The cut must come while the client still writes: a message larger than the line's buffers.
    ASSERT_TRUE(writeMailText(c.settings.textFiles[2], QString(u"★★★ へ、長いご案内です。\n"_s).repeated(100000)));
    const QDateTime start(QDate(2026, 12, 9), QTime(9, 0));
    QList<GuestRecord> guests;
    // "silent" right after "first": its time-out comes on a kept connection.
    const QStringList names{u"first"_s, u"silent"_s, u"greylist"_s, u"cutonce"_s, u"closeonce"_s, u"last"_s};
    for (int i = 0; i < names.size(); ++i) {
        GuestRecord guest = guestNumber(i + 1);
        guest.address = names[i] + u"@example.jp"_s;
        const int step = names[i] == u"cutonce"_s ? 2 : 1;
        setStepDate(guest, step, dateText(start.date()));
        setStepSwitch(guest, step, 1);
        guests << guest;
    }
    writeList(c.list(), guests);
    FakeClock clock(start);
    CurlMailTransport transport(std::chrono::seconds(2), std::chrono::seconds(3));
    const auto runAt = [&](const QDateTime& when) {
        clock.set(when);
        const auto plan = planSends(c.home.path(), c.list(), c.home.filePath(u"send.lock"_s), when, c.smtp);
        EXPECT_TRUE(plan);
        RunSummary summary;
        SendRun run(transport, clock);
        QObject::connect(&run, &SendRun::finished, [&](const RunSummary& s) { summary = s; });
        run.run(c.job(*plan));
        return summary;
    };
    const auto stateOf = [](const RunSummary& s, const QString& name) {
        for (const LineOutcome& o : s.outcomes) {
            if (o.address.startsWith(name + u'@'))
                return o.state;
        }
        return MailState::Due;
    };

    const RunSummary first = runAt(start);
    EXPECT_FALSE(first.stop) << first.stop->message.toStdString();
    for (const QString& name : {u"greylist"_s, u"cutonce"_s, u"closeonce"_s})
        EXPECT_EQ(stateOf(first, name), MailState::Deferred) << name.toStdString();
    EXPECT_EQ(stateOf(first, u"silent"_s), MailState::Uncertain);
    EXPECT_EQ(stateOf(first, u"last"_s), MailState::Sent);
    ASSERT_EQ(sink.received().size(), 2);

    EXPECT_TRUE(runAt(start.addSecs(120)).outcomes.isEmpty()); // before the next try
    const RunSummary retried = runAt(start.addSecs(6 * 60));
    EXPECT_EQ(retried.outcomes.size(), 3);
    for (const QString& name : {u"greylist"_s, u"cutonce"_s, u"closeonce"_s})
        EXPECT_EQ(stateOf(retried, name), MailState::Sent) << name.toStdString();
    EXPECT_TRUE(runAt(start.addDays(1)).outcomes.isEmpty());

    QStringList to;
    for (const QJsonObject& mail : sink.received())
        to << mail[u"to"_s].toString();
    to.sort();
    EXPECT_EQ(to, QStringList({u"closeonce@example.jp"_s, u"cutonce@example.jp"_s, u"first@example.jp"_s,
                               u"greylist@example.jp"_s, u"last@example.jp"_s}));
}

// A run's mails share one connection and one login; the server's 421 after
// mail 100 puts that one mail off and the rest go over a second connection.
TEST(SendRun, OneRunLogsInOnceAndA421MidRunMovesTheRestToANewConnection)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin() + QStringList{u"--close-after"_s, u"100"_s});
    ASSERT_GT(sink.port(), 0);
    Campaign c;
    c.settings.smtpServer = sink.server();
    c.smtp.pauseSeconds = 0;
    c.smtp.security = SmtpSecurity::StartTls;
    c.smtp.user = u"shop"_s;
    c.smtp.password = u"secret"_s;
    c.smtp.caFile = certificate.cert();
    c.smtp.maxPerConnection = 1000;
    const QDateTime start(QDate(2026, 12, 9), QTime(9, 0));
    QList<GuestRecord> guests;
    for (int i = 1; i <= 250; ++i) {
        GuestRecord guest = guestNumber(i);
        guest.address = u"g%1@example.jp"_s.arg(i);
        setStepDate(guest, 1, dateText(start.date()));
        setStepSwitch(guest, 1, 1);
        guests << guest;
    }
    writeList(c.list(), guests);
    FakeClock clock(start);
    CurlMailTransport transport;
    const auto runAt = [&](const QDateTime& when) {
        clock.set(when);
        const auto plan = planSends(c.home.path(), c.list(), c.home.filePath(u"send.lock"_s), when, c.smtp);
        EXPECT_TRUE(plan);
        SendRun run(transport, clock);
        run.run(c.job(*plan));
    };

    const auto arrived = [&] {
        QStringList to;
        for (const QJsonObject& mail : sink.received())
            to << mail[u"to"_s].toString();
        return to;
    };

    runAt(start);
    EXPECT_EQ(arrived().size(), 249);
    EXPECT_FALSE(arrived().contains(u"g101@example.jp"_s));
    EXPECT_EQ(sink.connections(), 2);
    EXPECT_EQ(sink.logins(), 2);
    runAt(start.addSecs(6 * 60));
    const QStringList to = arrived();
    EXPECT_EQ(to.size(), 250);
    EXPECT_EQ(QSet<QString>(to.begin(), to.end()).size(), 250);
    EXPECT_EQ(sink.connections(), 3);
}
