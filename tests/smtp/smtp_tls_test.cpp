// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/mail_transport.h"

#include "smtp_sink.h"
#include "test_support.h"

#include <QJsonArray>
#include <QLoggingCategory>
#include <QJsonObject>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

OutgoingMail mailTo(const QString& server, const SmtpSettings& connection)
{
    return OutgoingMail{server, u"shop@example.jp"_s, u"hanako@example.jp"_s, u"ご案内"_s, u"山田様"_s,
                        QDateTime(QDate(2026, 12, 8), QTime(9, 7, 5), QTimeZone(9 * 3600)), connection};
}

SmtpSettings login(SmtpSecurity security, const QString& password, const QString& caFile)
{
    SmtpSettings s;
    s.security = security;
    s.user = u"shop"_s;
    s.password = password;
    s.caFile = caFile;
    return s;
}

} // namespace

// A provider's submission port: STARTTLS first, then a login, then the mail.
TEST(SmtpTls, StartTlsWithLoginDeliversAndEveryRefusalSendsNothing)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin());
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport(std::chrono::seconds(5), std::chrono::seconds(10));

    const auto wrong = transport.send(mailTo(sink.server(), login(SmtpSecurity::StartTls, u"guess"_s, certificate.cert())));
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.error().kind, ErrorKind::SenderRefused);
    EXPECT_TRUE(wrong.error().message.contains(u"535"_s)) << wrong.error().message.toStdString();
    EXPECT_TRUE(wrong.error().message.contains(u"ログイン"_s)) << wrong.error().message.toStdString();
    EXPECT_FALSE(wrong.error().message.contains(u"guess"_s));

    const auto untrusted = transport.send(mailTo(sink.server(), login(SmtpSecurity::StartTls, u"secret"_s, {})));
    ASSERT_FALSE(untrusted);
    EXPECT_EQ(untrusted.error().kind, ErrorKind::ConnectFailed);
    EXPECT_TRUE(untrusted.error().message.contains(u"証明書"_s)) << untrusted.error().message.toStdString();
    EXPECT_TRUE(sink.received().isEmpty());

    SmtpSettings right = login(SmtpSecurity::StartTls, u"secret"_s, certificate.cert());
    right.fromName = u"山田商店"_s;
    const auto sent = transport.send(mailTo(sink.server(), right));
    ASSERT_TRUE(sent) << sent.error().message.toStdString();
    const QList<QJsonObject> mails = sink.received();
    ASSERT_EQ(mails.size(), 1);
    EXPECT_EQ(mails.first()[u"from"_s].toString(), u"山田商店 <shop@example.jp>"_s);
    EXPECT_EQ(mails.first()[u"rcpt_tos"_s].toArray().first().toString(), u"hanako@example.jp"_s);
}

TEST(SmtpTls, ConnectionTestShowsTheLoginOrWhyNot)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin());
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport(std::chrono::seconds(5), std::chrono::seconds(10));

    const auto ok = transport.testConnection(sink.server(), login(SmtpSecurity::StartTls, u"secret"_s, certificate.cert()));
    ASSERT_TRUE(ok) << ok.error().message.toStdString();
    EXPECT_TRUE(ok->contains(u"235"_s)) << ok->toStdString();

    const auto refused = transport.testConnection(sink.server(), login(SmtpSecurity::StartTls, u"guess"_s, certificate.cert()));
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().message.contains(u"535"_s)) << refused.error().message.toStdString();

    const auto untrusted = transport.testConnection(sink.server(), login(SmtpSecurity::StartTls, u"secret"_s, {}));
    ASSERT_FALSE(untrusted);
    EXPECT_TRUE(untrusted.error().message.contains(u"Ladderpost test server"_s)) << untrusted.error().message.toStdString();
    EXPECT_TRUE(untrusted.error().message.contains(u"Expire"_s)) << untrusted.error().message.toStdString();
    EXPECT_TRUE(sink.received().isEmpty());
}

