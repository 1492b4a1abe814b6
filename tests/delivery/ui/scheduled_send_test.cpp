// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_fixture.h"

#include "common/cp932.h"
#include "delivery/guest_lookup.h"
#include "delivery/send_store.h"
#include "operator.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

const QString kToday = u"2005/02/09"_s;

// Step texts and subjects stored through the settings panel, as an operator would.
void configureSteps(Panels& p)
{
    p.setText(u"Text5"_s, p.writeText(u"first.txt"_s, u"★★★、初回のご案内です。"_s));
    p.setText(u"Text7"_s, p.writeText(u"third.txt"_s, u"★★★\n３回目のご案内です。"_s));
    p.setText(u"Text4"_s, p.writeText(u"repeat.txt"_s, u"繰り返しのお知らせ"_s));
    p.setText(u"Text13"_s, u"初回のご案内"_s);
    p.setText(u"Text15"_s, u"３回目のご案内"_s);
    p.setText(u"Text12"_s, u"定期便"_s);
    p.setText(u"Text21"_s, u"smtp.example.jp"_s);
    p.setText(u"Text22"_s, u"shop@example.jp"_s);
    QTest::mouseClick(p.find<QPushButton>(u"Command4"_s), Qt::LeftButton);
}

// 山田花子 due for step 3, 佐藤一郎 for step 1, a stopped guest dated today.
void writeDueList(Panels& p)
{
    GuestRecord yamada = deliveringGuest(u"山田"_s, u"花子"_s, u"hanako@example.jp"_s);
    yamada.third = kToday;
    yamada.mail3 = 1;
    GuestRecord stopped = deliveringGuest(u"鈴木"_s, u"次郎"_s, u"jiro@example.jp"_s);
    stopped.soushin = u"停止済"_s;
    stopped.fast = kToday;
    stopped.mail1 = 1;
    GuestRecord sato = deliveringGuest(u"佐藤"_s, u"一郎"_s, u"ichiro@example.jp"_s);
    sato.fast = kToday;
    sato.mail1 = 1;
    writeList(p.listPath, {yamada, stopped, sato});
}

// What the list load hands over before the prompt.
void loadDueNames(Panels& p)
{
    p.send.setStartupDay(p.clock.today());
    p.send.resetForLoad();
    auto due = scanDueGuests(p.listPath, p.clock.today());
    ASSERT_TRUE(due.has_value());
    p.send.setSendList(*due);
}

// The sending panels over a fresh home.
class ScheduledSend : public ::testing::Test {
protected:
    // The steps stored, 山田花子 and 佐藤一郎 due today and listed as the list load lists them.
    void listDueGuests()
    {
        configureSteps(p);
        writeDueList(p);
        loadDueNames(p);
    }

    Panels p;
};

} // namespace

TEST_F(ScheduledSend, StartupYesSendsEachDueGuestItsPersonalisedStepMailAndLogsIt)
{
    listDueGuests();
    ASSERT_EQ(p.sendList(), QStringList({u"山田花子"_s, u"佐藤一郎"_s}));

    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_EQ(p.prompts.asked[0].title, u"　送信の確認　Quolda"_s);
    EXPECT_EQ(p.prompts.asked[0].text, u"本日の送信対象が見つかりました　直ちに送信しますか？"_s);
    EXPECT_EQ(p.prompts.asked[0].buttons, PromptButtons::YesNo);
    ASSERT_EQ(p.transport.sent.size(), 2);
    const OutgoingMail& first = p.transport.sent[0];
    EXPECT_EQ(first.to, u"hanako@example.jp"_s);
    EXPECT_EQ(first.from, u"shop@example.jp"_s);
    EXPECT_EQ(first.server, u"smtp.example.jp"_s);
    EXPECT_EQ(first.subject, u"３回目のご案内"_s);
    EXPECT_EQ(first.body, u"山田様\n３回目のご案内です。"_s);
    EXPECT_EQ(p.transport.sent[1].to, u"ichiro@example.jp"_s);
    EXPECT_EQ(p.transport.sent[1].subject, u"初回のご案内"_s);
    EXPECT_EQ(p.transport.sent[1].body, u"佐藤様、初回のご案内です。"_s);

    EXPECT_EQ(p.logNames(), QStringList({u"[1]-2005_2_9　[山田花子].log"_s,
                                         u"[2]-2005_2_9　[佐藤一郎].log"_s}));
    // 山田様 in code page 932, with the body's line break; no date line.
    const QByteArray log = readBytes(p.dir.logDir() + u"/[1]-2005_2_9　[山田花子].log"_s);
    EXPECT_TRUE(log.startsWith(QByteArray("\x8E\x52\x93\x63\x97\x6C", 6)));
    EXPECT_FALSE(log.contains("2005/02/09"));

    EXPECT_TRUE(p.sendList().isEmpty());
    EXPECT_EQ(p.clock.pauses, 1); // between the two mails
    EXPECT_TRUE(p.find<QTimer>(u"Timer1"_s)->isActive());
    EXPECT_TRUE(p.text(u"Text23"_s).isEmpty());
    EXPECT_FALSE(p.find<QPushButton>(u"Command3"_s)->isEnabled());
}

