// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/mailbox_check.h"

#include "delivery/send_store.h"
#include "delivery/sender_notice.h"
#include "imap_server.h"
#include "lists/list_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kKey(32, 'k');

MailboxGuest guest(const QString& list, int record, const QString& address, bool delivering = true)
{
    return {u"/home/"_s + list, list, record, address, address.section(u'@', 0, 0), delivering};
}

ReceivedMail reply(const QString& from, const QString& subject, const QString& text = {})
{
    return ReceivedMail{.kind = ReceivedKind::Written, .from = from, .subject = subject, .text = text};
}

QList<std::pair<int, MailboxOutcome>> judged(const ReceivedMail& mail, const QList<MailboxGuest>& guests)
{
    QList<std::pair<int, MailboxOutcome>> found;
    for (const MailboxEvent& e : judgeMail(mail, guests, kKey))
        found.append({e.record, e.outcome});
    return found;
}

using Judged = QList<std::pair<int, MailboxOutcome>>;

} // namespace

TEST(MailboxJudgement, ReportsStopOnlyDeadAddressesOfDeliveringGuests)
{
    const QList<MailboxGuest> guests{guest(u"a.lst"_s, 1, u"saburo@example.jp"_s), guest(u"a.lst"_s, 2, u"goro@example.jp"_s),
                                     guest(u"b.lst"_s, 7, u"goro@example.jp"_s, false)};
    ReceivedMail report{.kind = ReceivedKind::DeliveryReport,
                        .from = u"postmaster@example.net"_s,
                        .recipients = {{u"saburo@example.jp"_s, u"failed"_s, u"5.2.2"_s},
                                       {u"goro@example.jp"_s, u"failed"_s, u"5.1.10"_s}}};
    EXPECT_EQ(judged(report, guests), (Judged{{1, MailboxOutcome::Listed}, {2, MailboxOutcome::Stopped}}));
    report.recipients = {{u"goro@example.jp"_s, u"delayed"_s, u"5.1.1"_s}, {u"goro@example.jp"_s, u"failed"_s, u"4.1.1"_s}};
    EXPECT_TRUE(judged(report, guests).isEmpty());
}

TEST(MailboxJudgement, TokenStopsItsGuestWhateverTheSenderAndWordsAloneAreListed)
{
    const QList<MailboxGuest> guests{guest(u"guestlst.lst"_s, 3, u"shiro@example.jp"_s),
                                     guest(u"other.lst"_s, 3, u"shiro@example.jp"_s),
                                     guest(u"other.lst"_s, 4, u"goro@example.jp"_s)};
    const QString token = optOutToken(kKey, u"guestlst.lst"_s, 3, u"shiro@example.jp"_s);
    // Sent from another address, subject still percent-encoded: the token alone names the guest.
    EXPECT_EQ(judged(reply(u"someone@example.net"_s, u"unsubscribe%20"_s + token), guests),
              (Judged{{3, MailboxOutcome::Stopped}}));
    EXPECT_EQ(judgeMail(reply(u"x@example.net"_s, u"unsubscribe "_s + token), guests, kKey).first().list,
              u"/home/guestlst.lst"_s);
    // A token made for another address, or under another key, stops nobody; its words make it a request.
    const QString forged = optOutToken(kKey, u"guestlst.lst"_s, 3, u"goro@example.jp"_s);
    EXPECT_EQ(judged(reply(u"goro@example.jp"_s, u"unsubscribe "_s + forged), guests),
              (Judged{{4, MailboxOutcome::Listed}}));
    EXPECT_EQ(judged(reply(u"shiro@example.jp"_s, u"Re: ご案内"_s, u"\n> 配信停止\nいつもありがとう\n"_s), guests), Judged{});
    EXPECT_EQ(judged(reply(u"shiro@example.jp"_s, u"Re: ご案内"_s, u"もう結構です\n解除してください\n"_s), guests),
              (Judged{{3, MailboxOutcome::Listed}, {3, MailboxOutcome::Listed}}));
    EXPECT_EQ(judged(reply(u"nobody@example.net"_s, u"Unsubscribe"_s), guests), (Judged{{0, MailboxOutcome::Listed}}));
    ReceivedMail away = reply(u"shiro@example.jp"_s, u"不在: 配信停止"_s, token);
    away.kind = ReceivedKind::AutoReply;
    EXPECT_TRUE(judged(away, guests).isEmpty());
}

// A new UIDVALIDITY means the UIDs kept name other messages: all are read again,
// and what was already done is not done twice.
TEST(MailboxCheckStore, ChangedUidValidityRescansWithoutDoingAnythingTwice)
{
    ImapServer imap;
    ASSERT_GT(imap.port(), 0) << "dovecot did not start";
    TestHome home;
    GuestRecord a = makeGuest(u"田中"_s);
    a.birthday = u"1970/01/01"_s;
    a.soushin = u"配信中"_s;
    a.address = u"taro@example.jp"_s;
    writeList(home.path(u"guestlst.lst"_s), {a});
    imap.deliver(readBytes(QStringLiteral(LADDERPOST_TEST_DIR "/data/mail/bounce_user_unknown.eml")));
    const ImapLogin login{u"127.0.0.1"_s, imap.port(), ImapSecurity::None, u"shop"_s, u"secret"_s, {}, u"INBOX"_s};
    const QDateTime now(QDate(2024, 12, 10), QTime(9, 0));

    ImapReader first;
    const auto done = checkMailbox(home.root(), login, now, first);
    ASSERT_TRUE(done) << done.error().message.toStdString();
    EXPECT_EQ(done->read, 1);
    ASSERT_EQ(done->stopped.size(), 1);
    EXPECT_EQ(ReadGuestRecord(home.path(u"guestlst.lst"_s), 1)->soushin, u"停止済"_s);

    // Back to 配信中 by hand: a reread of the old bounce must not stop the guest again.
    writeList(home.path(u"guestlst.lst"_s), {a});
    const QString mailbox = u"shop@127.0.0.1:%1/INBOX"_s.arg(imap.port());
    {
        auto store = SendStore::open(home.root());
        ASSERT_TRUE(store);
        const auto mark = (*store)->mailboxMark(mailbox);
        ASSERT_TRUE(mark && mark->lastUid == 1);
        ASSERT_TRUE((*store)->setMailboxMark(mailbox, {mark->uidValidity + 1, 99}));
    }
    ImapReader again;
    const auto rescan = checkMailbox(home.root(), login, now, again);
    ASSERT_TRUE(rescan) << rescan.error().message.toStdString();
    EXPECT_EQ(rescan->read, 1);
    EXPECT_TRUE(rescan->stopped.isEmpty());
    EXPECT_EQ(ReadGuestRecord(home.path(u"guestlst.lst"_s), 1)->soushin.trimmed(), u"配信中"_s);
}