// Never in clear: no STARTTLS offered, or a login asked over plain text to a remote server.
TEST(SmtpTls, WithoutEncryptionNothingGoes)
{
    SmtpSink plain;
    ASSERT_GT(plain.port(), 0);
    CurlMailTransport transport(std::chrono::seconds(5), std::chrono::seconds(10));

    const auto clear = transport.send(mailTo(plain.server(), login(SmtpSecurity::StartTls, u"secret"_s, {})));
    ASSERT_FALSE(clear);
    EXPECT_EQ(clear.error().kind, ErrorKind::ConnectFailed);
    EXPECT_TRUE(clear.error().message.contains(u"STARTTLS"_s)) << clear.error().message.toStdString();
    EXPECT_TRUE(plain.received().isEmpty());

    SmtpSettings chosen = login(SmtpSecurity::None, u"secret"_s, {});
    chosen.securityChosen = true;
    const auto remote = transport.send(mailTo(u"mail.invalid:587"_s, chosen));
    ASSERT_FALSE(remote);
    EXPECT_EQ(remote.error().kind, ErrorKind::InvalidInput);

    // A login in clear to this machine only when "none" was chosen, not by default.
    SmtpSink local({u"--auth"_s, u"shop:secret"_s});
    ASSERT_GT(local.port(), 0);
    const auto unchosen = transport.send(mailTo(local.server(), login(SmtpSecurity::None, u"secret"_s, {})));
    ASSERT_FALSE(unchosen);
    EXPECT_EQ(unchosen.error().kind, ErrorKind::InvalidInput);
    EXPECT_TRUE(local.received().isEmpty());
    const auto sent = transport.send(mailTo(local.server(), chosen));
    ASSERT_TRUE(sent) << sent.error().message.toStdString();
    EXPECT_EQ(local.received().size(), 1);
}

TEST(SmtpTls, ImplicitTlsDelivers)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink({u"--tls"_s, certificate.cert(), certificate.key(), u"--auth"_s, u"shop:secret"_s});
    ASSERT_GT(sink.port(), 0);
    CurlMailTransport transport(std::chrono::seconds(5), std::chrono::seconds(10));
    const auto sent = transport.send(mailTo(sink.server(), login(SmtpSecurity::Tls, u"secret"_s, certificate.cert())));
    ASSERT_TRUE(sent) << sent.error().message.toStdString();
    ASSERT_EQ(sink.received().size(), 1);
    EXPECT_EQ(sink.received().first()[u"subject"_s].toString(), u"ご案内"_s);
}

namespace {

QStringList transcript;

void keepTranscript(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (QByteArrayView(context.category) == "lp.smtp")
        transcript << message;
}

} // namespace

// Switched on for a misbehaving provider, the transcript shows the conversation
// and never the password or the customer's mail.
TEST(SmtpTls, TranscriptLeavesOutTheLoginAndTheMail)
{
    const SelfSigned& certificate = SelfSigned::shared();
    SmtpSink sink(startTlsLogin());
    ASSERT_GT(sink.port(), 0);
    QLoggingCategory::setFilterRules(u"lp.smtp.debug=true"_s);
    const QtMessageHandler earlier = qInstallMessageHandler(keepTranscript);
    const auto sent = CurlMailTransport(std::chrono::seconds(5), std::chrono::seconds(10))
                          .send(mailTo(sink.server(), login(SmtpSecurity::StartTls, u"secret"_s, certificate.cert())));
    qInstallMessageHandler(earlier);
    QLoggingCategory::setFilterRules(QString());
    ASSERT_TRUE(sent) << sent.error().message.toStdString();

    const QString text = transcript.join(u'\n');
    EXPECT_TRUE(text.contains(u"C: STARTTLS"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"C: MAIL FROM:<shop@example.jp>"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"S: 235"_s)) << text.toStdString();
    for (const QString& secret : {u"secret"_s, u"AHNob3AAc2VjcmV0"_s, u"c2VjcmV0"_s, u"山田様"_s})
        EXPECT_FALSE(text.contains(secret)) << secret.toStdString() << "\n" << text.toStdString();
}
