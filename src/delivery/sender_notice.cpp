// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/sender_notice.h"

#include "common/cp932.h"
#include "common/file_write.h"
#include "common/ini_section.h"
#include "delivery/mailbox_settings.h"

#include <QDir>
#include <QFile>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>
#include <array>
#include <utility>

namespace {

const std::array<std::pair<const char16_t*, QString SenderNotice::*>, 5> kKeys{{
    {u"name", &SenderNotice::name},
    {u"postal_address", &SenderNotice::postalAddress},
    {u"contact", &SenderNotice::contact},
    {u"unsubscribe_address", &SenderNotice::unsubscribeAddress},
    {u"unsubscribe_url", &SenderNotice::unsubscribeUrl},
}};

QString path(const QString& programDir) { return QDir(programDir).filePath(QStringLiteral("sender.ini")); }

} // namespace

bool SenderNotice::complete() const
{
    return !name.isEmpty() && !postalAddress.isEmpty() && !contact.isEmpty() && !unsubscribeAddress.isEmpty();
}

Result<SenderNotice> readSenderNotice(const QString& programDir)
{
    const auto entries = readIniSection(path(programDir), QStringLiteral("sender"));
    if (!entries)
        return std::unexpected(entries.error());
    SenderNotice notice;
    for (const IniEntry& entry : *entries)
        for (const auto& [name, field] : kKeys)
            if (entry.key == QStringView(name))
                notice.*field = entry.value;
    return notice;
}

Result<void> writeSenderNotice(const QString& programDir, const SenderNotice& notice)
{
    // The mailbox's section shares the file and must outlive an edit of the notice.
    const auto mailbox = readMailboxSettings(programDir);
    if (!mailbox)
        return std::unexpected(mailbox.error());
    return writeSenderFile(programDir, notice, *mailbox);
}

Result<void> writeSenderFile(const QString& programDir, const SenderNotice& notice, const MailboxSettings& mailbox)
{
    QStringList values{mailbox.server, mailbox.user, mailbox.password, mailbox.folder};
    QString text = QStringLiteral("[sender]\r\n");
    for (const auto& [name, field] : kKeys) {
        text += QString::fromUtf16(name) + u'=' + (notice.*field).trimmed() + QStringLiteral("\r\n");
        values << notice.*field;
    }
    // A line break in a value would start a line of its own in the file.
    if (std::ranges::any_of(values, [](const QString& v) { return v.contains(u'\n') || v.contains(u'\r'); }))
        return fail(ErrorKind::InvalidInput, QStringLiteral("配信者情報に改行は入れられません。"));
    text += mailboxSection(mailbox);
    if (const QString lost = unencodableInCp932(text); !lost.isEmpty())
        return fail(ErrorKind::InvalidInput, QStringLiteral("配信者情報に保存できない文字があります: %1").arg(lost));
    auto written = writeWholeFile(path(programDir), toCp932(text), FileAccess::OwnerOnly);
    if (!written)
        return fail(written.error().kind, QStringLiteral("sender.ini を保存できませんでした: %1").arg(written.error().message));
    return {};
}

QString noticeFooter(const SenderNotice& n)
{
    if (n.name.isEmpty() && n.postalAddress.isEmpty() && n.contact.isEmpty() && n.unsubscribeAddress.isEmpty())
        return {};
    QString refuse = QStringLiteral("このメールの受信を希望されない場合は、%1 へその旨をお送りください。").arg(n.unsubscribeAddress);
    if (!n.unsubscribeUrl.isEmpty())
        refuse += QStringLiteral("%1 からも配信を停止できます。").arg(n.unsubscribeUrl);
    return QStringLiteral("\n\n――――――――――――――――――――\n送信者: %1\n住所: %2\n苦情・問合せ先: %3\n受信拒否の連絡先: %4\n%5")
        .arg(n.name, n.postalAddress, n.contact, n.unsubscribeAddress, refuse);
}

QString optOutToken(const QByteArray& key, const QString& list, int record, const QString& address)
{
    const QByteArray message = (list + u'\n' + QString::number(record) + u'\n' + address.toLower()).toUtf8();
    const QByteArray mac = QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256).left(12);
    return QString::number(record) + u'-'
           + QString::fromLatin1(mac.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

Result<QByteArray> optOutKey(const QString& programDir)
{
    const QString keyPath = QDir(programDir).filePath(QStringLiteral("opt-out.key"));
    QFile file(keyPath);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray key = file.readAll();
        if (key.size() == 32)
            return key;
        return fail(ErrorKind::Format, QStringLiteral("%1 が壊れています（配信停止の照合に使う鍵です）。").arg(keyPath));
    }
    QByteArray key(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(key.begin(), key.end());
    if (auto written = writeWholeFile(keyPath, key, FileAccess::OwnerOnly); !written)
        return std::unexpected(written.error());
    return key;
}

QStringList unsubscribeHeaders(const SenderNotice& notice, const QString& token)
{
    if (notice.unsubscribeAddress.isEmpty())
        return {};
    const QString mailto = QStringLiteral("<mailto:%1?subject=%2>")
                               .arg(notice.unsubscribeAddress,
                                    QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("unsubscribe ") + token)));
    if (notice.unsubscribeUrl.isEmpty())
        return {QStringLiteral("List-Unsubscribe: ") + mailto};
    QString url = QUrl(notice.unsubscribeUrl).toString(QUrl::FullyEncoded);
    url += (url.contains(u'?') ? u'&' : u'?') + QStringLiteral("t=") + token;
    return {QStringLiteral("List-Unsubscribe: <%1>, %2").arg(url, mailto),
            QStringLiteral("List-Unsubscribe-Post: List-Unsubscribe=One-Click")};
}
