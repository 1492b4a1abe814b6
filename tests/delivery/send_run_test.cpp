#include "delivery/send_run.h"

#include "common/clock.h"
#include "delivery/mail_text.h"
#include "lists/guest_record.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

const QDate kFirstDay(2026, 1, 5);
constexpr int kDays = 90;
constexpr int kGuests = 1000;
QString GuestRecord::* const kStepDates[] = {&GuestRecord::fast,  &GuestRecord::second, &GuestRecord::third,
                                             &GuestRecord::fourth, &GuestRecord::fifth, &GuestRecord::sixth,
                                             &GuestRecord::seventh};

// Guest i, its steps spread over the ninety days; every tenth gets the repeat mail.
GuestRecord simulatedGuest(int i, std::mt19937& random)
{
    GuestRecord guest = makeGuest(u"客"_s + QString::number(i), u"様"_s);
    guest.birthday = u"1980/01/01"_s;
    guest.address = u"g%1@example.jp"_s.arg(i);
    guest.keisyou = u"殿"_s;
    for (int step = 1; step <= 7; ++step) {
        guest.*kStepDates[step - 1] = dateText(kFirstDay.addDays(int(random() % kDays)));
        setStepSwitch(guest, step, random() % 4 ? 1 : 0);
    }
    guest.repeat = i % 10 == 0 ? 1 : 0;
    return guest;
}

// "guest/step/day": what must arrive once, worked out from the dates alone.
QHash<QString, QString> expectedMails(const QList<GuestRecord>& guests)
{
    QHash<QString, QString> expected; // key -> address
    for (int i = 0; i < guests.size(); ++i) {
        const GuestRecord& g = guests[i];
        for (int step = 1; step <= 7; ++step) {
            const QString day = g.*kStepDates[step - 1];
            if (g.repeat == 1)
                expected.insert(u"%1/0/%2"_s.arg(i + 1).arg(day), g.address);
            else if (stepSwitch(g, step) == 1)
                expected.insert(u"%1/%2/%3"_s.arg(i + 1).arg(step).arg(day), g.address);
        }
    }
    return expected;
}

// A server that now and then says 4xx or 5xx, and remembers what it accepted.
class SimulatedServer : public MailTransport {
public:
    SimulatedServer(Clock& clock, std::mt19937& random) : clock_(clock), random_(random) {}
    Result<void> send(const OutgoingMail& mail) override
    {
        const unsigned roll = random_() % 100;
        if (roll < 3)
            return fail(ErrorKind::TemporaryFailure, u"451 try later"_s);
        if (roll < 5)
            return fail(ErrorKind::RecipientRefused, u"550 no"_s);
        // The address names the guest, the subject the step; the day is the clock's.
        const QString guest = mail.to.section(u'@', 0, 0).mid(1);
        accepted.append({guest + u'/' + mail.subject + u'/' + dateText(clock_.today()), mail.to});
        if (afterAccept)
            afterAccept();
        return {};
    }
    QList<std::pair<QString, QString>> accepted; // key, address
    std::function<void()> afterAccept;

private:
    Clock& clock_;
    std::mt19937& random_;
};

} // namespace

// Ninety days of a thousand guests with restarts, cancels, a crash mid-send and
// refusals: every due step mail arrives at most once, on its day, at its guest's
// address; a mail is missing only when the server refused it, and the one the
// crash left unknown is listed as uncertain.
TEST(SendRun, NinetyDaysOfRestartsCancelsAndACrashSendEachStepMailOnceOnItsDay)
{
    // On tmpfs where there is one: the journal's flush to disk is what the test would wait for.
    const QTemporaryDir home(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/ladderpost-sim-XXXXXX"_s : QString());
    QDir(home.path()).mkpath(u"text"_s);
    std::mt19937 random(20261209);
    QList<GuestRecord> guests;
    for (int i = 1; i <= kGuests; ++i)
        guests.append(simulatedGuest(i, random));
    const QString list = home.filePath(u"guestlst.lst"_s);
    writeList(list, guests);
    CampaignSettings settings;
    settings.smtpServer = u"smtp.example.jp"_s;
    settings.sender = u"shop@example.jp"_s;
    for (int step = 0; step <= 7; ++step) {
        settings.subjects[size_t(step)] = QString::number(step);
        settings.textFiles[size_t(step)] = home.filePath(u"text/%1.txt"_s.arg(step));
        ASSERT_TRUE(writeMailText(settings.textFiles[size_t(step)], u"★★★ へ"_s));
    }
    FakeClock clock(QDateTime(kFirstDay, QTime(9, 0)));
    SimulatedServer server(clock, random);
    const QString journal = home.filePath(u"send-journal.txt"_s);
    qint64 crashJournalSize = -1;
    qsizetype crashAccepted = -1;

    for (int day = 0; day < kDays; ++day) {
        const QDate today = kFirstDay.addDays(day);
        clock.set(QDateTime(today, QTime(9, 0)));
        const auto due = scanDueGuests(list, today).value();
        const int runs = 1 + int(random() % 3); // restarts the same day
        bool cancelled = false;                  // a cancelled run is started again that day
        for (int r = 0; r < runs || cancelled; ++r) {
            SendRun run(server, clock);
            QObject::connect(&run, &SendRun::finished, [&](const RunSummary& s) { cancelled = s.cancelled; });
            const qsizetype before = server.accepted.size();
            const int stopAfter = r == 0 && random() % 5 == 0 ? int(random() % 8) : -1;
            server.afterAccept = [&] {
                const bool crash = day == 40 && r == 0 && crashJournalSize < 0;
                if (crash) { // the sending line is on disk, its outcome never will be
                    crashJournalSize = QFileInfo(journal).size();
                    crashAccepted = server.accepted.size();
                }
                if (crash || server.accepted.size() - before == stopAfter)
                    run.cancel();
            };
            SendJob job{list, home.filePath(u"log/%1"_s.arg(day)), settings, std::nullopt, due, MailKind::Step,
                        journal, home.filePath(u"send.lock"_s), today};
            QDir().mkpath(job.logDir);
            run.run(job);
            if (crashAccepted >= 0 && day == 40 && r == 0) {
                QFile file(journal);
                ASSERT_TRUE(file.resize(crashJournalSize));
                server.accepted.resize(crashAccepted);
            }
        }
    }

    const QHash<QString, QString> expected = expectedMails(guests);
    QHash<QString, int> arrived;
    for (const auto& [key, address] : std::as_const(server.accepted)) {
        ASSERT_TRUE(expected.contains(key)) << "unexpected mail " << key.toStdString();
        EXPECT_EQ(address, expected[key]) << key.toStdString();
        EXPECT_EQ(++arrived[key], 1) << "twice: " << key.toStdString();
    }
    const auto entries = readJournal(journal).value();
    QHash<QString, JournalState> lastState;
    for (const JournalEntry& e : entries)
        lastState.insert(u"%1/%2/%3"_s.arg(e.record).arg(e.step == u"repeat"_s ? u"0"_s : e.step).arg(dateText(e.due)), e.state);
    int missing = 0;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (arrived.contains(it.key()))
            continue;
        ++missing;
        EXPECT_EQ(lastState.value(it.key(), JournalState::Sending), JournalState::Refused) << it.key().toStdString();
    }
    EXPECT_LT(missing, expected.size() / 20);
    const QList<JournalEntry> uncertain = JournalIndex(entries).uncertain();
    ASSERT_EQ(uncertain.size(), 1);
    EXPECT_EQ(uncertain[0].due, kFirstDay.addDays(40));
}