TEST_F(ScheduledSend, StartupNoSendsNothingAndKeepsTheList)
{
    listDueGuests();
    p.prompts.answers = {PromptAnswer::No};

    p.send.startupPrompt();
    p.waitForRun();

    EXPECT_TRUE(p.transport.sent.isEmpty());
    EXPECT_TRUE(p.logNames().isEmpty());
    EXPECT_EQ(p.sendList().size(), 2);
}

TEST_F(ScheduledSend, EmptyListAsksNothing)
{
    writeList(p.listPath, {});
    loadDueNames(p);

    p.send.startupPrompt();
    p.waitForRun();

    EXPECT_TRUE(p.prompts.asked.isEmpty());
    EXPECT_TRUE(p.transport.sent.isEmpty());
}

TEST_F(ScheduledSend, TwoStepsDueTheSameDaySendEachItsOwnMail)
{
    configureSteps(p);
    GuestRecord guest = deliveringGuest(u"山田"_s, u"花子"_s, u"hanako@example.jp"_s);
    guest.fast = kToday;
    guest.third = kToday;
    guest.mail1 = 1;
    guest.mail3 = 1;
    writeList(p.listPath, {guest});
    loadDueNames(p);
    ASSERT_EQ(p.sendList().size(), 2);

    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[0].subject, u"初回のご案内"_s);
    EXPECT_EQ(p.transport.sent[1].subject, u"３回目のご案内"_s);
    EXPECT_EQ(p.transport.sent[1].body, u"山田様\n３回目のご案内です。"_s);
    EXPECT_EQ(p.logNames().size(), 2);
}

TEST_F(ScheduledSend, SameDisplayNameSendsEachGuestItsOwnMailAtItsOwnAddress)
{
    configureSteps(p);
    GuestRecord first = deliveringGuest(u"山田"_s, u"花子"_s, u"first@example.jp"_s);
    first.third = kToday;
    first.mail3 = 1;
    GuestRecord second = deliveringGuest(u"山田"_s, u"花子"_s, u"second@example.jp"_s);
    second.fast = kToday;
    second.mail1 = 1;
    writeList(p.listPath, {first, second});
    loadDueNames(p);

    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[0].to, u"first@example.jp"_s);
    EXPECT_EQ(p.transport.sent[0].subject, u"３回目のご案内"_s);
    EXPECT_EQ(p.transport.sent[1].to, u"second@example.jp"_s);
    EXPECT_EQ(p.transport.sent[1].subject, u"初回のご案内"_s);
}

TEST_F(ScheduledSend, LineWithNothingPreparedSendsNothingAndNeverRepeatsThePreviousMail)
{
    listDueGuests();
    // A name no record carries, and a guest whose step has no text file set.
    GuestRecord noText = deliveringGuest(u"田中"_s, u"三郎"_s, u"saburo@example.jp"_s);
    noText.fifth = kToday;
    noText.mail5 = 1;
    GuestRecord yamada = deliveringGuest(u"山田"_s, u"花子"_s, u"hanako@example.jp"_s);
    yamada.third = kToday;
    yamada.mail3 = 1;
    GuestRecord sato = deliveringGuest(u"佐藤"_s, u"一郎"_s, u"ichiro@example.jp"_s);
    sato.fast = kToday;
    sato.mail1 = 1;
    writeList(p.listPath, {yamada, noText, sato});
    const QDate day = p.clock.today();
    p.send.setSendList({{1, 3, u"山田花子"_s, day}, {9, 1, u"幽霊"_s, day}, {2, 5, u"田中三郎"_s, day},
                        {3, 1, u"佐藤一郎"_s, day}});

    p.send.runSendLoop();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[0].to, u"hanako@example.jp"_s);
    EXPECT_EQ(p.transport.sent[1].to, u"ichiro@example.jp"_s);
    EXPECT_EQ(p.logNames().size(), 2);
    EXPECT_TRUE(p.sendList().isEmpty());
    // The skipped lines are reported together after the run, in a window that asks nothing.
    EXPECT_TRUE(p.prompts.asked.isEmpty());
    EXPECT_TRUE(p.report().contains(u"幽霊"_s));
    EXPECT_TRUE(p.report().contains(u"田中三郎"_s));
    EXPECT_FALSE(p.report().contains(u"佐藤一郎"_s));
}

