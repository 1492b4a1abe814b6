// SPDX-License-Identifier: GPL-3.0-or-later
#include "smtp/smtp_settings.h"

#include "common/cp932.h"
#include "common/file_write.h"
#include "common/ini_section.h"
#include "smtp/smtp_secret.h"

#include <QDir>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>


namespace {

const QString kSection = QStringLiteral("[smtp]");
constexpr std::chrono::seconds kSecretStoreWait{3};

QString account(const SmtpSettings& s) { return (s.oauth() ? QStringLiteral("oauth:") : QStringLiteral("smtp:")) + s.user; }

// The OAuth keys, written only for an OAuth login.
const std::array<std::pair<const char16_t*, QString SmtpSettings::*>, 8> kOAuthKeys{{
    {u"oauth_provider", &SmtpSettings::oauthProvider},
    {u"oauth_client_id", &SmtpSettings::oauthClientId},
    {u"oauth_client_secret", &SmtpSettings::oauthClientSecret},
    {u"oauth_tenant", &SmtpSettings::oauthTenant},
    {u"oauth_authorize_url", &SmtpSettings::oauthAuthorizeUrl},
    {u"oauth_token_url", &SmtpSettings::oauthTokenUrl},
    {u"oauth_scope", &SmtpSettings::oauthScope},
    {u"oauth_refresh_token", &SmtpSettings::oauthRefreshToken},
}};

Error passwordUnreachable(const SmtpSettings& s)
{
    const QString user = s.user;
    if (s.oauth())
        return Error{ErrorKind::SenderRefused,
                     QStringLiteral("OAuth 2.0 のサインイン情報（ユーザー「%1」）がありません。SMTP詳細設定でサインインし直してください。"
                                    "ウィンドウを閉じていても送るには、サインイン情報をこのコンピューターのファイルに保存してください。")
                         .arg(user)};
    return Error{ErrorKind::SenderRefused,
                 QStringLiteral("SMTPのパスワード（ユーザー「%1」）を読めません。デスクトップのパスワード保管場所が"
                                "応答しないか、ロックされています。ウィンドウを閉じていても送るには、"
                                "SMTP詳細設定でパスワードを入れ直し、このコンピューターのファイルに保存してください。")
                     .arg(user)};
}

QString securityName(const SmtpSettings& s)
{
    switch (s.security) {
    case SmtpSecurity::StartTls:
        return QStringLiteral("starttls");
    case SmtpSecurity::Tls:
        return QStringLiteral("tls");
    default:
        return s.securityChosen ? QStringLiteral("none") : QString();
    }
}

Error malformed(const QString& key, const QString& value)
{
    return Error{ErrorKind::Format, QStringLiteral("smtp.ini の %1 の値「%2」が正しくありません。").arg(key, value)};
}

Result<void> apply(SmtpSettings& s, const QString& key, const QString& value)
{
    bool ok = true;
    if (key == u"port") {
        const int port = value.toInt(&ok);
        ok = value.isEmpty() || (ok && port > 0 && port < 65536);
        s.port = value.isEmpty() ? std::nullopt : std::optional<int>(port);
    } else if (key == u"security") {
        const QString name = value.toLower();
        ok = name.isEmpty() || name == u"none" || name == u"starttls" || name == u"tls";
        s.securityChosen = !name.isEmpty();
        s.security = name == u"starttls" ? SmtpSecurity::StartTls
                     : name == u"tls"    ? SmtpSecurity::Tls
                                         : SmtpSecurity::None;
    } else if (key == u"user") {
        s.user = value;
    } else if (key == u"password") {
        s.password = value;
    } else if (key == u"from_name") {
        s.fromName = value;
    } else if (key == u"pause_seconds") {
        const double seconds = value.isEmpty() ? 6.912 : QLocale::c().toDouble(value, &ok);
        ok = ok && std::isfinite(seconds) && seconds >= 0 && seconds <= 3600;
        s.pauseSeconds = seconds;
    } else if (key == u"ca_file") {
        s.caFile = value;
    } else if (key == u"max_per_connection") {
        s.maxPerConnection = value.isEmpty() ? 100 : value.toInt(&ok);
        ok = ok && s.maxPerConnection >= 1 && s.maxPerConnection <= 100000;
    } else if (key == u"auth") {
        ok = value.isEmpty() || value == u"password" || value == u"oauth2";
        s.auth = value == u"oauth2" ? SmtpAuth::OAuth2 : SmtpAuth::Password;
    } else if (const auto oauthKey = std::ranges::find(kOAuthKeys, key, [](const auto& k) { return QStringView(k.first); });
               oauthKey != kOAuthKeys.end()) {
        s.*(oauthKey->second) = value;
    } else if (key == u"notify_sent") {
        ok = value.isEmpty() || value == u"0" || value == u"1";
        s.notifySent = value == u"1";
    } else if (key == u"catch_up_days" || key == u"retry_days") {
        const int days = value.isEmpty() ? (key == u"retry_days" ? 3 : 7) : value.toInt(&ok);
        ok = ok && days >= 0 && days <= 365;
        (key == u"retry_days" ? s.retryDays : s.catchUpDays) = days;
    }
    if (!ok)
        return std::unexpected(malformed(key, value));
    return {};
}

} // namespace

std::chrono::milliseconds SmtpSettings::pause() const
{
    return std::chrono::milliseconds(std::llround(pauseSeconds * 1000));
}

QString smtpSettingsPath(const QString& programDir) { return QDir(programDir).filePath(QStringLiteral("smtp.ini")); }

