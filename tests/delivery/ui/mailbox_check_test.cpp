// SPDX-License-Identifier: GPL-3.0-or-later
#include "headless_program.h"
#include "imap_server.h"
#include "panel_fixture.h"
#include "smtp_sink.h"

#include "common/cp932.h"
#include "delivery/campaign_settings.h"
#include "delivery/guest_lookup.h"
#include "delivery/send_store.h"
#include "delivery/sender_notice.h"
#include "delivery/ui/send_history_view.h"
#include "operator.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonObject>
#include <QListWidget>
#include <QRegularExpression>
#include <QUrl>

namespace {

const QStringList kAddresses{u"taro@example.jp"_s, u"jiro@example.jp"_s, u"saburo@example.jp"_s,
                             u"shiro@example.jp"_s, u"goro@example.jp"_s};

// Guests A to E with their third step today and their fourth tomorrow; the
// notice names stop@example.jp; [imap] reads the test's Dovecot.
void prepareHome(const TestHome& home, const SmtpSink& sink, const ImapServer& imap, const QDate& day)
{
    CampaignSettings settings;
    settings.smtpServer = sink.server();
    settings.sender = u"shop@example.jp"_s;
    for (int step : {3, 4}) {
        settings.subjects[size_t(step)] = u"%1回目のご案内"_s.arg(step);
        settings.textFiles[size_t(step)] = home.path(u"text/step%1.txt"_s.arg(step));
        ASSERT_TRUE(writeMailText(settings.textFiles[size_t(step)], u"★★★\nご案内です。"_s));
    }
    ASSERT_TRUE(writeCampaignSettings(home.path(u"config.ini"_s), settings));
    writeBytes(home.path(u"smtp.ini"_s), "[smtp]\r\npause_seconds=0\r\n");
    ASSERT_TRUE(writeSenderNotice(home.root(), {u"山田商店"_s, u"東京都千代田区1-1"_s, u"03-1234-5678"_s,
                                                u"stop@example.jp"_s, QString()}));
    writeBytes(home.path(u"sender.ini"_s),
               readBytes(home.path(u"sender.ini"_s))
                   + u"[imap]\r\nserver=%1\r\nsecurity=none\r\nuser=shop\r\npassword=secret\r\n"_s.arg(imap.server()).toUtf8());
    QList<GuestRecord> guests;
    const QStringList families{u"田中"_s, u"鈴木"_s, u"高橋"_s, u"伊藤"_s, u"渡辺"_s};
    for (qsizetype i = 0; i < kAddresses.size(); ++i) {
        GuestRecord guest = deliveringGuest(families[i], u"様子"_s, kAddresses[i]);
        guest.soushin = u"配信中"_s;
        guest.third = dateText(day);
        guest.fourth = dateText(day.addDays(1));
        guest.mail3 = guest.mail4 = 1;
        guests << guest;
    }
    writeList(home.path(u"guestlst.lst"_s), guests);
}

QByteArray fixture(const QString& name) { return readBytes(QStringLiteral(LADDERPOST_TEST_DIR "/data/mail/") + name); }

// What a mail client sends when the guest follows the List-Unsubscribe mailto of the mail received.
QByteArray optOutFollowing(const QJsonObject& received)
{
    static const QRegularExpression mailto(u"\r\nList-Unsubscribe: <mailto:([^?>]+)\\?subject=([^>]+)>"_s);
    const QRegularExpressionMatch m = mailto.match(received[u"raw"_s].toString());
    EXPECT_TRUE(m.hasMatch());
    return u"Date: Tue, 10 Dec 2024 07:00:00 +0900\r\nFrom: %1\r\nTo: %2\r\nSubject: %3\r\n"
           u"MIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n\r\n"_s
        .arg(received[u"to"_s].toString(), m.captured(1), QUrl::fromPercentEncoding(m.captured(2).toUtf8()))
        .toUtf8();
}

// The list as it was with these records' 配信状況 turned to 停止済, byte for byte.
QByteArray stoppedIn(QByteArray list, std::initializer_list<int> records)
{
    for (int k : records)
        list.replace(qsizetype(k - 1) * kRecordSize + 116, 6, toCp932(u"停止済"));
    return list;
}

QStringList recipients(const QList<QJsonObject>& mails)
{
    QStringList to;
    for (const QJsonObject& mail : mails)
        to << mail[u"to"_s].toString();
    return to;
}

Finished checkMailbox(const TestHome& home)
{
    return waitFor(startLadderpost({u"--check-mailbox"_s, u"--home"_s, home.root()}));
}

} // namespace