TEST_F(ScheduledSend, ConnectionFailureStopsTheRunButNotTheProgramAndTheLinesWaitForTheButton)
{
    listDueGuests();
    p.transport.results = {fail(ErrorKind::ConnectFailed, u"refused"_s)};

    p.send.runSendLoop();
    p.waitForRun();

    EXPECT_EQ(p.transport.sent.size(), 1);
    ASSERT_EQ(p.prompts.asked.size(), 1);
    EXPECT_EQ(p.prompts.asked[0].title, u"　通信エラー　Quolda"_s);
    EXPECT_EQ(p.prompts.asked[0].text,
              u"予期しない通信エラーにより、配信が中断されました！\r\n送信結果は送信ログで確認できます"_s);
    EXPECT_EQ(p.prompts.asked[0].icon, PromptIcon::Warning);
    EXPECT_TRUE(p.logNames().isEmpty());
    EXPECT_TRUE(p.find<QTimer>(u"Timer1"_s)->isActive());
    EXPECT_EQ(p.sendList(), QStringList({u"山田花子"_s, u"佐藤一郎"_s}));
    EXPECT_TRUE(p.report().contains(u"refused"_s));

    QTest::mouseClick(p.find<QPushButton>(u"CommandResend"_s), Qt::LeftButton);
    p.waitForRun();

    EXPECT_EQ(p.transport.sent.size(), 3);
    EXPECT_EQ(p.logNames().size(), 2);
    EXPECT_TRUE(p.sendList().isEmpty());
}

// Greylisting: the mail put off is not tried again in the same breath but at
// its next try, by the clock, once; the others go on meanwhile.
TEST_F(ScheduledSend, TemporaryReplyIsDeferredAndTheClockSendsItOnceAtItsNextTry)
{
    listDueGuests();
    p.transport.results = {fail(ErrorKind::TemporaryFailure, u"450 greylisted"_s)};

    p.send.runSendLoop();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.logNames(), QStringList({u"[1]-2005_2_9　[佐藤一郎].log"_s}));
    EXPECT_TRUE(p.prompts.asked.isEmpty());
    EXPECT_TRUE(p.report().contains(u"山田花子\thanako@example.jp\t３回目\t再送予定（2005/02/09 9:05 に再送）: 450 greylisted"_s))
        << p.report().toStdString();
    EXPECT_EQ(p.sendList(), QStringList({u"山田花子"_s}));

    p.clock.set(QDateTime(QDate(2005, 2, 9), QTime(9, 2)));
    p.send.onTimer1Tick();
    p.waitForRun();
    EXPECT_EQ(p.transport.sent.size(), 2); // not yet
    p.clock.set(QDateTime(QDate(2005, 2, 9), QTime(9, 6)));
    p.send.onTimer1Tick();
    p.waitForRun();
    p.clock.set(QDateTime(QDate(2005, 2, 9), QTime(9, 8)));
    p.send.onTimer1Tick();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 3);
    EXPECT_EQ(p.transport.sent[2].to, u"hanako@example.jp"_s);
    EXPECT_EQ(p.logNames().size(), 2);
    EXPECT_TRUE(p.sendList().isEmpty());
}

TEST_F(ScheduledSend, RefusedRecipientOrMessageIsSkippedAndTheRunGoesOn)
{
    listDueGuests();
    p.transport.results = {fail(ErrorKind::MessageRefused, u"554 content refused"_s)};

    p.send.runSendLoop();
    p.waitForRun();

    EXPECT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.logNames(), QStringList({u"[1]-2005_2_9　[佐藤一郎].log"_s}));
    EXPECT_TRUE(p.prompts.asked.isEmpty());
    EXPECT_TRUE(p.report().contains(u"山田花子"_s));
    EXPECT_TRUE(p.report().contains(u"554 content refused"_s));
}

