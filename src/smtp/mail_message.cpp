// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/mail_message.h"

#include "common/line_breaks.h"

#include <QLocale>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMaxHeaderLine = 78;
constexpr int kEncodedChunkBytes = 39; // 52 base64 characters: "Subject: " + word fits 78
constexpr int kBodyLineLength = 76;

bool hasControl(const QString& text)
{
    for (QChar c : text) {
        const auto category = c.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

bool isPrintableAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

// Encoded words of whole characters, folded one per line.
QByteArray encodedWords(const QString& text)
{
    QList<QByteArray> words;
    QByteArray chunk;
    for (char32_t codePoint : text.toUcs4()) {
        const QByteArray bytes = QString::fromUcs4(&codePoint, 1).toUtf8();
        if (chunk.size() + bytes.size() > kEncodedChunkBytes) {
            words.append(chunk);
            chunk.clear();
        }
        chunk += bytes;
    }
    words.append(chunk);
    QByteArrayList encoded;
    for (const QByteArray& word : words)
        encoded.append("=?UTF-8?B?" + word.toBase64() + "?=");
    return encoded.join("\r\n ");
}

QByteArray subjectHeader(const QString& subject)
{
    const QByteArray name = "Subject: ";
    if (isPrintableAscii(subject) && name.size() + subject.size() <= kMaxHeaderLine)
        return name + subject.toLatin1();
    return name + encodedWords(subject);
}

// The sender's name beside the address: quoted when plain ASCII, else encoded.
QByteArray fromHeader(const QString& name, const QString& address)
{
    const QByteArray angle = "<" + address.toUtf8() + ">";
    if (name.isEmpty())
        return "From: " + address.toUtf8();
    if (isPrintableAscii(name)) {
        QByteArray quoted = name.toLatin1();
        quoted.replace("\\", "\\\\").replace("\"", "\\\"");
        return "From: \"" + quoted + "\" " + angle;
    }
    return "From: " + encodedWords(name) + "\r\n " + angle;
}

QByteArray dateHeader(const QDateTime& sentAt)
{
    const int offset = sentAt.offsetFromUtc() / 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(offset < 0 ? QStringLiteral("-") : QStringLiteral("+"))
                             .arg(std::abs(offset) / 60, 2, 10, QChar(u'0'))
                             .arg(std::abs(offset) % 60, 2, 10, QChar(u'0'));
    const QString date = QLocale::c().toString(sentAt, QStringLiteral("ddd, d MMM yyyy HH:mm:ss"));
    return "Date: " + (date + u' ' + zone).toLatin1();
}

QByteArray base64Lines(const QByteArray& data)
{
    const QByteArray encoded = data.toBase64();
    QByteArray lines;
    for (qsizetype pos = 0; pos < encoded.size(); pos += kBodyLineLength)
        lines += encoded.mid(pos, kBodyLineLength) + "\r\n";
    return lines;
}

} // namespace

bool isPlainMailAddress(const QString& address)
{
    const qsizetype at = address.indexOf(u'@');
    if (at <= 0 || at == address.size() - 1 || address.count(u'@') != 1)
        return false;
    // Without SMTPUTF8 a non-ASCII address would go out as raw 8-bit bytes.
    return std::ranges::all_of(address, [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7F && c != u'<' && c != u'>';
    });
}

QString bodyWithDateLine(const QString& body, const QDateTime& sentAt)
{
    return body + QStringLiteral("\r\n") + sentAt.toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

Result<QByteArray> buildMailMessage(const OutgoingMail& mail, const QString& messageId)
{
    if (!isPlainMailAddress(mail.from))
        return fail(ErrorKind::InvalidInput,
                    QStringLiteral("送信者メールアドレス「%1」が正しくありません。").arg(mail.from));
    if (!isPlainMailAddress(mail.to))
        return fail(ErrorKind::InvalidInput,
                    QStringLiteral("宛先メールアドレス「%1」が正しくありません。").arg(mail.to));
    if (hasControl(mail.connection.fromName))
        return fail(ErrorKind::InvalidInput, QStringLiteral("差出人名に使えない制御文字が含まれています。"));
    if (hasControl(mail.subject))
        return fail(ErrorKind::InvalidInput, QStringLiteral("件名に使えない制御文字が含まれています。"));
    if (!mail.sentAt.isValid())
        return fail(ErrorKind::InvalidInput, QStringLiteral("送信日時がありません。"));
    if (!isPlainMailAddress(messageId))
        return fail(ErrorKind::InvalidInput, QStringLiteral("Message-ID が正しくありません。"));
    for (const QString& line : mail.headers)
        if (!isPrintableAscii(line) || !line.contains(u':'))
            return fail(ErrorKind::InvalidInput, QStringLiteral("ヘッダー「%1」が正しくありません。").arg(line));

    const QString body = withCrLf(bodyWithDateLine(mail.body, mail.sentAt));

    QByteArrayList headers{
        fromHeader(mail.connection.fromName, mail.from),
        "To: " + mail.to.toUtf8(),
        subjectHeader(mail.subject),
        dateHeader(mail.sentAt),
        "Message-ID: <" + messageId.toUtf8() + ">",
        "MIME-Version: 1.0",
        "Content-Type: text/plain; charset=UTF-8",
        "Content-Transfer-Encoding: base64",
    };
    for (const QString& line : mail.headers)
        headers << line.toLatin1();
    return headers.join("\r\n") + "\r\n\r\n" + base64Lines(body.toUtf8());
}

Result<QString> mailPreview(const OutgoingMail& mail)
{
    const auto message = buildMailMessage(mail, QStringLiteral("preview@") + mail.from.section(u'@', -1));
    if (!message)
        return std::unexpected(message.error());
    const QByteArray headers = message->left(message->indexOf("\r\n\r\n"));
    return QStringLiteral("宛先（RCPT TO）: %1\n送信者（MAIL FROM）: %2\n件名: %3\n\n"
                          "――― ヘッダー ―――\n%4\n\n――― 本文 ―――\n%5")
        .arg(mail.to, mail.from, mail.subject, QString::fromUtf8(headers).remove(u'\r'),
             withCrLf(bodyWithDateLine(mail.body, mail.sentAt)).remove(u'\r'));
}
