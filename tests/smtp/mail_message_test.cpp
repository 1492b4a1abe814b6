// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/mail_message.h"
#include "smtp/endpoint.h"
#include "smtp/mail_transport.h"

#include "test_support.h"

#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>

namespace {

OutgoingMail mail()
{
    return OutgoingMail{u"127.0.0.1"_s, u"shop@example.jp"_s, u"hanako@example.jp"_s, u"ご案内"_s,
                        u"山田様\nこんにちは"_s,
                        QDateTime(QDate(2005, 2, 9), QTime(8, 5, 3), QTimeZone(9 * 3600))};
}

struct Parts {
    QByteArrayList headerLines;
    QByteArray body;
};

Parts split(const QByteArray& message)
{
    const qsizetype gap = message.indexOf("\r\n\r\n");
    return {message.left(gap).split('\n'), message.mid(gap + 4)};
}

QByteArray header(const Parts& parts, const QByteArray& name)
{
    for (const QByteArray& line : parts.headerLines) {
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2).trimmed();
    }
    return {};
}

} // namespace

TEST(MailMessage, HeadersAndBodyAreWellFormed)
{
    const QByteArray message = buildMailMessage(mail(), u"id1@example.jp"_s).value();
    EXPECT_FALSE(message.contains("\n\n"));
    EXPECT_EQ(message.count('\n'), message.count("\r\n"));  // no bare LF anywhere

    const Parts parts = split(message);
    EXPECT_EQ(header(parts, "From"), QByteArray("shop@example.jp"));
    EXPECT_EQ(header(parts, "To"), QByteArray("hanako@example.jp"));
    EXPECT_EQ(header(parts, "Date"), QByteArray("Wed, 9 Feb 2005 08:05:03 +0900"));
    EXPECT_EQ(header(parts, "Message-ID"), QByteArray("<id1@example.jp>"));
    EXPECT_EQ(header(parts, "MIME-Version"), QByteArray("1.0"));
    EXPECT_EQ(header(parts, "Content-Type"), QByteArray("text/plain; charset=UTF-8"));
    EXPECT_EQ(header(parts, "Content-Transfer-Encoding"), QByteArray("base64"));
    EXPECT_EQ(header(parts, "Subject"), QByteArray("=?UTF-8?B?44GU5qGI5YaF?="));

    EXPECT_EQ(QByteArray::fromBase64(parts.body),
              u"山田様\r\nこんにちは\r\n2005/02/09 8:05:03"_s.toUtf8());
}

TEST(MailMessage, LongLinesAreFoldedOrWrapped)
{
    OutgoingMail m = mail();
    m.subject = QString(60, u'件');
    m.body = QString(500, u'x');
    const QByteArray message = buildMailMessage(m, u"id@example.jp"_s).value();
    const Parts parts = split(message);
    for (const QByteArray& line : parts.headerLines)
        EXPECT_LE(line.trimmed().size(), 78) << line.constData();
    for (const QByteArray& line : parts.body.split('\n'))
        EXPECT_LE(line.trimmed().size(), 76);

    m.subject = QString(100, u'a');
    const Parts ascii = split(buildMailMessage(m, u"id@example.jp"_s).value());
    for (const QByteArray& line : ascii.headerLines)
        EXPECT_LE(line.trimmed().size(), 78) << line.constData();

    m.subject = u"Short plain subject"_s;
    EXPECT_EQ(header(split(buildMailMessage(m, u"id@example.jp"_s).value()), "Subject"),
              QByteArray("Short plain subject"));
}

TEST(MailMessage, HeaderInjectionAndMalformedAddressesAreRefused)
{
    const QList<std::function<void(OutgoingMail&)>> spoilers{
        [](OutgoingMail& m) { m.subject = u"hi\r\nBcc: all@example.jp"_s; },
        [](OutgoingMail& m) { m.subject = u"tab\tinside"_s; },
        [](OutgoingMail& m) { m.to = u"a@example.jp\nBcc: b@example.jp"_s; },
        [](OutgoingMail& m) { m.from = u"shop@example.jp\r"_s; },
        [](OutgoingMail& m) { m.to = u"no-at-sign"_s; },
        [](OutgoingMail& m) { m.to = u"two@@example.jp"_s; },
        [](OutgoingMail& m) { m.to = u"@example.jp"_s; },
        [](OutgoingMail& m) { m.from = u"shop@"_s; },
        [](OutgoingMail& m) { m.to = u"a@example.jp> NOTIFY=NEVER"_s; },
        [](OutgoingMail& m) { m.to = QString(); },
        [](OutgoingMail& m) { m.sentAt = QDateTime(); },
    };
    for (const auto& spoil : spoilers) {
        OutgoingMail m = mail();
        spoil(m);
        const auto built = buildMailMessage(m, u"id@example.jp"_s);
        ASSERT_FALSE(built) << m.to.toStdString() << " / " << m.subject.toStdString();
        EXPECT_EQ(built.error().kind, ErrorKind::InvalidInput);
    }
}

TEST(MailMessage, ServerNameTakesAnOptionalPort)
{
    EXPECT_EQ(parseSmtpServer(u"mail.example.jp"_s)->port, 25);
    EXPECT_EQ(parseSmtpServer(u" mail.example.jp:2525 "_s)->port, 2525);
    EXPECT_EQ(parseSmtpServer(u"mail.example.jp:2525"_s)->host, u"mail.example.jp"_s);
    EXPECT_EQ(parseSmtpServer(u"[::1]:26"_s)->host, u"::1"_s);
    for (const QString& bad : {u""_s, u"host:0"_s, u"host:x"_s, u"host:70000"_s, u"evil/path"_s,
                               u"a b"_s, u"ho\nst"_s, u"user@host"_s}) {
        const auto parsed = parseSmtpServer(bad);
        ASSERT_FALSE(parsed) << bad.toStdString();
        EXPECT_EQ(parsed.error().kind, ErrorKind::InvalidInput);
    }
}