TEST_F(ScheduledSend, LogFolderThatCannotBeWrittenStopsTheRunAfterTheMailWent)
{
    listDueGuests();
    QDir(p.dir.logDir()).removeRecursively();

    p.send.runSendLoop();
    p.waitForRun();

    EXPECT_EQ(p.transport.sent.size(), 1);
    ASSERT_FALSE(p.prompts.asked.isEmpty());
    EXPECT_EQ(p.prompts.asked.last().title, u"　送信エラー　Quolda"_s);
    EXPECT_TRUE(p.prompts.asked.last().text.contains(u"書き込み先のフォルダがありません。"_s))
        << p.prompts.asked.last().text.toStdString();
    EXPECT_EQ(p.sendList(), QStringList({u"佐藤一郎"_s}));
}

TEST_F(ScheduledSend, DayChangeOnTheClockTickSendsWithoutAsking)
{
    configureSteps(p);
    writeDueList(p);
    p.clock.set(QDateTime(QDate(2005, 2, 8), QTime(23, 59, 59)));
    p.send.setStartupDay(QDate(2005, 2, 8));

    p.send.onTimer1Tick();
    EXPECT_TRUE(p.transport.sent.isEmpty());
    EXPECT_EQ(p.find<QLabel>(u"Label3"_s)->text(), u"2005/02/08 23:59:59"_s);

    p.clock.set(QDateTime(QDate(2005, 2, 9), QTime(0, 0, 1)));
    p.send.onTimer1Tick();
    p.waitForRun();

    EXPECT_TRUE(p.prompts.asked.isEmpty());
    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[0].subject, u"３回目のご案内"_s);
    EXPECT_TRUE(p.find<QTimer>(u"Timer1"_s)->isActive());

    // The next tick of the same day sends nothing more.
    p.send.onTimer1Tick();
    EXPECT_EQ(p.transport.sent.size(), 2);
}

namespace {

// Holds the first mail on the worker until the test lets it go.
class HeldFirstMail {
public:
    explicit HeldFirstMail(RecordingTransport& transport)
    {
        transport.onSend = [this](const OutgoingMail&) {
            if (held_.exchange(false)) {
                entered_.release();
                proceed_.acquire();
            }
        };
    }
    ~HeldFirstMail() { release(); }
    bool waitUntilSending() { return waitUntil([this] { return entered_.tryAcquire(); }); }
    void release() { proceed_.release(); }

private:
    std::atomic<bool> held_ = true;
    QSemaphore entered_;
    QSemaphore proceed_;
};

GuestRecord dueOn(const QString& family, const QString& given, QString GuestRecord::*date,
                  qint16 GuestRecord::*sw, const QString& day)
{
    GuestRecord guest = deliveringGuest(family, given, family == u"山田"_s ? u"hanako@example.jp"_s
                                                                          : given + u"@example.jp"_s);
    guest.*date = day;
    guest.*sw = 1;
    return guest;
}

} // namespace

TEST_F(ScheduledSend, CancelStopsAfterTheMailUnderWayAndOneButtonSendsTheRest)
{
    listDueGuests();
    HeldFirstMail held(p.transport);

    p.send.runSendLoop();
    ASSERT_TRUE(held.waitUntilSending());
    EXPECT_TRUE(waitUntil([&] {
        return p.find<QLabel>(u"sendProgressText"_s)->text() == u"送信中 1 / 2　山田花子　終了予定 9:00:06"_s;
    }));
    p.send.runSendLoop(); // a second start while one runs does nothing
    EXPECT_FALSE(p.find<QPushButton>(u"CommandResend"_s)->isEnabled());
    QTest::mouseClick(p.find<QPushButton>(u"CommandCancel"_s), Qt::LeftButton);
    held.release();
    p.waitForRun();

    EXPECT_EQ(p.transport.sent.size(), 1);
    EXPECT_EQ(p.sendList(), QStringList({u"佐藤一郎"_s}));

    QTest::mouseClick(p.find<QPushButton>(u"CommandResend"_s), Qt::LeftButton);
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[1].subject, u"初回のご案内"_s);
    EXPECT_EQ(p.transport.sent[1].body, u"佐藤様、初回のご案内です。"_s);
    EXPECT_TRUE(p.sendList().isEmpty());
}