TEST(MailboxCheck, DeadAddressesAndOptOutsStopTheirGuestsAndTheMailboxStaysAsItWas)
{
    SmtpSink sink;
    ImapServer imap;
    ASSERT_GT(sink.port(), 0);
    ASSERT_GT(imap.port(), 0) << "dovecot did not start";
    TestHome home;
    const QDate today = QDate::currentDate();
    prepareHome(home, sink, imap, today);

    const Finished sent = waitFor(startSendDue(home.root()));
    ASSERT_EQ(sent.status, 0) << sent.errors.toStdString();
    ASSERT_EQ(recipients(sink.received()), kAddresses);
    imap.deliver(fixture(u"bounce_user_unknown.eml"_s));      // A: 5.1.1
    imap.deliver(fixture(u"bounce_delayed.eml"_s), u"S"_s);   // B: delayed 4.4.1
    imap.deliver(fixture(u"out_of_office.eml"_s));            // C: away
    imap.deliver(optOutFollowing(sink.received()[3]), u"S"_s); // D: the token of the mail D received
    imap.deliver(fixture(u"unsubscribe_words.eml"_s));         // E: asks, without a token
    const QByteArray list = readBytes(home.path(u"guestlst.lst"_s));
    const auto mailbox = imap.messages();
    ASSERT_EQ(mailbox.size(), 5);

    const Finished first = checkMailbox(home);
    EXPECT_EQ(first.status, 1) << first.errors.toStdString(); // E waits for the operator
    EXPECT_TRUE(first.output.contains(u"停止済にしました\t田中様子\ttaro@example.jp\t宛先不明\t5.1.1\t"_s))
        << first.output.toStdString();
    EXPECT_TRUE(first.output.contains(u"停止済にしました\t伊藤様子\tshiro@example.jp\t配信停止の申し出\t"_s));
    EXPECT_TRUE(first.output.contains(u"確認待ち\t渡辺様子\tgoro@example.jp\t"_s));
    EXPECT_TRUE(first.output.contains(u"読んだメール 5 通、停止済にした顧客 2 件、確認待ち 1 件"_s));
    EXPECT_EQ(readBytes(home.path(u"guestlst.lst"_s)), stoppedIn(list, {1, 4}));
    EXPECT_EQ(imap.messages(), mailbox);

    const Finished second = checkMailbox(home);
    EXPECT_EQ(second.status, 0) << second.errors.toStdString();
    EXPECT_TRUE(second.output.contains(u"読んだメール 0 通、停止済にした顧客 0 件、確認待ち 0 件"_s));
    EXPECT_EQ(readBytes(home.path(u"guestlst.lst"_s)), stoppedIn(list, {1, 4}));
    EXPECT_EQ(imap.messages(), mailbox);

    {
        auto store = SendStore::open(home.root());
        ASSERT_TRUE(store);
        const auto history = (*store)->mailboxEventsOf(u"guestlst.lst"_s, 1);
        ASSERT_TRUE(history && history->size() == 1);
        EXPECT_EQ(history->first().status, u"5.1.1"_s);
        EXPECT_EQ(history->first().messageDate, QDateTime(QDate(2024, 12, 9), QTime(1, 0, 5), Qt::UTC));
        const auto listed = (*store)->listedMailboxEvents();
        ASSERT_TRUE(listed && listed->size() == 1);
        EXPECT_EQ(listed->first().record, 5);
    }

    const Finished tomorrow = waitFor(startSendDue(home.root(), {}, QDateTime(today.addDays(1), QTime(9, 0))));
    EXPECT_EQ(tomorrow.status, 0) << tomorrow.errors.toStdString() << tomorrow.output.toStdString();
    EXPECT_EQ(recipients(sink.received().mid(5)), (QStringList{kAddresses[1], kAddresses[2], kAddresses[4]}));
    EXPECT_EQ(imap.messages(), mailbox);
}

