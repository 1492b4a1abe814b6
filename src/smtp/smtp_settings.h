// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/error.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QObject;

enum class SmtpSecurity { None, StartTls, Tls };
enum class SmtpAuth { Password, OAuth2 };

// The connection settings kept in smtp.ini beside config.ini; the server's
// host (and port, when smtp.ini names none) stays in config.ini.
struct SmtpSettings {
    std::optional<int> port;      // empty: the one in config.ini's server, else 25
    SmtpSecurity security = SmtpSecurity::None;
    bool securityChosen = false;  // "none" written out, not left to the default
    QString user;                 // empty: no login; with OAuth 2.0 the mailbox
    QString password;
    SmtpAuth auth = SmtpAuth::Password;
    QString oauthProvider;        // microsoft, google or custom (its own URLs and scope)
    QString oauthClientId;
    QString oauthClientSecret;    // none for Microsoft's public clients
    QString oauthTenant;          // Microsoft: empty means "common"
    QString oauthAuthorizeUrl;    // these three override the provider's
    QString oauthTokenUrl;
    QString oauthScope;
    QString oauthRefreshToken;    // kept like the password: the secret store, else the file
    QString accessToken;          // never stored: a run's, fresh from the refresh token
    QString fromName;             // shown with the sender address
    double pauseSeconds = 6.912;  // between two mails of a run: 0.00008 day
    QString caFile;               // a PEM file trusted besides the system's certificates
    int catchUpDays = 7;          // a step missed by up to this many days still goes, late
    int retryDays = 3;            // a mail put off by the server is given up after this long
    int maxPerConnection = 100;   // mails of a run over one connection before a new one
    bool notifySent = false;      // a run without the window tells the desktop when all went

    std::chrono::milliseconds pause() const;
    bool oauth() const { return auth == SmtpAuth::OAuth2; }
    // What logs in besides the user: the password, or with OAuth 2.0 the refresh token.
    QString& secret() { return oauth() ? oauthRefreshToken : password; }
    const QString& secret() const { return oauth() ? oauthRefreshToken : password; }
};

// smtp.ini in the program folder; a missing file gives the defaults. A login
// without a password in the file takes it from the desktop's secret store.
// Format when a value is malformed; Io when the file holds a password that
// group or others can read, with how to fix it.
Result<SmtpSettings> readSmtpSettings(const QString& programDir);
// As a run logs in with them: SenderRefused, saying what to do, when a login has
// no password, the secret store not answering (a timer without the desktop's
// session) or locked. An empty password is never sent.
Result<SmtpSettings> readSmtpLogin(const QString& programDir);
// The same without waiting, for the window: the password of settings read with
// readSmtpFile, asked of the secret store; done runs on context's thread.
void askLoginPassword(SmtpSettings settings, QObject* context, std::function<void(Result<SmtpSettings>)> done);
// The file alone, the secret store not asked.
Result<SmtpSettings> readSmtpFile(const QString& programDir);
// Replaces smtp.ini atomically with mode 0600 (it may hold the password).
Result<void> writeSmtpSettings(const QString& programDir, const SmtpSettings& settings);
// As the dialog saves: the password into the secret store when one answers,
// else into the file; done runs on context's thread once the file is written.
void storeSmtpSettings(const QString& programDir, const SmtpSettings& settings, QObject* context,
                       std::function<void(Result<void>)> done);

// A new password or refresh token for smtp.ini's login (a sign-in, a token the
// provider replaced), kept where the old one was: in smtp.ini when the file held
// it, else as storeSmtpSettings keeps it.
void keepSecret(const QString& programDir, const QString& secret, QObject* context,
                       std::function<void(Result<void>)> done);

// Switches notify_sent in smtp.ini, keeping everything else the file holds.
Result<void> storeNotifySent(const QString& programDir, bool on);

QString smtpSettingsPath(const QString& programDir);