TEST_F(ScheduledSend, DaysPassingWithTheReportOpenAreEachSentAndASleptDayGoesOutLate)
{
    configureSteps(p);
    writeList(p.listPath, {dueOn(u"山田"_s, u"花子"_s, &GuestRecord::third, &GuestRecord::mail3, kToday),
                           dueOn(u"佐藤"_s, u"ichiro"_s, &GuestRecord::fast, &GuestRecord::mail1, u"2005/02/10"_s),
                           dueOn(u"鈴木"_s, u"jiro"_s, &GuestRecord::third, &GuestRecord::mail3, u"2005/02/20"_s),
                           dueOn(u"田中"_s, u"saburo"_s, &GuestRecord::fast, &GuestRecord::mail1, u"2005/02/25"_s),
                           dueOn(u"高橋"_s, u"shiro"_s, &GuestRecord::fast, &GuestRecord::mail1, u"2005/02/12"_s)});
    bool boxWithoutClock = false;
    p.prompts.onMessage = [&] { boxWithoutClock |= !p.find<QTimer>(u"Timer1"_s)->isActive(); };
    loadDueNames(p);
    p.transport.results = {fail(ErrorKind::RecipientRefused, u"550 no such user"_s)};
    p.send.startupPrompt();
    p.waitForRun();
    ASSERT_TRUE(p.find<QWidget>(u"runReport"_s)->isVisible());

    p.clock.set(QDateTime(QDate(2005, 2, 10), QTime(0, 0, 1)));
    p.send.onTimer1Tick();
    p.waitForRun();
    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[1].to, u"ichiro@example.jp"_s);

    // Asleep for fifteen days: what lies within catch_up_days goes late, the older is reported once.
    p.clock.set(QDateTime(QDate(2005, 2, 25), QTime(0, 0, 1)));
    p.send.onTimer1Tick();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 4);
    EXPECT_EQ(p.transport.sent[2].to, u"jiro@example.jp"_s);
    EXPECT_EQ(p.transport.sent[3].to, u"saburo@example.jp"_s);
    EXPECT_TRUE(p.report().contains(u"鈴木jiro\tjiro@example.jp\t３回目\t送信済み（2005/02/20 分を遅れて送信）"_s))
        << p.report().toStdString();
    EXPECT_TRUE(p.report().contains(u"高橋shiro\tshiro@example.jp\t初回\t期限切れ: 2005/02/12 分は遅れて送れる日数を過ぎました"_s))
        << p.report().toStdString();
    EXPECT_TRUE(p.find<QWidget>(u"runReport"_s)->isVisible());
    EXPECT_TRUE(p.find<QTimer>(u"Timer1"_s)->isActive());
    EXPECT_FALSE(boxWithoutClock);
}

TEST_F(ScheduledSend, WhenTheFirstMailFailsNothingModalStandsBeforeTheMessage)
{
    listDueGuests();
    p.transport.results = {fail(ErrorKind::ConnectFailed, u"connection refused"_s)};
    QList<QWidget*> modalUnderBox;
    p.prompts.onMessage = [&] { modalUnderBox.append(QApplication::activeModalWidget()); };

    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.prompts.asked.size(), 2);
    EXPECT_EQ(p.prompts.asked[1].title, u"　通信エラー　Quolda"_s);
    EXPECT_EQ(modalUnderBox, (QList<QWidget*>{nullptr, nullptr}));
}

TEST_F(ScheduledSend, NonAsciiAddressIsRefusedBeforeAnyConnectionAndTheGuestNamed)
{
    configureSteps(p);
    GuestRecord yamada = dueOn(u"山田"_s, u"花子"_s, &GuestRecord::third, &GuestRecord::mail3, kToday);
    yamada.address = u"山田@example.com"_s;
    writeList(p.listPath, {yamada, dueOn(u"佐藤"_s, u"ichiro"_s, &GuestRecord::fast, &GuestRecord::mail1, kToday)});
    loadDueNames(p);

    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.transport.sent.size(), 1);
    EXPECT_EQ(p.transport.sent[0].to, u"ichiro@example.jp"_s);
    EXPECT_TRUE(p.report().contains(u"山田花子\t山田@example.com"_s)) << p.report().toStdString();
}