// A run that sends checks the mailbox first; one it cannot reach is said, and the mails still go.
TEST(MailboxCheck, UnreachableMailboxIsSaidInJapaneseTheCheckExitsTwoAndTheRunStillSends)
{
    SmtpSink sink;
    ImapServer imap;
    ASSERT_GT(imap.port(), 0) << "dovecot did not start";
    TestHome home;
    prepareHome(home, sink, imap, QDate::currentDate());
    imap.stop();

    const Finished alone = checkMailbox(home);
    EXPECT_EQ(alone.status, 2);
    EXPECT_TRUE(alone.errors.contains(u"受信箱を確認できません: 受信箱のサーバー「%1」に接続できません"_s.arg(imap.server())))
        << alone.errors.toStdString();

    const Finished sending = waitFor(startSendDue(home.root()));
    EXPECT_EQ(sending.status, 1);
    EXPECT_TRUE(sending.errors.contains(u"受信箱を確認できません"_s));
    EXPECT_EQ(sink.received().size(), 5);
}

// The operator sets the mailbox in 配信者情報 and checks it from the send tab:
// the dead address stops at once, the written request waits for 「停止にする」,
// and both show in the guest's 送信履歴; the mailbox is left as it was.
TEST(MailboxCheck, FromTheSendTabADeadAddressStopsAndAWrittenRequestWaitsForTheOperator)
{
    ImapServer imap;
    ASSERT_GT(imap.port(), 0);
    Panels p;
    p.settings.show();
    writeList(p.listPath, {deliveringGuest(u"田中"_s, u"太郎"_s, kAddresses[0]), deliveringGuest(u"伊藤"_s, u"五郎"_s, kAddresses[4]),
                           deliveringGuest(u"鈴木"_s, u"次郎"_s, kAddresses[1])});
    const QByteArray list = readBytes(p.listPath);
    op::click(p.find<QPushButton>(u"senderNoticeButton"_s));
    QWidget* dialog = QApplication::activeWindow();
    for (const auto& [box, text] : {std::pair{u"imapServer"_s, imap.server()}, std::pair{u"imapUser"_s, u"shop"_s},
                                    std::pair{u"imapPassword"_s, u"secret"_s}}) {
        op::click(dialog->findChild<QLineEdit*>(box));
        op::type(text);
    }
    dialog->findChild<QComboBox*>(u"imapSecurity"_s)->setFocus();
    op::press(Qt::Key_Down);
    op::press(Qt::Key_Down);
    op::click(dialog->findChild<QCheckBox*>(u"imapPasswordInFile"_s));
    op::click(dialog->findChild<QPushButton*>(u"senderSaveButton"_s));
    EXPECT_TRUE(readBytes(p.home.path(u"sender.ini"_s))
                    .endsWith(u"[imap]\r\nserver=%1\r\nsecurity=none\r\nuser=shop\r\npassword=secret\r\nfolder=INBOX\r\n"_s
                                  .arg(imap.server())
                                  .toUtf8()));
    imap.deliver(fixture(u"bounce_user_unknown.eml"_s));
    imap.deliver(fixture(u"unsubscribe_words.eml"_s));
    const auto mailbox = imap.messages();

    p.send.resize(1000, 700);
    p.send.show();
    op::click(p.find<QPushButton>(u"checkMailboxButton"_s));
    auto* result = p.find<QLabel>(u"mailboxResult"_s);
    ASSERT_TRUE(waitUntil([result] { return result->text().startsWith(u"受信箱:"_s); })) << result->text().toStdString();
    EXPECT_EQ(result->text(), u"受信箱: 読んだメール 2 通、停止済にした顧客 1 件、確認待ち 1 件"_s);
    EXPECT_EQ(readBytes(p.listPath), stoppedIn(list, {1}));
    auto* candidates = p.find<QListWidget>(u"optOutCandidates"_s);
    ASSERT_EQ(candidates->count(), 1);
    EXPECT_TRUE(candidates->item(0)->text().contains(u"伊藤五郎"_s)) << candidates->item(0)->text().toStdString();

    candidates->setFocus();
    op::press(Qt::Key_Down);
    op::click(p.find<QPushButton>(u"stopCandidateButton"_s));
    EXPECT_EQ(readBytes(p.listPath), stoppedIn(list, {1, 2}));
    EXPECT_EQ(candidates->count(), 0);
    EXPECT_EQ(imap.messages(), mailbox);
    SendHistoryView history(p.home.root());
    for (const auto& [record, outcome] : {std::pair{1, u"停止済にしました"_s}, std::pair{2, u"停止にしました（確認済み）"_s}}) {
        history.showGuest(p.listPath, record);
        ASSERT_EQ(history.rowCount(), 1);
        EXPECT_EQ(history.item(0, 1)->text(), u"受信箱"_s);
        EXPECT_EQ(history.item(0, 2)->text(), outcome);
    }
}