Result<SmtpSettings> readSmtpSettings(const QString& programDir)
{
    auto s = readSmtpFile(programDir);
    if (s && !s->user.isEmpty() && s->secret().isEmpty())
        s->secret() = readStoredPassword(account(*s), kSecretStoreWait).value_or(QString());
    return s;
}

Result<SmtpSettings> readSmtpLogin(const QString& programDir)
{
    auto s = readSmtpSettings(programDir);
    if (s && !s->user.isEmpty() && s->secret().isEmpty())
        return std::unexpected(passwordUnreachable(*s));
    return s;
}

void askLoginPassword(SmtpSettings settings, QObject* context, std::function<void(Result<SmtpSettings>)> done)
{
    if (settings.user.isEmpty() || !settings.secret().isEmpty())
        return done(settings);
    const QString name = account(settings);
    askStoredPassword(name, kSecretStoreWait, context,
                      [settings = std::move(settings), done = std::move(done)](Result<QString> secret) mutable {
                          if (!secret || secret->isEmpty())
                              return done(std::unexpected(passwordUnreachable(settings)));
                          settings.secret() = *secret;
                          done(settings);
                      });
}

Result<SmtpSettings> readSmtpFile(const QString& programDir)
{
    const QString path = smtpSettingsPath(programDir);
    const auto entries = readIniSection(path, QStringLiteral("smtp"));
    if (!entries)
        return std::unexpected(entries.error());
    SmtpSettings s;
    for (const IniEntry& entry : *entries)
        if (auto applied = apply(s, entry.key, entry.value); !applied)
            return std::unexpected(applied.error());
    if ((!s.password.isEmpty() || !s.oauthRefreshToken.isEmpty() || !s.oauthClientSecret.isEmpty()) && othersMayRead(path))
        return fail(ErrorKind::Io,
                    QStringLiteral("smtp.ini にパスワードがありますが、他のユーザーも読める状態です。"
                                   "安全のため使いません。\n"
                                   "「chmod 600 %1」で本人だけが読めるようにしてください。")
                        .arg(path));
    return s;
}

void storeSmtpSettings(const QString& programDir, const SmtpSettings& settings, QObject* context,
                       std::function<void(Result<void>)> done)
{
    if (settings.user.isEmpty() || settings.secret().isEmpty())
        return done(writeSmtpSettings(programDir, settings));
    keepStoredPassword(account(settings), settings.secret(), kSecretStoreWait, context,
                       [programDir, settings, done = std::move(done)](Result<void> kept) {
                           SmtpSettings file = settings;
                           if (kept)
                               file.secret().clear();
                           done(writeSmtpSettings(programDir, file));
                       });
}

Result<void> storeNotifySent(const QString& programDir, bool on)
{
    auto file = readSmtpFile(programDir);
    if (!file)
        return std::unexpected(file.error());
    file->notifySent = on;
    return writeSmtpSettings(programDir, *file);
}

void keepSecret(const QString& programDir, const QString& secret, QObject* context,
                       std::function<void(Result<void>)> done)
{
    auto file = readSmtpFile(programDir);
    if (!file)
        return done(std::unexpected(file.error()));
    const bool inFile = !file->secret().isEmpty();
    file->secret() = secret;
    if (inFile)
        return done(writeSmtpSettings(programDir, *file));
    storeSmtpSettings(programDir, *file, context, std::move(done));
}

Result<void> writeSmtpSettings(const QString& programDir, const SmtpSettings& s)
{
    QStringList values{s.port ? QString::number(*s.port) : QString(), securityName(s), s.user,
                       s.password, s.fromName, QLocale::c().toString(s.pauseSeconds, 'g', 10), s.caFile,
                       QString::number(s.catchUpDays), QString::number(s.retryDays),
                       QString::number(s.maxPerConnection), s.notifySent ? QStringLiteral("1") : QStringLiteral("0")};
    QStringList keys{QStringLiteral("port"),      QStringLiteral("security"),      QStringLiteral("user"),
                     QStringLiteral("password"),  QStringLiteral("from_name"),     QStringLiteral("pause_seconds"),
                     QStringLiteral("ca_file"),   QStringLiteral("catch_up_days"), QStringLiteral("retry_days"),
                     QStringLiteral("max_per_connection"), QStringLiteral("notify_sent")};
    if (s.oauth()) {
        keys << QStringLiteral("auth");
        values << QStringLiteral("oauth2");
        for (const auto& [key, field] : kOAuthKeys) {
            keys << QString::fromUtf16(key);
            values << s.*field;
        }
    }
    QString text = kSection + QStringLiteral("\r\n");
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString& value = values[i];
        if (value.contains(u'\n') || value.contains(u'\r') || value != value.trimmed())
            return fail(ErrorKind::InvalidInput,
                        QStringLiteral("%1 の前後の空白や改行は保存できません。").arg(keys[i]));
        if (const QString lost = unencodableInCp932(value); !lost.isEmpty())
            return fail(ErrorKind::InvalidInput,
                        QStringLiteral("%1 に保存できない文字があります: %2").arg(keys[i], lost));
        text += keys[i] + u'=' + value + QStringLiteral("\r\n");
    }
    auto written = writeWholeFile(smtpSettingsPath(programDir), toCp932(text), FileAccess::OwnerOnly);
    if (!written)
        return fail(written.error().kind, QStringLiteral("smtp.ini を保存できませんでした: %1").arg(written.error().message));
    return {};
}
