// SPDX-License-Identifier: GPL-3.0-or-later
#include "delivery/mailbox_settings.h"

#include "common/file_write.h"
#include "common/ini_section.h"
#include "smtp/endpoint.h"
#include "smtp/oauth.h"
#include "smtp/smtp_secret.h"
#include "smtp/smtp_settings.h"

#include <QDir>


namespace {

QString path(const QString& programDir) { return QDir(programDir).filePath(QStringLiteral("sender.ini")); }

Error malformed(const QString& key, const QString& value)
{
    return Error{ErrorKind::Format, QStringLiteral("sender.ini の [imap] の %1 の値「%2」が正しくありません。").arg(key, value)};
}

Result<void> apply(MailboxSettings& s, const IniEntry& entry)
{
    const QString& value = entry.value;
    if (entry.key == u"server") {
        s.server = value;
    } else if (entry.key == u"security") {
        const QString name = value.toLower();
        if (!name.isEmpty() && name != u"tls" && name != u"starttls" && name != u"none")
            return std::unexpected(malformed(entry.key, value));
        s.security = name == u"starttls" ? ImapSecurity::StartTls : name == u"none" ? ImapSecurity::None : ImapSecurity::Tls;
    } else if (entry.key == u"user") {
        s.user = value;
    } else if (entry.key == u"password") {
        s.password = value;
    } else if (entry.key == u"auth") {
        if (!value.isEmpty() && value != u"password" && value != u"oauth2")
            return std::unexpected(malformed(entry.key, value));
        s.oauth = value == u"oauth2";
    } else if (entry.key == u"folder" && !value.isEmpty()) {
        s.folder = value;
    }
    return {};
}

QString securityName(ImapSecurity security)
{
    switch (security) {
    case ImapSecurity::StartTls:
        return QStringLiteral("starttls");
    case ImapSecurity::None:
        return QStringLiteral("none");
    default:
        return QStringLiteral("tls");
    }
}

Result<AccessToken> oauthToken(const QString& programDir, const std::optional<SmtpSettings>& smtpLogin)
{
    auto smtp = smtpLogin ? Result<SmtpSettings>(*smtpLogin) : readSmtpLogin(programDir);
    if (!smtp)
        return std::unexpected(smtp.error());
    if (!smtp->oauth())
        return fail(ErrorKind::SenderRefused, QStringLiteral("sender.ini の [imap] は auth=oauth2 ですが、SMTP詳細設定のログイン方式が"
                                                             "OAuth 2.0 ではありません。"));
    return refreshAccessToken(*smtp);
}

} // namespace

Result<MailboxSettings> readMailboxSettings(const QString& programDir)
{
    const auto entries = readIniSection(path(programDir), QStringLiteral("imap"));
    if (!entries)
        return std::unexpected(entries.error());
    MailboxSettings s;
    for (const IniEntry& entry : *entries)
        if (auto applied = apply(s, entry); !applied)
            return std::unexpected(applied.error());
    if (!s.password.isEmpty() && othersMayRead(path(programDir)))
        return fail(ErrorKind::Io, QStringLiteral("sender.ini に受信箱のパスワードがありますが、他のユーザーも読める状態です。"
                                                  "安全のため使いません。\n「chmod 600 %1」で本人だけが読めるようにしてください。")
                                       .arg(path(programDir)));
    return s;
}

QString mailboxSection(const MailboxSettings& s)
{
    if (!s.configured())
        return {};
    QString text = QStringLiteral("[imap]\r\nserver=%1\r\nsecurity=%2\r\nuser=%3\r\n")
                       .arg(s.server, securityName(s.security), s.user);
    if (!s.password.isEmpty())
        text += QStringLiteral("password=%1\r\n").arg(s.password);
    if (s.oauth)
        text += QStringLiteral("auth=oauth2\r\n");
    return text + QStringLiteral("folder=%1\r\n").arg(s.folder);
}

Result<MailboxLogin> mailboxLogin(const QString& programDir, const MailboxSettings& s,
                                  const std::optional<SmtpSettings>& smtpLogin)
{
    const auto endpoint = parseSmtpServer(s.server);
    if (!endpoint)
        return fail(ErrorKind::Format, QStringLiteral("sender.ini の [imap] の server「%1」が正しくありません。").arg(s.server));
    MailboxLogin made;
    ImapLogin& login = made.login;
    login.host = endpoint->host;
    const bool portGiven = s.server.contains(u':') && !s.server.endsWith(u']');
    login.port = portGiven ? endpoint->port : s.security == ImapSecurity::Tls ? 993 : 143;
    login.security = s.security;
    login.user = s.user;
    login.folder = s.folder;
    if (s.oauth) {
        auto token = oauthToken(programDir, smtpLogin);
        if (!token)
            return std::unexpected(token.error());
        login.accessToken = token->token;
        made.renewedRefreshToken = token->refreshToken;
        return made;
    }
    login.password = s.password;
    if (login.password.isEmpty())
        login.password = readStoredPassword(QStringLiteral("imap:") + s.user, std::chrono::seconds(3)).value_or(QString());
    if (login.password.isEmpty())
        return fail(ErrorKind::SenderRefused, QStringLiteral("受信箱のパスワード（ユーザー「%1」）を読めません。sender.ini の [imap] に "
                                                             "password を書くか、パスワード保管場所に保存してください。")
                                                  .arg(s.user));
    return made;
}