TEST_F(ScheduledSend, ReportOfSixtyGuestsFitsTheScreenAndIsKeptAsAFile)
{
    configureSteps(p);
    QList<GuestRecord> guests;
    for (int i = 1; i <= 60; ++i) {
        GuestRecord guest = dueOn(u"客"_s + QString::number(i), u"様"_s, &GuestRecord::fast, &GuestRecord::mail1, kToday);
        guest.address = u"no address"_s;
        guests << guest;
    }
    writeList(p.listPath, guests);
    loadDueNames(p);

    p.send.startupPrompt();
    p.waitForRun();

    auto* window = p.find<QWidget>(u"runReport"_s);
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_LE(window->frameGeometry().height(), window->screen()->availableGeometry().height());
    const QStringList saved = QDir(p.home.path(u"report"_s)).entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    const QString file = fromCp932(readBytes(p.home.path(u"report/"_s + saved[0])));
    EXPECT_EQ(file.count(u"\tno address\t"_s), 60);
    EXPECT_TRUE(file.contains(u"客60様\tno address\t初回"_s)) << file.toStdString();
}

TEST_F(ScheduledSend, RestartedTheSameDayAsksOnlyAboutTheRestAndASkippedDayGoesLateWhenAsked)
{
    configureSteps(p);
    writeList(p.listPath, {dueOn(u"山田"_s, u"花子"_s, &GuestRecord::third, &GuestRecord::mail3, kToday),
                           dueOn(u"佐藤"_s, u"ichiro"_s, &GuestRecord::fast, &GuestRecord::mail1, kToday),
                           dueOn(u"田中"_s, u"saburo"_s, &GuestRecord::third, &GuestRecord::mail3, u"2005/02/07"_s)});
    // The program did not run on the 7th, when 田中's mail was due.
    loadDueNames(p);
    p.transport.results = {Result<void>{}, fail(ErrorKind::TemporaryFailure, u"451 later"_s)};
    p.prompts.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.prompts.asked.size(), 2);
    EXPECT_EQ(p.prompts.asked[0].buttons, PromptButtons::YesNoDefaultNo);
    EXPECT_TRUE(p.prompts.asked[0].text.contains(u"1 件"_s)) << p.prompts.asked[0].text.toStdString();
    ASSERT_EQ(p.transport.sent.size(), 3);
    EXPECT_EQ(p.transport.sent[2].to, u"saburo@example.jp"_s);
    EXPECT_TRUE(p.report().contains(u"2005/02/07 分を遅れて送信"_s)) << p.report().toStdString();

    p.clock.set(QDateTime(QDate(2005, 2, 9), QTime(9, 30)));
    loadDueNames(p); // the program starts again the same day, after 佐藤's next try
    p.send.startupPrompt();
    p.waitForRun();

    ASSERT_EQ(p.prompts.asked.size(), 3);
    EXPECT_EQ(p.prompts.asked[2].text,
              u"本日の送信対象のうち 1 件は送信済みです。\r\n本日の送信対象が見つかりました　直ちに送信しますか？"_s);
    ASSERT_EQ(p.transport.sent.size(), 4);
    EXPECT_EQ(p.transport.sent[3].to, u"ichiro@example.jp"_s);
}

// A test send is the selected line's own mail, to the sender; it is no step sent.
TEST_F(ScheduledSend, TestSendGoesToTheSenderMarkedAndTheLineStaysDueAtTheChosenPace)
{
    p.send.show();
    configureSteps(p);
    writeDueList(p);
    writeBytes(p.home.path(u"smtp.ini"_s), "[smtp]\r\nfrom_name=Yamada Shop\r\npause_seconds=2.5\r\n");
    loadDueNames(p);
    ASSERT_EQ(p.sendList(), QStringList({u"山田花子"_s, u"佐藤一郎"_s}));
    p.pickLine(0);
    auto* testSend = p.find<QPushButton>(u"CommandTestSend"_s);
    ASSERT_NE(testSend, nullptr);
    QSignalSpy said(&p.send, &SendPanel::confirmed);

    QTest::mouseClick(testSend, Qt::LeftButton);
    p.waitForRun();

    EXPECT_EQ(p.text(u"Text24"_s), u"shop@example.jp"_s); // where the mail went, not the guest
    ASSERT_EQ(said.size(), 1);
    EXPECT_EQ(said[0][0].toString(), u"テスト送信を shop@example.jp に送りました"_s);

    ASSERT_EQ(p.transport.sent.size(), 1);
    EXPECT_EQ(p.transport.sent[0].to, u"shop@example.jp"_s);
    EXPECT_EQ(p.transport.sent[0].subject, u"[テスト]３回目のご案内"_s);
    EXPECT_TRUE(p.transport.sent[0].body.startsWith(u"山田様"_s)) << p.transport.sent[0].body.toStdString();
    EXPECT_EQ(p.transport.sent[0].connection.fromName, u"Yamada Shop"_s);
    EXPECT_TRUE(p.logNames().isEmpty());
    EXPECT_EQ(p.sendList(), QStringList({u"山田花子"_s, u"佐藤一郎"_s}));

    QTest::mouseClick(p.find<QPushButton>(u"CommandResend"_s), Qt::LeftButton);
    p.waitForRun();
    ASSERT_EQ(p.transport.sent.size(), 3);
    EXPECT_EQ(p.transport.sent[1].to, u"hanako@example.jp"_s);
    EXPECT_EQ(p.clock.lastPauseMs, 2500);
    EXPECT_EQ(p.logNames().size(), 2);
}

