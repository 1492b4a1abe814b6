// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/received_mail.h"

#include "test_support.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

ReceivedMail fixture(const QString& name)
{
    return readReceivedMail(readBytes(QStringLiteral(LADDERPOST_TEST_DIR "/data/mail/") + name));
}

ReceivedKind kindOfHeaders(const QByteArray& headers, const QByteArray& subject = "Re: ご案内")
{
    return readReceivedMail("From: a@example.jp\r\nSubject: " + subject + "\r\n" + headers + "\r\nthanks\r\n").kind;
}

} // namespace

// The returned headers of a bounce carry the guest's opt-out token: the report decides, not the token.
TEST(ReceivedMail, DeliveryReportGivesEachRecipientsActionAndStatus)
{
    const ReceivedMail bounce = fixture(u"bounce_user_unknown.eml"_s);
    EXPECT_EQ(bounce.kind, ReceivedKind::DeliveryReport);
    ASSERT_EQ(bounce.recipients.size(), 1);
    EXPECT_EQ(bounce.recipients[0].address, u"taro@example.jp"_s);
    EXPECT_EQ(bounce.recipients[0].action, u"failed"_s);
    EXPECT_EQ(bounce.recipients[0].status, u"5.1.1"_s);
    EXPECT_EQ(bounce.from, u"mailer-daemon@mail.example.jp"_s);
    EXPECT_EQ(bounce.date, QDateTime(QDate(2024, 12, 9), QTime(1, 0, 5), Qt::UTC));
    EXPECT_TRUE(bounce.text.isEmpty());

    const ReceivedMail delayed = fixture(u"bounce_delayed.eml"_s);
    EXPECT_EQ(delayed.kind, ReceivedKind::DeliveryReport);
    ASSERT_EQ(delayed.recipients.size(), 1);
    EXPECT_EQ(delayed.recipients[0].action, u"delayed"_s);
    EXPECT_EQ(delayed.recipients[0].status, u"4.4.1"_s);
}

TEST(ReceivedMail, Base64ReportWithTwoRecipientsAndAStatusComment)
{
    const ReceivedMail bounce = fixture(u"bounce_two_recipients.eml"_s);
    ASSERT_EQ(bounce.kind, ReceivedKind::DeliveryReport);
    ASSERT_EQ(bounce.recipients.size(), 2);
    EXPECT_EQ(bounce.recipients[0].address, u"saburo@example.jp"_s);
    EXPECT_EQ(bounce.recipients[0].status, u"5.2.2"_s);
    EXPECT_EQ(bounce.recipients[1].address, u"goro@example.jp"_s);
    EXPECT_EQ(bounce.recipients[1].status, u"5.1.10"_s);
}

TEST(ReceivedMail, AutoRepliesByHeaderOrVacationSubject)
{
    const ReceivedMail away = fixture(u"out_of_office.eml"_s);
    EXPECT_EQ(away.kind, ReceivedKind::AutoReply);
    EXPECT_TRUE(away.subject.startsWith(u"自動応答: Re: ご案内"_s)) << away.subject.toStdString();
    EXPECT_EQ(away.from, u"saburo@example.jp"_s);

    EXPECT_EQ(kindOfHeaders("Auto-Submitted: auto-generated\r\n"), ReceivedKind::AutoReply);
    EXPECT_EQ(kindOfHeaders("X-Autoreply: yes\r\n"), ReceivedKind::AutoReply);
    EXPECT_EQ(kindOfHeaders("", "Out of Office: Re: news"), ReceivedKind::AutoReply);
    EXPECT_EQ(kindOfHeaders("Auto-Submitted: no\r\n"), ReceivedKind::Written);
    // A multipart/report of another kind (a read receipt) is no delivery report.
    EXPECT_EQ(kindOfHeaders("Content-Type: multipart/report; report-type=disposition-notification; boundary=x\r\n"),
              ReceivedKind::Written);
}

TEST(ReceivedMail, WrittenReplyDecodesItsTextAndLowerCasesTheSender)
{
    const ReceivedMail reply = fixture(u"unsubscribe_words.eml"_s);
    EXPECT_EQ(reply.kind, ReceivedKind::Written);
    EXPECT_EQ(reply.from, u"goro@example.jp"_s);
    EXPECT_EQ(reply.subject, u"Re: ご案内"_s);
    EXPECT_TRUE(reply.text.contains(u"配信停止をお願いします。"_s)) << reply.text.toStdString();

    const ReceivedMail nothing = readReceivedMail(QByteArray("\x00\x01garbage", 9));
    EXPECT_EQ(nothing.kind, ReceivedKind::Written);
    EXPECT_TRUE(nothing.from.isEmpty());
}
