// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/imap_reader.h"

#include "imap_server.h"
#include "smtp_sink.h"
#include "test_support.h"

#include <QTcpServer>

#include <gtest/gtest.h>

namespace {

ImapLogin loginTo(const ImapServer& server, const QString& password = u"secret"_s)
{
    ImapLogin login;
    login.host = u"127.0.0.1"_s;
    login.port = server.port();
    login.security = ImapSecurity::None;
    login.user = u"shop"_s;
    login.password = password;
    return login;
}

class ImapReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GT(server.port(), 0) << "dovecot did not start"; }
    ImapServer server;
};

} // namespace

TEST_F(ImapReaderTest, ReadsEveryMessageAndLeavesTheMailboxAsItWas)
{
    const QByteArray read = "From: a@example.jp\r\nSubject: read\r\n\r\nseen before\r\n";
    // A line longer than libcurl's default buffer, and a line that looks like an untagged reply.
    const QByteArray unread = "From: b@example.jp\r\nSubject: unread\r\n\r\n* 1 EXISTS\r\n" + QByteArray(40000, 'x')
                              + "\r\n.\r\nend\r\n";
    server.deliver(read, u"S"_s);
    server.deliver(unread);
    const auto before = server.messages();

    ImapReader reader;
    const auto validity = reader.open(loginTo(server));
    ASSERT_TRUE(validity) << validity.error().message.toStdString();
    EXPECT_GT(*validity, 0);
    const auto uids = reader.uidsAfter(0);
    ASSERT_TRUE(uids) << uids.error().message.toStdString();
    ASSERT_EQ(uids->size(), 2);
    EXPECT_EQ(reader.fetch(uids->at(0)).value_or(QByteArray()), read);
    EXPECT_EQ(reader.fetch(uids->at(1)).value_or(QByteArray()), unread);
    // isEmpty, not == {}: Qt 6.4 compares two empty lists with memcmp on null.
    EXPECT_TRUE(reader.uidsAfter(uids->at(1)).value_or(QList<qint64>{1}).isEmpty());
    EXPECT_EQ(reader.uidsAfter(uids->at(0)).value_or(QList<qint64>{}), QList<qint64>{uids->at(1)});

    ImapReader again;
    EXPECT_EQ(again.open(loginTo(server)).value_or(0), *validity);
    EXPECT_EQ(server.messages(), before); // same files, same flags in their names
}

// A customer quoting a mail log: lines that look like the end of libcurl's own command.
TEST_F(ImapReaderTest, AMessageWithLinesLikeTheReplysEndIsReadWholeAndTheNextOneToo)
{
    QByteArray quoting = "From: c@example.jp\r\nSubject: quoting\r\n\r\n";
    for (int tag = 1; tag <= 12; ++tag)
        quoting += QByteArray("A") + QByteArray::number(tag).rightJustified(3, '0') + " OK Fetch completed.\r\n";
    const QByteArray next = "From: d@example.jp\r\nSubject: next\r\n\r\nplain\r\n";
    server.deliver(quoting);
    server.deliver(next);

    ImapReader reader;
    ASSERT_TRUE(reader.open(loginTo(server)));
    const auto uids = reader.uidsAfter(0);
    ASSERT_TRUE(uids && uids->size() == 2);
    const auto first = reader.fetch(uids->at(0));
    ASSERT_TRUE(first) << first.error().message.toStdString();
    EXPECT_EQ(*first, quoting);
    EXPECT_EQ(reader.fetch(uids->at(1)).value_or(QByteArray()), next);
}

// A first reading starts at a day, and a huge attachment is not carried over the line whole.
TEST_F(ImapReaderTest, ReadsSinceADayAndOnlyTheStartOfAHugeMessage)
{
    const QByteArray huge = "From: e@example.jp\r\nSubject: huge\r\n\r\n" + QByteArray(300 * 1024, 'z') + "\r\n";
    server.deliver(huge);

    ImapReader reader;
    ASSERT_TRUE(reader.open(loginTo(server)));
    const QDate today = QDate::currentDate();
    EXPECT_TRUE(reader.uidsSince(today.addDays(1)).value_or(QList<qint64>{0}).isEmpty());
    const auto uids = reader.uidsSince(today.addDays(-1));
    ASSERT_TRUE(uids && uids->size() == 1);
    const auto start = reader.fetch(uids->at(0));
    ASSERT_TRUE(start) << start.error().message.toStdString();
    EXPECT_EQ(*start, huge.left(ImapReader::kFetchLimit));
}

TEST_F(ImapReaderTest, WrongPasswordMissingFolderAndNoServerAreSaidPlainly)
{
    ImapReader wrong;
    const auto denied = wrong.open(loginTo(server, u"wrong"_s));
    ASSERT_FALSE(denied);
    EXPECT_EQ(denied.error().kind, ErrorKind::SenderRefused);
    EXPECT_TRUE(denied.error().message.contains(u"ログインできません"_s)) << denied.error().message.toStdString();

    ImapLogin elsewhere = loginTo(server);
    elsewhere.folder = u"Bounces"_s;
    ImapReader missing;
    const auto noFolder = missing.open(elsewhere);
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().kind, ErrorKind::NotFound);

    server.stop();
    ImapReader gone;
    const auto refused = gone.open(loginTo(server));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, ErrorKind::ConnectFailed);
    EXPECT_TRUE(refused.error().message.contains(u"接続できません"_s)) << refused.error().message.toStdString();
}

// A server that takes the connection and never greets: the time-out ends it.
TEST(ImapReader, SilentServerEndsInATimeOut)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    ImapLogin login;
    login.host = u"127.0.0.1"_s;
    login.port = silent.serverPort();
    login.security = ImapSecurity::None;
    login.user = u"shop"_s;
    ImapReader reader(std::chrono::seconds(2), std::chrono::milliseconds(300));
    const auto result = reader.open(login);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::ConnectFailed);
    EXPECT_TRUE(result.error().message.contains(u"時間内に応答しません"_s)) << result.error().message.toStdString();

    login.host = u"imap.example.jp"_s;
    EXPECT_EQ(reader.open(login).error().kind, ErrorKind::InvalidInput); // in clear to another machine
}

// Microsoft 365 and Google take no password for IMAP either: the SMTP sign-in's
// access token logs in with XOAUTH2, as the mailbox's server checks it with the provider.
TEST(ImapReader, LogsInWithAnAccessTokenTheProviderVouchesFor)
{
    OAuthServer provider;
    ImapServer server(provider.url(u"introspect"_s));
    ASSERT_GT(server.port(), 0);
    writeBytes(provider.folder() + u"/access_tokens"_s, "token-1 9999999999\n");
    ImapLogin login = loginTo(server, QString());
    login.accessToken = u"token-1"_s;

    ImapReader reader;
    const auto opened = reader.open(login);
    EXPECT_TRUE(opened) << opened.error().message.toStdString();

    provider.expireAccessTokens();
    ImapReader expired;
    const auto refused = expired.open(login);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, ErrorKind::SenderRefused) << refused.error().message.toStdString();
}