TEST_F(ScheduledSend, PreviewShowsTheSelectedLinesMailAsItWouldGo)
{
    p.send.show();
    listDueGuests();
    p.pickLine(1);
    auto* preview = p.find<QPushButton>(u"CommandPreview"_s);
    ASSERT_NE(preview, nullptr);

    QTest::mouseClick(preview, Qt::LeftButton);

    auto* shown = p.send.findChild<QPlainTextEdit*>(u"mailPreview"_s);
    ASSERT_NE(shown, nullptr);
    const QString text = shown->toPlainText();
    EXPECT_TRUE(text.contains(u"宛先（RCPT TO）: ichiro@example.jp"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"件名: 初回のご案内"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"From: shop@example.jp\nTo: ichiro@example.jp\nSubject: =?UTF-8?B?"_s)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(u"佐藤様、初回のご案内です。\n2005/02/09 9:00:00"_s)) << text.toStdString();
    EXPECT_TRUE(p.transport.sent.isEmpty());
}

// A run that died mid-send left its mail sending: listed at start as
// uncertain, never sent by itself, sent once more when the operator clicks 再送信.
TEST_F(ScheduledSend, AMailBegunButNeverFinishedIsListedAtStartAndGoesOnlyWhenTheOperatorResendsIt)
{
    configureSteps(p);
    writeDueList(p);
    {
        auto store = SendStore::open(p.home.root());
        ASSERT_TRUE(store);
        ASSERT_TRUE((*store)->beginStep({u"guestlst.lst"_s, 1, u"hanako@example.jp"_s, 3, QDate(2005, 2, 9)},
                                        u"山田花子"_s, false, {}, QDateTime(QDate(2005, 2, 9), QTime(8, 0))));
    }
    loadDueNames(p);

    p.send.startupPrompt();
    p.waitForRun();

    auto* uncertain = p.find<QTableWidget>(u"uncertainMails"_s);
    ASSERT_TRUE(uncertain && uncertain->isVisible());
    ASSERT_EQ(uncertain->rowCount(), 1);
    EXPECT_EQ(uncertain->item(0, 0)->text(), u"山田花子"_s);
    EXPECT_EQ(uncertain->item(0, 1)->text(), u"hanako@example.jp"_s);
    EXPECT_EQ(uncertain->item(0, 2)->text(), u"３回目"_s);
    EXPECT_EQ(uncertain->item(0, 3)->text(), u"2005/02/09"_s);
    ASSERT_EQ(p.transport.sent.size(), 1);
    EXPECT_EQ(p.transport.sent[0].to, u"ichiro@example.jp"_s);

    op::click(qobject_cast<QPushButton*>(uncertain->cellWidget(0, 5)));
    p.waitForRun();
    ASSERT_EQ(p.transport.sent.size(), 2);
    EXPECT_EQ(p.transport.sent[1].to, u"hanako@example.jp"_s);
    EXPECT_EQ(uncertain->rowCount(), 0);
    auto store = SendStore::open(p.home.root());
    const auto row = (*store)->stepMail({u"guestlst.lst"_s, 1, u"hanako@example.jp"_s, 3, QDate(2005, 2, 9)});
    ASSERT_TRUE(row && *row);
    EXPECT_EQ((**row).state, MailState::Sent);
    EXPECT_TRUE((**row).resent);
}
