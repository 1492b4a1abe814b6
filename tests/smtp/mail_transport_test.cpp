// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/endpoint.h"
#include "smtp/mail_transport.h"

#include "smtp_sink.h"
#include "test_support.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A loopback port nobody listens on: bound once by us, then released.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// A loopback listener that takes connections and never says a word.
class SilentServer {
public:
    SilentServer()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 && ::listen(fd_, 4) == 0
            && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

OutgoingMail mailTo(const QString& server, const QString& to)
{
    return OutgoingMail{server, u"shop@example.jp"_s, to, u"第３回のご案内：山田様へ"_s,
                        u"山田様\nいつもありがとうございます。"_s,
                        QDateTime(QDate(2026, 12, 8), QTime(9, 7, 5), QTimeZone(9 * 3600))};
}

} // namespace

TEST(CurlTransport, MailArrivesWithJapaneseSubjectBodyAndDateLine)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport;
    const auto sent = transport.send(mailTo(sink.server(), u"hanako@example.jp"_s));
    ASSERT_TRUE(sent) << sent.error().message.toStdString();

    const QList<QJsonObject> mails = sink.received();
    ASSERT_EQ(mails.size(), 1);
    const QJsonObject& got = mails.first();
    EXPECT_EQ(got[u"mail_from"_s].toString(), u"shop@example.jp"_s);
    EXPECT_EQ(got[u"rcpt_tos"_s].toArray().first().toString(), u"hanako@example.jp"_s);
    EXPECT_EQ(got[u"subject"_s].toString(), u"第３回のご案内：山田様へ"_s);
    EXPECT_EQ(got[u"from"_s].toString(), u"shop@example.jp"_s);
    EXPECT_EQ(got[u"to"_s].toString(), u"hanako@example.jp"_s);
    // Python re-renders the parsed date, so a malformed one would not come back.
    EXPECT_EQ(got[u"date"_s].toString(), u"Tue, 08 Dec 2026 09:07:05 +0900"_s);
    EXPECT_EQ(got[u"body"_s].toString(),
              u"山田様\r\nいつもありがとうございます。\r\n2026/12/08 9:07:05"_s);
}

TEST(CurlTransport, ClosedPortIsAConnectionFailure)
{
    CurlMailTransport transport;
    QElapsedTimer timer;
    timer.start();
    const auto sent = transport.send(mailTo(u"127.0.0.1:%1"_s.arg(closedPort()), u"a@example.jp"_s));
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().kind, ErrorKind::ConnectFailed);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(CurlTransport, RefusedRecipientIsToldApart)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport;
    const auto sent = transport.send(mailTo(sink.server(), u"refused@example.jp"_s));
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().kind, ErrorKind::RecipientRefused);
    EXPECT_TRUE(sent.error().message.contains(u"550"_s)) << sent.error().message.toStdString();
    EXPECT_TRUE(sink.received().isEmpty());
}

TEST(CurlTransport, InjectionIsRefusedBeforeAnyConnection)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport;
    OutgoingMail injected = mailTo(sink.server(), u"a@example.jp"_s);
    injected.subject = u"hi\r\nBcc: everyone@example.jp"_s;
    auto sent = transport.send(injected);
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().kind, ErrorKind::InvalidInput);
    EXPECT_TRUE(sink.received().isEmpty());

    // Against a closed port a connection attempt would show as ConnectFailed.
    injected.server = u"127.0.0.1:%1"_s.arg(closedPort());
    injected.subject = u"ok"_s;
    injected.to = u"a@example.jp\r\nRCPT TO:<b@example.jp>"_s;
    sent = transport.send(injected);
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().kind, ErrorKind::InvalidInput);
}

TEST(CurlTransport, SilentServerFailsWithinTheTransferTimeout)
{
    SilentServer server;
    ASSERT_GT(server.port(), 0);
    // The kernel completes the handshake from the listen queue; the wait is for the greeting.
    CurlMailTransport transport(std::chrono::seconds(2), std::chrono::seconds(2));
    QElapsedTimer timer;
    timer.start();
    const auto sent = transport.send(mailTo(u"127.0.0.1:%1"_s.arg(server.port()), u"a@example.jp"_s));
    ASSERT_FALSE(sent);
    EXPECT_NE(sent.error().kind, ErrorKind::InvalidInput);
    EXPECT_LT(timer.elapsed(), 5000);
}

// What the send run decides depends on where the conversation broke off.
TEST(CurlTransport, EachWayTheServerSaysNoIsToldApart)
{
    SmtpSink sink;
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport(std::chrono::seconds(2), std::chrono::seconds(2));
    const auto kindFor = [&](const QString& to) {
        const auto sent = transport.send(mailTo(sink.server(), to));
        return sent ? std::pair{ErrorKind::Io, QString()} : std::pair{sent.error().kind, sent.error().message};
    };

    EXPECT_EQ(kindFor(u"badcontent@example.jp"_s).first, ErrorKind::MessageRefused);
    EXPECT_EQ(kindFor(u"later@example.jp"_s).first, ErrorKind::TemporaryFailure);
    const auto [hangupKind, hangupText] = kindFor(u"hangup@example.jp"_s);
    EXPECT_EQ(hangupKind, ErrorKind::ConnectionLost);
    // The port may hold the digits 250 too.
    EXPECT_FALSE(QString(hangupText).remove(sink.server()).contains(u"250"_s)) << hangupText.toStdString();
    EXPECT_TRUE(hangupText.contains(u"RCPT"_s)) << hangupText.toStdString();

    // Quiet after the whole message: it may have arrived, and the wait is bounded.
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(kindFor(u"silent@example.jp"_s).first, ErrorKind::Uncertain);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(sink.received().isEmpty());

    // A 421 after the greeting, or a cut before the final ".": this session is over, the mail did not go.
    EXPECT_EQ(kindFor(u"closeonce@example.jp"_s).first, ErrorKind::ConnectionLost);
    OutgoingMail large = mailTo(sink.server(), u"cutonce@example.jp"_s);
    large.body = QString(u"本文の行です。\n"_s).repeated(400000); // more than the line's buffers hold
    const auto cut = transport.send(large);
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().kind, ErrorKind::ConnectionLost) << cut.error().message.toStdString();
    EXPECT_TRUE(sink.received().isEmpty());

    SmtpSink busy(0, SmtpSink::Greeting::Busy421);
    const auto sent = transport.send(mailTo(busy.server(), u"a@example.jp"_s));
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().kind, ErrorKind::ConnectFailed);
    EXPECT_TRUE(sent.error().message.contains(u"421"_s)) << sent.error().message.toStdString();
}

TEST(CurlTransport, NonAsciiAddressIsRefusedBeforeAnyConnection)
{
    CurlMailTransport transport;
    const auto sent = transport.send(mailTo(u"127.0.0.1:%1"_s.arg(closedPort()), u"山田@example.com"_s));
    ASSERT_FALSE(sent);
    EXPECT_EQ(sent.error().kind, ErrorKind::InvalidInput);
}

// A password goes in clear only to this machine; a name that merely starts like its address is elsewhere.
TEST(Endpoint, OnlyThisMachineIsLoopback)
{
    for (const QString& here : {u"localhost"_s, u"127.0.0.1"_s, u"127.1.2.3"_s, u"::1"_s, u"[::1]"_s})
        EXPECT_TRUE(isLoopbackHost(here)) << here.toStdString();
    for (const QString& elsewhere : {u"127.evil.example"_s, u"mail.example.jp"_s, u"192.0.2.1"_s, u""_s})
        EXPECT_FALSE(isLoopbackHost(elsewhere)) << elsewhere.toStdString();
}
